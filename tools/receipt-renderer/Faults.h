#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Faults a tester can put the printer into, at start or while it runs.
class Faults {
public:
    enum class Action {
        None,
        Show,
        Disconnect,
        Restart,
        Quit,
        Error
    };

    uint8_t status = 0x00;               // reply to the status requests
    uint8_t paper = 0x00;                // reply to the paper-sensor request
    bool silent = false;                 // answer nothing at all
    int slowRestartSeconds = 0;          // a restart takes this long instead, when set
    std::optional<long long> dropAfter;  // the next link that sends data is dropped after this many bytes

    // One control line. reply receives the line to print back; the action is
    // what the caller still has to do.
    Action Control(const std::string &line, std::string &reply);

    static std::optional<uint8_t> ParseByte(const std::string &text);
    static std::optional<long long> ParseCount(const std::string &text, long long max);
    static const char *ControlHelp();
};
