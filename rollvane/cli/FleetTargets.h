#pragma once

#include "rollvane/cli/CommandOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rollvane {

// The printers a fleet command works on, in the order given, each once.
class FleetTargets {
public:
    struct Target {
        uint32_t address = 0;  // the first number in the high byte, as NumberText::DottedQuadValue gives it
        std::string name;      // the host name as written, empty for an address
    };

    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    // The targets of exactly one of --targets FILE, --range A.B.C.D-E.F.G.H and --subnet CIDR.
    // False with *error set; *badFile tells a target file that cannot be used from a command line
    // that is wrong.
    static bool FromOptions(const CommandOptions &options, std::vector<Target> *targets, bool *badFile,
                            std::string *error);
    // A target file: one IPv4 address or host name a line, "#" starting a comment, blank lines
    // skipped, spaces trimmed, a printer named twice kept once (by address), names looked up now.
    // False with *error naming fileName and the line: "printers.txt:3: ...".
    static bool Parse(const std::string &text, const std::string &fileName, std::vector<Target> *targets,
                      std::string *error);
};

}  // namespace rollvane
