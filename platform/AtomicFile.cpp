#include "platform/AtomicFile.h"

#include "platform/FileDescriptor.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <libgen.h>
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

bool WriteAll(int fd, const std::string &content, int *error)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail(error, n < 0 ? errno : EIO);
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string &path)
{
    std::vector<char> copy(path.begin(), path.end());
    copy.push_back('\0');
    return dirname(copy.data());
}

// Where a chain of symbolic links ends (the path itself when it is none); false for a chain
// that does not end.
bool FollowLinks(std::string path, std::string *target, int *error)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link {};
        if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            *target = path;
            return true;
        }
        std::vector<char> buffer(PATH_MAX);
        const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0) {
            return Fail(error, errno);
        }
        const std::string next(buffer.data(), static_cast<std::size_t>(n));
        // A relative target is relative to the link's own folder.
        path = next.front() == '/' ? next : FolderOf(path) + "/" + next;
    }
    return Fail(error, ELOOP);
}

// A device, a FIFO or a socket: written as it is, never replaced by a regular file.
bool WriteInPlace(const std::string &path, const std::string &content, int *error)
{
    // Without O_NONBLOCK the open of a FIFO would wait for a reader.
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) {
        return Fail(error, errno);
    }
    const int flags = fcntl(file.get(), F_GETFL);
    if (flags < 0 || fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return Fail(error, errno);
    }
    if (!WriteAll(file.get(), content, error)) {
        return false;
    }
    int code = 0;
    return file.Close(&code) || Fail(error, code);
}

// A new file beside path, synced and renamed over it, and the folder synced: after a crash
// the folder holds the old file or the new one, never a mix.
bool Replace(const std::string &path, const std::string &content, int *error)
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

    int code = 0;
    if (!WriteAll(file.get(), content, &code) || fsync(file.get()) != 0 || !file.Close(&code)) {
        code = code != 0 ? code : errno;
        unlink(temporary.c_str());
        return Fail(error, code);
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        code = errno;
        unlink(temporary.c_str());
        return Fail(error, code);
    }
    const FileDescriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) {
        fsync(folder.get());
    }
    return true;
}

}  // namespace

bool AtomicFile::Write(const std::string &path, const std::string &content, int *error)
{
    std::string target;
    if (!FollowLinks(path, &target, error)) {
        return false;
    }
    struct stat existing {};
    if (stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode)) {
        return WriteInPlace(target, content, error);
    }
    return Replace(target, content, error);
}

}  // namespace platform
