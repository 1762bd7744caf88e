#pragma once

#include "rollvane/cli/ChildReport.h"
#include "rollvane/cli/FleetTargets.h"

#include <optional>
#include <string>
#include <vector>

namespace rollvane {

class JsonWriter;

// One printer's part of a fleet command: what became of it, said in one line and as JSON.
class FleetResult {
public:
    enum class Kind {
        Changed,    // apply wrote the settings
        Unchanged,  // the printer already had them: nothing sent
        Differs,    // a dry run found differences: nothing sent
        Loaded,     // load wrote the printer's settings file
        Ready,      // status answered and the printer is not busy
        Busy,       // "Interface Busy"
        Timeout,    // a time-out other than a refused connection
        Refused,    // a time-out because the connection was refused
        Failed,     // anything else
    };

    static const char *Word(Kind kind);

    // The run's report into this printer's result. A run that succeeded sets success; any other
    // is classified from its messages. The run's messages are added to those of earlier runs.
    void Take(const ChildReport &report, Kind success);
    // A run that left no report: failed, with why.
    void TakeUnread(const std::string &why, int exitCode);

    bool succeeded() const;
    // "127.0.5.1        changed    Knife, Paper Width"; the failure's message or cause in short.
    std::string Line() const;
    void WriteJson(JsonWriter &json) const;

    FleetTargets::Target target;
    Kind kind = Kind::Failed;
    std::vector<SettingsChange> changes;
    std::vector<ChildReport::Message> messages;
    int exitCode = -1;
    std::optional<uint8_t> status;
    std::string file;    // load: the file written
    std::string detail;  // a failure's message or cause
};

}  // namespace rollvane
