#include "platform/SystemError.h"

#include <cstring>

namespace platform {

std::string SystemError::Text(int code)
{
    char buffer[256] = {};
    // GNU strerror_r may return a static text instead of filling the buffer.
    const char *text = strerror_r(code, buffer, sizeof buffer);
    return text ? std::string(text) : std::string("Unknown error ") + std::to_string(code);
}

}  // namespace platform
