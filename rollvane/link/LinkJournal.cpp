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
    if (trace_.on()) {
        trace_.Write(where + " send " + platform::TraceLog::Block(data, length));
    }
}

void LinkJournal::Received(const std::string &where, const uint8_t *data, std::size_t length)
{
    if (trace_.on()) {
        trace_.Write(where + " recv " + platform::TraceLog::Block(data, length));
    }
}

}  // namespace rollvane
