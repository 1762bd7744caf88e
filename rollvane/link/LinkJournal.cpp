#include "rollvane/link/LinkJournal.h"

#include "platform/SystemError.h"

namespace rollvane {

void LinkJournal::Failed(const std::string &where, const std::string &operation, int error, const std::string &hint)
{
    Failed(where, operation, platform::SystemError::Text(error), hint);
}

void LinkJournal::Failed(const std::string &where, const std::string &operation, const std::string &reason,
                         const std::string &hint)
{
    ++failures_;
    cause_ = where + ": " + operation + ": " + reason;
    if (!hint.empty()) {
        cause_ += " (" + hint + ")";
    }
    if (trace_.on()) {
        trace_.Write(cause_);
    }
}

void LinkJournal::Sent(const std::string &where, const uint8_t *data, std::size_t length)
{
    ++blocksSent_;
    bytesSent_ += length;
    if (trace_.on()) {
        trace_.Write(where + " send " + platform::TraceLog::Block(data, length));
    }
}

void LinkJournal::Received(const std::string &where, const uint8_t *data, std::size_t length)
{
    ++blocksReceived_;
    bytesReceived_ += length;
    if (trace_.on()) {
        trace_.Write(where + " recv " + platform::TraceLog::Block(data, length));
    }
}

std::string LinkJournal::Summary() const
{
    const auto count = [](std::size_t n, const char *one) {
        return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
    };
    return count(blocksSent_, "block") + " sent (" + count(bytesSent_, "byte") + "), " +
           std::to_string(blocksReceived_) + " received (" + count(bytesReceived_, "byte") + "), " +
           count(failures_, "failure");
}

}  // namespace rollvane
