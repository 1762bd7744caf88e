#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

// A server or tool run by a test as its own child: started with posix_spawn, its output sent
// to a file, stopped with SIGTERM and reaped when the object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // argv[0] is the program's full path. Standard input is empty; standard output and error
    // go to outputFile.
    bool Start(const std::vector<std::string> &argv, const std::string &outputFile);
    // Sends SIGTERM and waits for the child; returns its wait status (-1 when none was running).
    int Stop();
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Runs a program to its end; returns its exit status, or -1.
    static int Run(const std::vector<std::string> &argv, const std::string &outputFile);

private:
    pid_t pid_ = -1;
};

}  // namespace testing_support
