#include "ReceiptFolder.h"

#include "PngWriter.h"

#include "platform/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct DirCloser {
    void operator()(DIR *d) const { closedir(d); }
};

// Writes over what the file held and cuts it to the new length, rather than
// emptying it first: ext4 flushes a file emptied and written again when it is
// closed, which made every receipt wait for the disk.
bool WriteOver(const std::string &path, std::span<const uint8_t> data)
{
    platform::FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (!fd.valid())
        return false;
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd.get(), data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return ::ftruncate(fd.get(), static_cast<off_t>(data.size())) == 0;
}

}  // namespace

std::string ReceiptFolder::Numbered(int number)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d", number);
    return text;
}

int ReceiptFolder::NumberOf(const std::string &name)
{
    // "receipt-" digits ".png" or ".bin", nothing more: other files are left alone.
    static const std::string head = "receipt-";
    if (name.size() < head.size() + 5 || name.compare(0, head.size(), head) != 0)
        return 0;
    const std::string tail = name.substr(name.size() - 4);
    if (tail != ".png" && tail != ".bin")
        return 0;
    const std::string digits = name.substr(head.size(), name.size() - head.size() - 4);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(digits);
}

ReceiptFolder::ReceiptFolder(std::string dir, size_t keep) : dir_(std::move(dir)), keep_(keep)
{
    std::unique_ptr<DIR, DirCloser> folder(opendir(dir_.c_str()));
    if (!folder)
        return;
    while (const dirent *e = readdir(folder.get())) {
        const int n = NumberOf(e->d_name);
        if (n > 0)
            files_[n].push_back(e->d_name);
    }
    if (!files_.empty())
        next_ = files_.rbegin()->first + 1;
}

void ReceiptFolder::Forget(int number, bool gone)
{
    if (removed_.count == 0)
        removed_.first = number;
    removed_.last = number;
    ++removed_.count;
    if (!gone)
        ++removed_.failed;  // forgotten all the same: it is not tried again and again
    files_.erase(number);
}

// A full folder hands its oldest receipt's files on to the new one: a new file
// in a folder where files were just removed costs the file system far more
// than writing over one (on ext4 the search for a free inode dominated a
// stream of short receipts).
void ReceiptFolder::Recycle(const std::string &base)
{
    if (files_.empty() || files_.size() < keep_)
        return;
    const auto oldest = files_.begin();
    bool gone = true;
    bool png = false;
    bool bin = false;
    for (const std::string &file : oldest->second) {
        const std::string from = dir_ + "/" + file;
        const bool isPng = file.ends_with(".png");
        bool &taken = isPng ? png : bin;
        if (!taken && ::rename(from.c_str(), (base + (isPng ? ".png" : ".bin")).c_str()) == 0) {
            taken = true;
            continue;
        }
        if (::unlink(from.c_str()) != 0 && errno != ENOENT)
            gone = false;
    }
    Forget(oldest->first, gone);
}

ReceiptFolder::Written ReceiptFolder::Write(const Bitmap &page, int height, std::span<const uint8_t> bytes)
{
    Written w;
    w.number = next_++;
    const std::string name = "receipt-" + Numbered(w.number);
    w.base = dir_ + "/" + name;
    Recycle(w.base);
    const std::vector<uint8_t> png = PngWriter::Encode(page, height);
    const bool pngWritten = !png.empty() && WriteOver(w.base + ".png", png);
    w.ok = WriteOver(w.base + ".bin", bytes) && pngWritten;
    files_[w.number] = {name + ".png", name + ".bin"};
    return w;
}

ReceiptFolder::Removed ReceiptFolder::Prune()
{
    while (files_.size() > keep_) {
        const auto oldest = files_.begin();
        bool gone = true;
        for (const std::string &file : oldest->second)
            if (::unlink((dir_ + "/" + file).c_str()) != 0 && errno != ENOENT)
                gone = false;
        Forget(oldest->first, gone);
    }
    const Removed removed = removed_;
    removed_ = Removed{};
    return removed;
}
