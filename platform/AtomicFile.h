#pragma once

#include <string>

namespace platform {

// Writes a whole file so that a crash or a full disk never leaves it half-written: the
// content goes to a new file in the same folder, which is synced and then renamed over the old
// one. Only a regular file (or nothing) is replaced that way: a symbolic link has its target
// written (replaced the same way, in the target's folder), and a device, FIFO or socket is
// written as it is, never turned into a regular file.
class AtomicFile {
public:
    // On failure the old file (if any) is untouched and *error holds the errno value.
    static bool Write(const std::string &path, const std::string &content, int *error = nullptr);
};

}  // namespace platform
