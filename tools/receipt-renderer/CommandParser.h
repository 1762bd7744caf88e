#pragma once

#include "Command.h"
#include "PrinterState.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Turns the byte stream of one link into commands. Commands may arrive split
// across any number of reads; what is held between reads is bounded.
class CommandParser {
public:
    static constexpr size_t kMaxImageFile = PrinterState::kMaxImageFile;
    // A raster picture's bytes are held until the last one comes: up to this
    // much (a 576-dot printer draws 72 bytes a row, so this is over 900000 rows).
    static constexpr size_t kMaxRaster = 64u << 20;
    static constexpr size_t kMaxMessageText = PrinterState::kMaxMessageText;
    static constexpr size_t kMaxUnterminated = 4096;

    explicit CommandParser(CommandSink &sink) : sink_(sink) {}

    // Returns the number of bytes consumed: all of them unless the sink
    // stopped the feed.
    size_t Feed(const uint8_t *data, size_t length);
    // Forgets a half-received command (the link went away).
    void Reset();
    bool idle() const { return state_ == State::Idle; }

private:
    enum class State {
        Idle,
        Prefix,
        Args,
        Payload,
        Terminated,
        ImageFile,
        Skip
    };

    bool Step(uint8_t b);
    size_t TakeRun(const uint8_t *data, size_t length);
    bool StartCommand();
    bool ArgsComplete();
    bool Emit(Op op);
    bool Unknown();

    CommandSink &sink_;
    State state_ = State::Idle;
    uint8_t prefix_[2] = {0, 0};
    uint8_t args_[6] = {0, 0, 0, 0, 0, 0};
    int argCount_ = 0;
    int argsNeeded_ = 0;
    Op pending_ = Op::Unknown;
    size_t payloadNeeded_ = 0;
    size_t terminatedSeen_ = 0;
    std::vector<uint8_t> data_;
};
