#include "platform/AtomicFile.h"

#include "platform/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool Fail(int *error, int code)
{
    if (error) {
        *error = code;
    }
    return false;
}

}  // namespace

bool AtomicFile::Write(const std::string &path, const std::string &content, int *error)
{
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FileDescriptor file(mkstemp(name.data()));
    if (!file.valid()) {
        return Fail(error, errno);
    }
    const std::string temporary(name.data());

    // Keep the mode of the file being replaced; a new file gets the usual mode under the umask.
    struct stat old {};
    mode_t mode = 0;
    if (stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(file.get(), mode);

    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(file.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int code = n < 0 ? errno : EIO;
            unlink(temporary.c_str());
            return Fail(error, code);
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = fsync(file.get()) == 0;
    int code = synced ? 0 : errno;
    if (!synced || !file.Close(&code)) {
        unlink(temporary.c_str());
        return Fail(error, code);
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        unlink(temporary.c_str());
        return Fail(error, code);
    }
    return true;
}

}  // namespace platform
