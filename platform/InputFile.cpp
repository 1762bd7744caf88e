#include "platform/InputFile.h"

#include "platform/FileDescriptor.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool InputFile::Read(const std::string &path, std::size_t maxBytes, std::string *content, int *error)
{
    // Without O_NONBLOCK the open of a FIFO would wait for a writer.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.valid()) {
        *error = errno;
        return false;
    }
    struct stat status {};
    if (fstat(file.get(), &status) != 0) {
        *error = errno;
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        *error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    if (static_cast<unsigned long long>(status.st_size) > maxBytes) {
        *error = EFBIG;
        return false;
    }
    content->clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n > 0) {
            // A file that grows while it is read is held to the same limit.
            if (content->size() + static_cast<std::size_t>(n) > maxBytes) {
                *error = EFBIG;
                return false;
            }
            content->append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            return true;
        } else if (errno != EINTR) {
            *error = errno;
            return false;
        }
    }
}

std::string InputFile::FailureText(int error, std::size_t maxBytes)
{
    switch (error) {
    case EINVAL:
        return "it is not a regular file";
    case EFBIG:
        return maxBytes % (1 << 20) == 0 ? "it is larger than " + std::to_string(maxBytes >> 20) + " MiB"
                                         : "it is larger than " + std::to_string(maxBytes) + " bytes";
    default:
        return SystemError::Text(error);
    }
}

}  // namespace platform
