#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// An opt-in log of a program's device traffic, one line per event:
//   "<program> HH:MM:SS.mmm <text>"
// It is off until enabled, either by an environment variable ("1" for standard error, any
// other non-empty value for a file the lines are appended to) or by the program itself (a
// command-line switch). Callers test on() before they build a line, so a log that is off costs
// one branch. Each line goes out in one write, so lines of several threads never interleave.
class TraceLog {
public:
    explicit TraceLog(std::string program);
    ~TraceLog();
    TraceLog(const TraceLog &) = delete;
    TraceLog &operator=(const TraceLog &) = delete;

    // Follows the variable's value; an unset or empty variable leaves the log off. A file
    // that cannot be opened is said once on standard error, and the log stays off.
    void EnableFromEnvironment(const char *variable);
    // "1" or "-" for standard error, else a file to append to; false with *error when it cannot
    // be opened.
    bool Enable(const std::string &destination, int *error);

    bool on() const { return fd_ >= 0; }
    void Write(const std::string &text);

    // "3 bytes: 1B 40 10", at most shown bytes, then " ..." for the rest.
    static std::string Block(const uint8_t *data, std::size_t length, std::size_t shown = 16);

private:
    void Close();

    std::string program_;
    int fd_ = -1;
    bool ownsFd_ = false;
};

}  // namespace platform
