#include "platform/TraceLog.h"

#include "platform/SystemError.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

TraceLog::TraceLog(std::string program) : program_(std::move(program)) {}

TraceLog::~TraceLog()
{
    Close();
}

void TraceLog::Close()
{
    if (ownsFd_ && fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    ownsFd_ = false;
}

void TraceLog::EnableFromEnvironment(const char *variable)
{
    const char *value = std::getenv(variable);
    if (value == nullptr || *value == '\0' || std::string(value) == "0") {
        return;
    }
    int error = 0;
    if (!Enable(value, &error)) {
        const std::string line = program_ + ": " + variable + "=" + value +
                                 ": cannot open the trace file: " + SystemError::Text(error) + "\n";
        [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
    }
}

bool TraceLog::Enable(const std::string &destination, int *error)
{
    Close();
    if (destination == "1" || destination == "-") {
        fd_ = STDERR_FILENO;
        return true;
    }
    const int fd = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    fd_ = fd;
    ownsFd_ = true;
    return true;
}

void TraceLog::Write(const std::string &text)
{
    if (fd_ < 0) {
        return;
    }
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, " %02d:%02d:%02d.%03d ", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    const std::string line = program_ + stamp + text + "\n";
    // One write per line; a log that cannot keep up loses lines rather than stalling the traffic.
    [[maybe_unused]] ssize_t ignored = ::write(fd_, line.data(), line.size());
}

std::string TraceLog::Block(const uint8_t *data, std::size_t length, std::size_t shown)
{
    std::string text = std::to_string(length) + (length == 1 ? " byte" : " bytes");
    if (length == 0 || data == nullptr) {
        return text;
    }
    text += ":";
    char hex[4];
    for (std::size_t i = 0; i < length && i < shown; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", data[i]);
        text += hex;
    }
    if (length > shown) {
        text += " ...";
    }
    return text;
}

}  // namespace platform
