#include "ReceiptFolder.h"

#include "PngWriter.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>

#include <dirent.h>
#include <unistd.h>

namespace {

struct DirCloser {
    void operator()(DIR *d) const { closedir(d); }
};

}  // namespace

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

ReceiptFolder::Written ReceiptFolder::Write(const Bitmap &page, int height, std::span<const uint8_t> bytes)
{
    Written w;
    w.number = next_++;
    char name[32];
    std::snprintf(name, sizeof name, "receipt-%04d", w.number);
    w.base = dir_ + "/" + name;
    const bool png = PngWriter::WriteFile(w.base + ".png", page, height);
    std::ofstream bin(w.base + ".bin", std::ios::binary | std::ios::trunc);
    bin.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bin.flush();
    w.ok = png && bin.good();
    files_[w.number] = {std::string(name) + ".png", std::string(name) + ".bin"};
    return w;
}

ReceiptFolder::Removed ReceiptFolder::Prune()
{
    Removed removed;
    while (files_.size() > keep_) {
        const auto oldest = files_.begin();
        bool gone = true;
        for (const std::string &file : oldest->second)
            if (::unlink((dir_ + "/" + file).c_str()) != 0 && errno != ENOENT)
                gone = false;
        if (removed.count == 0)
            removed.first = oldest->first;
        removed.last = oldest->first;
        ++removed.count;
        if (!gone)
            ++removed.failed;  // forgotten all the same: it is not tried again and again
        files_.erase(oldest);
    }
    return removed;
}
