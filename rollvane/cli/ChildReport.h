#pragma once

#include "platform/ChildProgram.h"
#include "rollvane/settings/SettingsChange.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rollvane {

// What one run of "rollvane-cli --json COMMAND" reported on its standard output.
class ChildReport {
public:
    // A message box of the run, as its JSON gives it.
    struct Message {
        std::string caption;
        std::string text;
        std::string icon;
        std::string cause;  // empty when none
    };

    // Reads the run's result object. False, with *error saying why in short, when the run did not
    // end by itself or left no object to read; the exit code is kept where there is one.
    bool Read(const platform::ChildProgram::Outcome &run, std::string *error);

    int exitCode = -1;
    std::vector<Message> messages;
    std::vector<SettingsChange> changes;  // "changes" of change-settings --dry-run
    std::optional<uint8_t> status;        // "status" of status: its byte, when the printer answered
    std::string usageError;               // "error": a command line the run refused
};

}  // namespace rollvane
