#pragma once

#include "rollvane/link/InterfaceSettings.h"

#include <cstdint>
#include <functional>

namespace rollvane {

class PrinterLink;

// The frame every printer action runs in, written once: Open with the port name of the
// interface settings and Configure with them, the busy check, and the end. However the action
// leaves (returns early, reports an error, completes), the end closes the progress window and
// then the link; an action that must leave the link open says so.
class PrinterAction {
public:
    // What the busy check found.
    enum class Status {
        Ready,
        Busy,      // the status byte has bit 3 set, or is 0xFF
        NoAnswer,  // no attempt obtained a status byte
    };

    static constexpr const char *kOpenFailed = "Unable to get serial port handle!";
    static constexpr const char *kBusy = "Please check for any error condition on printer!";
    static constexpr const char *kTimeout = "Timeout while sending data block!";

    PrinterAction(PrinterLink &link, const InterfaceSettings &settings);
    ~PrinterAction();
    PrinterAction(const PrinterAction &) = delete;
    PrinterAction &operator=(const PrinterAction &) = delete;

    // Opens and configures the link. On failure the person reads "Unable to get serial port
    // handle!" (caption "Error", stop icon) with the cause, and the action is over.
    bool Open();
    // The busy check: up to attempts status queries (beforeAttempt(n) runs before attempt n,
    // for the progress bar). Busy: "Interface Busy" is shown. NoAnswer after the last attempt:
    // "Timeout while sending data block!" ("Error", warning icon) with the cause, when
    // reportNoAnswer; otherwise the caller goes on without a status. statusByte, when given,
    // receives the status byte (0xFF when none came).
    Status CheckStatus(int attempts, bool reportNoAnswer, const std::function<void(int)> &beforeAttempt = {},
                       uint8_t *statusByte = nullptr);
    // "Timeout while sending data block!" with the link's cause, for a sequence that failed.
    void ReportTimeout();

    // The maker's USB link stays open between the actions that ask for it.
    void KeepLinkOpen() { keepOpen_ = true; }
    // The end, now rather than when the scope closes: progress window, then the link.
    void Finish();

private:
    PrinterLink &link_;
    // A copy: the action opens with the settings it began with.
    const InterfaceSettings settings_;
    bool keepOpen_ = false;
    bool finished_ = false;
};

}  // namespace rollvane
