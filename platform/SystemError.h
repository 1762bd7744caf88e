#pragma once

#include <string>

namespace platform {

// The system's text for an error number.
class SystemError {
public:
    static std::string Text(int code);
};

}  // namespace platform
