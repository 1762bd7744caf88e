#pragma once

#include <cstdint>
#include <string>

namespace rollvane {

// The progress window of a running printer action: a one-line message and a bar.
// The first SetProgress after a ResetRange fixes the bar's range; later calls only move it.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;

    void SetMessage(const std::string &text);
    void ResetRange();
    void SetProgress(uint32_t upper, uint32_t position);

    const std::string &message() const { return message_; }
    bool rangeSet() const { return rangeSet_; }
    uint32_t upper() const { return upper_; }
    uint32_t position() const { return position_; }

protected:
    // Each shows the change at once, even while the caller blocks on printer traffic.
    virtual void ShowMessage(const std::string &text) = 0;
    virtual void ShowRange(uint32_t upper) = 0;
    virtual void ShowPosition(uint32_t position) = 0;

private:
    std::string message_;
    bool rangeSet_ = false;
    uint32_t upper_ = 100;
    uint32_t position_ = 0;
};

}  // namespace rollvane
