#include "tests/link/ShortWriteSerialLine.h"

#include <algorithm>
#include <cerrno>

namespace link_test {

bool ShortWriteSerialLine::GetState(platform::Dcb *dcb, int *error)
{
    if (script_.portState) {
        *dcb = *script_.portState;
        return true;
    }
    return line_->GetState(dcb, error);
}

bool ShortWriteSerialLine::SetState(const platform::Dcb &dcb, int *error)
{
    script_.appliedState = dcb;
    return script_.applyState ? line_->SetState(dcb, error) : true;
}

bool ShortWriteSerialLine::SetTimeouts(const platform::CommTimeouts &timeouts)
{
    script_.timeouts.push_back(timeouts);
    return line_->SetTimeouts(timeouts);
}

bool ShortWriteSerialLine::Write(const uint8_t *data, std::size_t length, std::size_t *written, int *error)
{
    script_.writeRequests.push_back(length);
    std::size_t limit = length;
    if (!script_.writeLimits.empty()) {
        limit = std::min(limit, script_.writeLimits.front());
        script_.writeLimits.pop_front();
    }
    bool fails = false;
    if (!script_.writeFails.empty()) {
        fails = script_.writeFails.front();
        script_.writeFails.pop_front();
    }
    bool ok = limit == 0 ? (*written = 0, true) : line_->Write(data, limit, written, error);
    if (fails) {
        *error = EIO;
        return false;
    }
    return ok;
}

}  // namespace link_test
