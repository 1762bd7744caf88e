#include "platform/ChildProgram.h"

#include "platform/DescriptorWait.h"

#include "platform/FileDescriptor.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// One program while it runs: its pipes until they reach their end, its process descriptor until
// it has been reaped.
struct Running {
    std::size_t job = 0;
    pid_t pid = -1;
    FileDescriptor out;
    FileDescriptor err;
    FileDescriptor process;
    Clock::time_point deadline;
    bool reaped = false;
    ChildProgram::Outcome outcome;

    bool done() const { return reaped && !out.valid() && !err.valid(); }
};

// Starts argv with standard output and error into fresh pipes. False with outcome.error set when
// it could not be started.
bool Spawn(const std::vector<std::string> &argv, Running *child)
{
    child->outcome = {};
    int outPipe[2];
    int errPipe[2];
    // Close-on-exec: a program started meanwhile must not hold another's pipe open.
    if (argv.empty() || pipe2(outPipe, O_CLOEXEC) != 0) {
        child->outcome.error = argv.empty() ? "no program given" : "pipe: " + SystemError::Text(errno);
        return false;
    }
    FileDescriptor outRead(outPipe[0]);
    FileDescriptor outWrite(outPipe[1]);
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        child->outcome.error = "pipe: " + SystemError::Text(errno);
        return false;
    }
    FileDescriptor errRead(errPipe[0]);
    FileDescriptor errWrite(errPipe[1]);

    std::vector<char *> args;
    for (const std::string &arg : argv) {
        args.push_back(const_cast<char *>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errWrite.get(), STDERR_FILENO);
    // A caller that ignores SIGPIPE must not hand that on: the child would not end on a closed pipe.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        child->outcome.error = argv[0] + ": " + SystemError::Text(spawned);
        return false;
    }
    // Through syscall: the C library of some systems declares pidfd_open without C linkage.
    const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (process < 0) {
        const int error = errno;
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        child->outcome.error = "pidfd_open: " + SystemError::Text(error);
        return false;
    }
    child->pid = pid;
    child->process.reset(process);
    child->out = std::move(outRead);
    child->err = std::move(errRead);
    child->outcome.started = true;
    return true;
}

// Takes what one pipe has to give; its end closes it.
void Drain(FileDescriptor &pipe, std::string &into)
{
    char buffer[65536];
    const ssize_t got = read(pipe.get(), buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
        pipe.reset();
    }
}

void Reap(Running &child)
{
    int status = 0;
    const pid_t result = waitpid(child.pid, &status, WNOHANG);
    if (result != child.pid) {
        return;
    }
    child.reaped = true;
    child.process.reset();
    if (WIFEXITED(status)) {
        child.outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        child.outcome.signal = WTERMSIG(status);
    }
}

}  // namespace

ChildProgram::Outcome ChildProgram::Run(const std::vector<std::string> &argv, std::chrono::milliseconds limit)
{
    Outcome result;
    RunJobs(1, 1, limit, [&](std::size_t, const Outcome *last) -> std::optional<std::vector<std::string>> {
        if (last) {
            result = *last;
            return std::nullopt;
        }
        return argv;
    });
    return result;
}

void ChildProgram::RunJobs(std::size_t count, std::size_t parallel, std::chrono::milliseconds limit, const Next &next)
{
    std::vector<std::unique_ptr<Running>> running;
    // Starts the job's next program; one that cannot be started is handed on as its outcome.
    const auto advance = [&](std::size_t job, const Outcome *last) {
        Outcome failed;
        for (auto argv = next(job, last); argv; argv = next(job, last)) {
            auto child = std::make_unique<Running>();
            child->job = job;
            if (Spawn(*argv, child.get())) {
                child->deadline = Clock::now() + limit;
                running.push_back(std::move(child));
                return;
            }
            failed = std::move(child->outcome);
            last = &failed;
        }
    };
    std::size_t started = 0;
    const std::size_t most = std::max<std::size_t>(parallel, 1);
    std::vector<pollfd> watched;
    while (true) {
        while (running.size() < most && started < count) {
            advance(started++, nullptr);
        }
        if (running.empty()) {
            if (started >= count) {
                return;
            }
            continue;
        }
        watched.clear();
        auto nearest = Clock::time_point::max();
        for (const auto &child : running) {
            for (const FileDescriptor *fd : {&child->out, &child->err, &child->process}) {
                if (fd->valid()) {
                    watched.push_back({fd->get(), POLLIN, 0});
                }
            }
            nearest = std::min(nearest, child->deadline);
        }
        if (poll(watched.data(), watched.size(), DescriptorWait::MillisecondsUntil(nearest)) < 0 && errno != EINTR) {
            // Nothing sensible is left to wait on; what ran is ended below as if at its limit.
            for (auto &child : running) {
                child->deadline = Clock::now();
            }
        }
        std::size_t index = 0;
        for (auto &child : running) {
            for (FileDescriptor *fd : {&child->out, &child->err, &child->process}) {
                if (!fd->valid()) {
                    continue;
                }
                const short events = watched[index++].revents;
                if (events == 0) {
                    continue;
                }
                if (fd == &child->process) {
                    Reap(*child);
                } else {
                    Drain(*fd, fd == &child->out ? child->outcome.out : child->outcome.err);
                }
            }
        }
        const auto after = Clock::now();
        std::vector<std::unique_ptr<Running>> finished;
        for (auto &child : running) {
            if (after >= child->deadline && !child->done()) {
                if (!child->reaped && !child->outcome.timedOut) {
                    child->outcome.timedOut = true;
                    kill(child->pid, SIGKILL);
                    // A moment for the end of its pipes to arrive.
                    child->deadline = after + std::chrono::seconds(1);
                } else if (child->reaped) {
                    // Ended, but something it started still holds its pipes.
                    child->out.reset();
                    child->err.reset();
                }
            }
            if (child->done()) {
                finished.push_back(std::move(child));
            }
        }
        std::erase(running, nullptr);
        for (auto &child : finished) {
            advance(child->job, &child->outcome);
        }
    }
}

}  // namespace platform
