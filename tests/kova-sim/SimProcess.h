#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// The real kova-sim program, started for one test and stopped with it. Its
// standard error comes in among its standard output lines.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    static std::string Binary();

    // Starts the program and waits for its ready line.
    bool Start(const std::vector<std::string> &args, int timeoutMs = 10000);
    // Runs the program until it ends by itself; its exit status.
    int RunToExit(const std::vector<std::string> &args);
    // Waits for a line holding text; returns the line.
    std::optional<std::string> WaitFor(const std::string &text, int timeoutMs = 10000);
    // Sends a control line and returns its answer ("ok ..." or "error: ...").
    std::optional<std::string> Control(const std::string &line);
    // SIGTERM and wait; the exit status.
    int Stop();
    bool Running();

    pid_t pid() const { return pid_; }
    int tcpPort() const { return tcpPort_; }
    int udpPort() const { return udpPort_; }
    const std::string &readyLine() const { return ready_; }
    const std::vector<std::string> &lines() const { return lines_; }

private:
    bool Spawn(const std::vector<std::string> &args);
    int portAfter(const std::string &word) const;
    std::optional<std::string> NextLine(int timeoutMs);

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
    std::string ready_;
    std::vector<std::string> lines_;
    size_t seen_ = 0;
    int tcpPort_ = 0;
    int udpPort_ = 0;
};
