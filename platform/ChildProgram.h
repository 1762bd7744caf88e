#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Other programs run as children: started with posix_spawn (never fork, since the caller may have
// threads), standard input empty, standard output and error captured whole, killed when they
// outlast their time limit. Many run side by side from one poll loop over their pipes and process
// descriptors, so nothing waits busily and one slow child holds up no other.
class ChildProgram {
public:
    struct Outcome {
        bool started = false;   // false: error says why it could not be started
        int exitCode = -1;      // -1 when a signal ended it
        int signal = 0;         // the signal that ended it, 0 when it exited
        bool timedOut = false;  // killed at the time limit
        std::string out;
        std::string err;
        std::string error;
    };

    // The next program of a job (argv[0] its path), or nothing when the job is done. last is
    // nullptr for a job's first program, else the outcome of the program the job ran before.
    using Next = std::function<std::optional<std::vector<std::string>>(std::size_t job, const Outcome *last)>;

    // Runs one program to its end.
    static Outcome Run(const std::vector<std::string> &argv, std::chrono::milliseconds limit);

    // Runs jobs 0 to count - 1, each a chain of programs one after another, with at most parallel
    // programs running at a time; jobs start in order. next is called on the caller's thread.
    static void RunJobs(std::size_t count, std::size_t parallel, std::chrono::milliseconds limit, const Next &next);
};

}  // namespace platform
