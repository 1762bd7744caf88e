#pragma once

#include "tests/support/PtyPair.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace settings_testing {

// A printer played on the master side of a pseudo-terminal: it logs every byte it receives
// and answers the status, configuration, model, firmware and paper-sensor requests.
class ScriptedSettingsPrinter {
public:
    ScriptedSettingsPrinter();
    ~ScriptedSettingsPrinter();
    ScriptedSettingsPrinter(const ScriptedSettingsPrinter &) = delete;
    ScriptedSettingsPrinter &operator=(const ScriptedSettingsPrinter &) = delete;

    const std::string &slavePath() const { return pty_.slavePath(); }

    // Answers, set before the code under test runs. An empty status answer is silence.
    // Status answers are used in order; the last one repeats.
    void SetStatusAnswers(std::vector<std::optional<uint8_t>> answers);
    void SetConfigByte(int n, uint8_t value);
    // Configuration reads after this many are not answered.
    void SetConfigReadsAnswered(int count);
    void SetModelCode(const std::string &twelve);
    void SetFirmware(const std::string &fourDigits);
    void SetPaperSensor(uint8_t value);

    // Everything received so far, once the line has been quiet for a moment.
    std::vector<uint8_t> Received();

private:
    void Run();
    // Consumes one command from the front of pending; false when it is incomplete.
    bool Handle(std::vector<uint8_t> &pending);
    void Answer(const std::vector<uint8_t> &bytes);

    testing_support::PtyPair pty_;
    std::mutex mutex_;
    std::vector<uint8_t> received_;
    std::chrono::steady_clock::time_point lastByte_;
    std::deque<std::optional<uint8_t>> statusAnswers_{std::optional<uint8_t>(0x00)};
    std::array<uint8_t, 33> config_{};
    int configReadsAnswered_ = 1000;
    int configReads_ = 0;
    std::string modelCode_ = "KOVA1234AX01";
    std::string firmware_ = "0407";
    uint8_t paper_ = 0x00;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace settings_testing
