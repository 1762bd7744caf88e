#include "StateFile.h"

#include "PrinterState.h"
#include "platform/FileDescriptor.h"
#include "platform/InputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Hex(const uint8_t *data, size_t length, bool spaced)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 3);
    for (size_t i = 0; i < length; ++i) {
        if (spaced && i > 0)
            out.push_back(' ');
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
    }
    return out;
}

int Nibble(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hex digits, blanks between bytes allowed.
bool Unhex(const std::string &text, std::vector<uint8_t> &out)
{
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (high >= 0)
                return false;
            continue;
        }
        const int v = Nibble(c);
        if (v < 0)
            return false;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return high < 0;
}

// Why a path that is there is no state file, for the message.
std::string KindOf(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "not a regular file";
    if (S_ISDIR(st.st_mode))
        return "a folder, not a regular file";
    if (S_ISFIFO(st.st_mode))
        return "a FIFO, not a regular file";
    if (S_ISCHR(st.st_mode))
        return "a character device, not a regular file";
    if (S_ISBLK(st.st_mode))
        return "a block device, not a regular file";
    if (S_ISSOCK(st.st_mode))
        return "a socket, not a regular file";
    return "not a regular file";
}

bool WriteAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string Trim(const std::string &s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

}  // namespace

// The largest file a save can write loads again.
static_assert(PrinterState::kMaxImages * (2 * PrinterState::kMaxImageFile + 16) +
                  PrinterState::kMessageSlots * (2 * PrinterState::kMaxMessageText + 16) + (16u << 10) <=
              StateFile::kMaxFileSize);

StateFile::Load StateFile::LoadFrom(const std::string &path, PrinterState &state, std::string &error)
{
    std::string text;
    int code = 0;
    if (!platform::InputFile::Read(path, kMaxFileSize, &text, &code)) {
        if (code == ENOENT)
            return Load::Missing;
        if (code == EFBIG)
            error = path + ": larger than the " + std::to_string(kMaxFileSize) + " bytes (1 MiB) a state file may hold";
        else if (code == EISDIR || code == EINVAL)
            error = path + ": " + KindOf(path);
        else
            error = path + ": cannot read: " + std::strerror(code);
        return Load::Bad;
    }
    return Parse(text, path, state, error) ? Load::Loaded : Load::Bad;
}

bool StateFile::Parse(const std::string &text, const std::string &name, PrinterState &state, std::string &error)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = name + ":" + std::to_string(number) + ": expected key = value";
            return false;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        std::vector<uint8_t> bytes;
        bool ok = true;
        std::string why;
        if (key == "model") {
            ok = PrinterState::ValidModelCode(value);
            if (ok)
                state.modelCode = value;
        } else if (key == "firmware") {
            ok = PrinterState::ValidFirmware(value);
            if (ok)
                state.firmware = value;
        } else if (key == "config") {
            ok = Unhex(value, bytes) && bytes.size() == PrinterConfig::kBytes;
            for (int n = 1; ok && n <= PrinterConfig::kBytes; ++n)
                state.config.SetByte(n, bytes[static_cast<size_t>(n - 1)]);
        } else if (key.rfind("image.", 0) == 0) {
            const std::string id = key.substr(6);
            char *end = nullptr;
            const long v = std::strtol(id.c_str(), &end, 10);
            ok = !id.empty() && id.size() <= 3 && *end == '\0' && v >= 0 && v <= 255 && Unhex(value, bytes) &&
                 !bytes.empty();
            if (ok && bytes.size() > PrinterState::kMaxImageFile)
                why = ": more than the " + std::to_string(PrinterState::kMaxImageFile) + " bytes kept for a bit image";
            ok = ok && state.StoreImage(static_cast<uint8_t>(v), std::move(bytes));
        } else if (key.rfind("message.", 0) == 0) {
            const std::string slot = key.substr(8);
            const size_t blank = value.find(' ');
            std::vector<uint8_t> attr;
            ok = slot.size() == 1 && slot[0] >= '0' && slot[0] < '0' + PrinterState::kMessageSlots &&
                 Unhex(value.substr(0, blank), attr) && attr.size() == 1 &&
                 Unhex(blank == std::string::npos ? std::string() : value.substr(blank + 1), bytes);
            if (ok && bytes.size() > PrinterState::kMaxMessageText)
                why = ": more than the " + std::to_string(PrinterState::kMaxMessageText) + " bytes of a message";
            ok = ok && state.SetMessage(slot[0] - '0', attr[0], std::move(bytes));
        }
        // Keys this version does not know are left alone.
        if (!ok) {
            error = name + ":" + std::to_string(number) + ": bad value for " + key + why;
            return false;
        }
    }
    return true;
}

std::string StateFile::Text(const PrinterState &state)
{
    std::ostringstream out;
    out << "# kova-sim printer memory; bytes in hexadecimal\n";
    out << "model = " << state.modelCode << "\n";
    out << "firmware = " << state.firmware << "\n";
    out << "# configuration bytes 1 to 31\n";
    out << "config = " << Hex(state.config.bytes().data() + 1, PrinterConfig::kBytes, true) << "\n";
    for (const PrinterConfig::Line &l : state.config.Describe())
        out << "#   " << l.label << ": " << l.text << "\n";
    out << "# downloaded bit images: image.<id> = BMP file\n";
    for (const PrinterState::StoredImage &image : state.images())
        out << "image." << int(image.id) << " = " << Hex(image.file.data(), image.file.size(), false) << "\n";
    out << "# message.<slot> = attribute text (slots: 0-1 bottom, 2-3 top, 4-5 reprint)\n";
    for (int slot = 0; slot < PrinterState::kMessageSlots; ++slot) {
        const PrinterState::Message &m = state.message(slot);
        out << "message." << slot << " = " << Hex(&m.attribute, 1, false);
        if (!m.text.empty())
            out << " " << Hex(m.text.data(), m.text.size(), false);
        out << "\n";
    }

    return out.str();
}

bool StateFile::Save(const std::string &path, const PrinterState &state, std::string &error)
{
    const std::string text = Text(state);
    const std::string temp = path + ".new";
    const auto fail = [&](const std::string &what) {
        error = what + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    };
    // A file of that name is left over from a save that was cut short, or is
    // not ours to write into (a FIFO would block): it goes, and a new one is made.
    if (::unlink(temp.c_str()) != 0 && errno != ENOENT)
        return fail("cannot remove " + temp);
    {
        platform::FileDescriptor file(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (!file.valid())
            return fail("cannot create " + temp);
        if (!WriteAll(file.get(), text))
            return fail("cannot write " + temp);
        // On the disk before it takes the old file's place.
        if (::fsync(file.get()) != 0)
            return fail("cannot write " + temp);
        int closeError = 0;
        if (!file.Close(&closeError)) {
            errno = closeError;
            return fail("cannot write " + temp);
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return fail("cannot rename " + temp + " to " + path);
    // The rename itself on the disk. Some file systems cannot sync a folder;
    // the file is in place all the same.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    platform::FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return true;
}
