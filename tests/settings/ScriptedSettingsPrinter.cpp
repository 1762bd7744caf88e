#include "tests/settings/ScriptedSettingsPrinter.h"

#include <poll.h>
#include <unistd.h>

namespace settings_testing {

ScriptedSettingsPrinter::ScriptedSettingsPrinter()
    : lastByte_(std::chrono::steady_clock::now()), thread_([this] { Run(); })
{}

ScriptedSettingsPrinter::~ScriptedSettingsPrinter()
{
    stop_ = true;
    thread_.join();
}

void ScriptedSettingsPrinter::SetStatusAnswers(std::vector<std::optional<uint8_t>> answers)
{
    std::lock_guard lock(mutex_);
    statusAnswers_.assign(answers.begin(), answers.end());
}

void ScriptedSettingsPrinter::SetConfigByte(int n, uint8_t value)
{
    std::lock_guard lock(mutex_);
    config_.at(static_cast<std::size_t>(n)) = value;
}

void ScriptedSettingsPrinter::SetConfigReadsAnswered(int count)
{
    std::lock_guard lock(mutex_);
    configReadsAnswered_ = count;
}

void ScriptedSettingsPrinter::SetModelCode(const std::string &twelve)
{
    std::lock_guard lock(mutex_);
    modelCode_ = twelve;
}

void ScriptedSettingsPrinter::SetFirmware(const std::string &fourDigits)
{
    std::lock_guard lock(mutex_);
    firmware_ = fourDigits;
}

void ScriptedSettingsPrinter::SetPaperSensor(uint8_t value)
{
    std::lock_guard lock(mutex_);
    paper_ = value;
}

std::vector<uint8_t> ScriptedSettingsPrinter::Received()
{
    const auto quiet = std::chrono::milliseconds(150);
    // Bytes written just before the call may still wait in the terminal for the next poll
    // (every 20 ms): the line counts as quiet only once that poll has had its turn.
    const auto asked = std::chrono::steady_clock::now();
    const auto polled = std::chrono::milliseconds(50);
    for (int i = 0; i < 100; ++i) {
        {
            std::lock_guard lock(mutex_);
            const auto now = std::chrono::steady_clock::now();
            if (now - lastByte_ >= quiet && now - asked >= polled) {
                return received_;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::lock_guard lock(mutex_);
    return received_;
}

void ScriptedSettingsPrinter::Answer(const std::vector<uint8_t> &bytes)
{
    pty_.WriteMaster(bytes);
}

bool ScriptedSettingsPrinter::Handle(std::vector<uint8_t> &pending)
{
    auto consume = [&pending](std::size_t n) { pending.erase(pending.begin(), pending.begin() + n); };
    const uint8_t first = pending[0];
    if (first == 0x1B || first == 0x1F || first == 0x1D) {
        if (pending.size() < 2) {
            return false;
        }
        const uint8_t second = pending[1];
        if (first == 0x1B && second == 0x68) {
            consume(2);
            std::optional<uint8_t> status = statusAnswers_.front();
            if (statusAnswers_.size() > 1) {
                statusAnswers_.pop_front();
            }
            if (status) {
                Answer({*status});
            }
            return true;
        }
        if (first == 0x1B && second == 0x76) {
            consume(2);
            Answer({paper_});
            return true;
        }
        if (first == 0x1B && second == 0x45) {
            if (pending.size() < 3) {
                return false;
            }
            consume(3);
            return true;
        }
        if (first == 0x1F && second == 0x31) {
            if (pending.size() < 3) {
                return false;
            }
            const int n = pending[2];
            consume(3);
            if (++configReads_ <= configReadsAnswered_ && n >= 1 && n <= 31) {
                // One 16-bit word: the even byte first, the odd byte second.
                const int even = n % 2 == 0 ? n : n - 1;
                Answer({config_[static_cast<std::size_t>(even)], config_[static_cast<std::size_t>(even + 1)]});
            }
            return true;
        }
        if (first == 0x1F && second == 0x36) {
            if (pending.size() < 5) {
                return false;
            }
            consume(5);
            return true;
        }
        if (first == 0x1D && second == 0x49) {
            if (pending.size() < 4) {
                return false;
            }
            const uint8_t what = pending[3];
            consume(4);
            if (what == 0x27) {
                // Groups of the model code behind separator bytes.
                const std::string &m = modelCode_;
                Answer({'_', uint8_t(m[0]), uint8_t(m[1]), uint8_t(m[2]), uint8_t(m[3]), '-', uint8_t(m[4]),
                        uint8_t(m[5]), uint8_t(m[6]), '-', uint8_t(m[7]), uint8_t(m[8]), uint8_t(m[9]), '-',
                        uint8_t(m[10]), uint8_t(m[11]), 0x00});
            } else if (what == 0xA3) {
                const std::string &f = firmware_;
                Answer({'V', uint8_t(f[0]), uint8_t(f[1]), uint8_t(f[2]), uint8_t(f[3]), 0x00});
            }
            return true;
        }
        consume(2);
        return true;
    }
    consume(1);
    return true;
}

void ScriptedSettingsPrinter::Run()
{
    std::vector<uint8_t> pending;
    while (!stop_) {
        pollfd p{pty_.master(), POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) {
            continue;
        }
        uint8_t buffer[512];
        const ssize_t n = ::read(pty_.master(), buffer, sizeof buffer);
        if (n <= 0) {
            continue;
        }
        std::lock_guard lock(mutex_);
        received_.insert(received_.end(), buffer, buffer + n);
        lastByte_ = std::chrono::steady_clock::now();
        pending.insert(pending.end(), buffer, buffer + n);
        while (!pending.empty() && Handle(pending)) {
        }
    }
}

}  // namespace settings_testing
