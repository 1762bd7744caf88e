#include "SimProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

SimProcess::~SimProcess()
{
    Stop();
}

std::string SimProcess::Binary()
{
    const char *dir = std::getenv("ROLLVANE_BIN_DIR");
    return std::string(dir ? dir : ".") + "/kova-sim";
}

bool SimProcess::Spawn(const std::vector<std::string> &args)
{
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
        return false;
    std::vector<std::string> argv = {Binary()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> raw;
    for (auto &a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    // Spawned, not forked: nothing of ours runs in the child of a threaded test before the exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDERR_FILENO);
    const int spawned = ::posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
            ::close(fd);
        return false;
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
    return pid_ > 0;
}

int SimProcess::RunToExit(const std::vector<std::string> &args)
{
    if (!Spawn(args))
        return -1;
    while (NextLine(10000)) {
    }
    return Stop();
}

bool SimProcess::Start(const std::vector<std::string> &args, int timeoutMs)
{
    if (!Spawn(args))
        return false;
    const auto line = WaitFor("kova-sim ready", timeoutMs);
    if (!line)
        return false;
    ready_ = *line;
    tcpPort_ = portAfter("tcp ");
    udpPort_ = portAfter("udp ");
    return true;
}

int SimProcess::portAfter(const std::string &word) const
{
    // "... tcp 127.0.0.1:9100 udp 127.0.0.1:3000 ..."
    const size_t at = ready_.find(word);
    if (at == std::string::npos)
        return 0;
    const size_t colon = ready_.find(':', at);
    return colon == std::string::npos ? 0 : std::atoi(ready_.c_str() + colon + 1);
}

std::optional<std::string> SimProcess::NextLine(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            std::string line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            lines_.push_back(line);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0 || out_ < 0)
            return std::nullopt;
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            return std::nullopt;
        char buf[4096];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0)
            return std::nullopt;
        buffer_.append(buf, static_cast<size_t>(n));
    }
}

std::optional<std::string> SimProcess::WaitFor(const std::string &text, int timeoutMs)
{
    // Lines already read but not yet looked at count too.
    while (seen_ < lines_.size()) {
        const std::string &l = lines_[seen_++];
        if (l.find(text) != std::string::npos)
            return l;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        const auto line = NextLine(static_cast<int>(std::max<long long>(left, 0)));
        if (!line)
            return std::nullopt;
        seen_ = lines_.size();
        if (line->find(text) != std::string::npos)
            return line;
    }
}

std::optional<std::string> SimProcess::Control(const std::string &line)
{
    const std::string text = line + "\n";
    if (::write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return std::nullopt;
    for (;;) {
        const auto reply = NextLine(5000);
        if (!reply)
            return std::nullopt;
        seen_ = lines_.size();
        if (reply->rfind("ok", 0) == 0 || reply->rfind("error", 0) == 0)
            return reply;
    }
}

bool SimProcess::Running()
{
    if (pid_ <= 0)
        return false;
    int status = 0;
    return ::waitpid(pid_, &status, WNOHANG) == 0;
}

int SimProcess::Stop()
{
    int status = -1;
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    if (in_ >= 0)
        ::close(in_);
    if (out_ >= 0) {
        // Keep the closing lines for the test to look at.
        while (NextLine(200)) {
        }
        ::close(out_);
    }
    in_ = out_ = -1;
    return status;
}
