#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Reads a whole input file the program was pointed at, safely: only a regular file (a FIFO,
// a device or a folder is refused without being waited for), and at most maxBytes of it.
class InputFile {
public:
    // Errors: the open's errno; EISDIR for a folder, EINVAL for anything else that is not a
    // regular file; EFBIG for a file larger than maxBytes.
    static bool Read(const std::string &path, std::size_t maxBytes, std::string *content, int *error);
    // Why Read failed, for a person: "it is not a regular file", "it is larger than 1 MiB", or
    // the system's text.
    static std::string FailureText(int error, std::size_t maxBytes);
};

}  // namespace platform
