#pragma once

#include "Command.h"
#include "PrinterState.h"
#include "Receipt.h"
#include "ReceiptFolder.h"
#include "ReceiptWriter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Faults;

// The printer's engine: carries out commands from any link against the
// stored state and the receipt on the paper. It knows nothing of sockets;
// replies are collected for the caller to send back on the link that asked.
class Printer : public CommandSink {
public:
    // What one receipt's .bin keeps of the bytes received for it.
    static constexpr size_t kMaxRecorded = 4u << 20;

    using Say = std::function<void(const std::string &)>;

    // outDir empty: receipts are composed but not written. statePath empty:
    // nothing is saved. keepReceipts: how many receipts the folder keeps.
    Printer(PrinterState &state, const Faults &faults, std::string outDir, std::string statePath, Say say,
            size_t keepReceipts = ReceiptFolder::kDefaultKeep);

    void OnByte(uint8_t b) override;
    void OnBytes(const uint8_t *data, size_t length) override;
    // false after a receipt was written (other links get their turn) and at the
    // end of settings.
    bool OnCommand(const Command &command) override;
    void OnRefused(Refusal refusal, size_t length) override;

    std::vector<uint8_t> TakeReplies();
    bool restartRequested() const { return restartRequested_; }

    // Power cycle: written settings are taken, the paper and what was
    // received for it are lost.
    void PowerCycle();
    // A link closed: bytes recorded for a receipt with nothing on it yet belong
    // to no receipt.
    void LinkClosed();

    uint8_t statusByte() const;
    unsigned long long unknownBytes() const { return unknown_; }
    // Receipts cut; with a folder, those not yet written are on their way.
    int receiptsWritten() const { return written_; }
    // Returns once every receipt cut so far is written and announced.
    void Flush();
    // false while receipts wait to be written in such numbers that the next
    // cut would wait for room; onReady is called (on another thread) when
    // there is room again.
    bool readyToCut() const { return !writer_ || writer_->ready(); }
    void OnReadyToCut(std::function<void()> onReady)
    {
        if (writer_)
            writer_->OnReady(std::move(onReady));
    }
    // Something is on the paper since the last cut.
    bool contentStarted() const { return contentStarted_; }
    // Stored images or messages changed since the last save. The caller saves
    // when it suits it: after a piece of input, before its replies go out.
    bool stateChanged() const { return stateChanged_; }
    bool SaveState();

private:
    void Reply(std::initializer_list<uint8_t> bytes);
    void Reply(const uint8_t *data, size_t length);
    void Cut();
    void ConfigurationPrintout();
    void PrintLine(const std::string &text, bool emphasis);
    void NewReceipt();
    void PrintMessages(int firstSlot);
    void BeforeContent();
    void RasterImage(const Command &c);
    void Refused(const std::string &what);
    const std::optional<Bitmap> &storedPicture(uint8_t id);

    PrinterState &state_;
    const Faults &faults_;
    std::string statePath_;
    Say say_;
    std::unique_ptr<Receipt> receipt_;
    std::vector<uint8_t> recorded_;
    bool recordTruncated_ = false;
    std::string refusals_;  // commands refused for the receipt under way, for its line
    std::vector<uint8_t> replies_;
    bool restartRequested_ = false;
    bool contentStarted_ = false;
    bool stateChanged_ = false;
    uint8_t selectedImage_ = 0;
    unsigned long long unknown_ = 0;
    int written_ = 0;
    // The last stored picture printed, decoded: printing it again is cheap.
    struct Decoded {
        unsigned long version = 0;
        uint8_t id = 0;
        std::optional<Bitmap> picture;
    };
    std::optional<Decoded> decoded_;
    std::unique_ptr<ReceiptWriter> writer_;  // none without a folder
};
