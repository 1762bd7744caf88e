#pragma once

// The platform layer's error facility.
// Error convention of the layer: every fallible operation returns bool (true on success) and
// reports the errno value through an int *error out-parameter; factories return nullptr and set
// *error; the overlapped-device starts and DescriptorWait return their state with *error. The one
// exception is SharedLibrary, whose loader gives only a text (std::string *error). Callers that
// show a reason use SystemError::Text(error). Nothing throws.

#include <string>

namespace platform {

// The system's text for an error number.
class SystemError {
public:
    static std::string Text(int code);
};

}  // namespace platform
