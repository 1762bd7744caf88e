#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace testing_support {

// Runs a program to its end (or kills it after the limit) and collects what it printed.
struct ProcessResult {
    int exitCode = -1;  // -1 when it did not end by itself
    std::string out;
    std::string err;
};

class ProcessRunner {
public:
    static ProcessResult Run(const std::string &program, const std::vector<std::string> &arguments,
                             const std::string &workingDirectory,
                             std::chrono::milliseconds limit = std::chrono::seconds(60));
    // The path of a built program (ROLLVANE_BIN_DIR).
    static std::string BuiltProgram(const std::string &name);
};

}  // namespace testing_support
