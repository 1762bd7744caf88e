#pragma once

#include <string>

namespace platform {

// Writes a whole file so that a crash or a full disk never leaves it half-written: the
// content goes to a new file in the same folder, which is then renamed over the old one.
class AtomicFile {
public:
    // On failure the old file (if any) is untouched and *error holds the errno value.
    static bool Write(const std::string &path, const std::string &content, int *error = nullptr);
};

}  // namespace platform
