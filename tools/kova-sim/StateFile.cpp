#include "StateFile.h"

#include "PrinterState.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

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

std::string Trim(const std::string &s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

}  // namespace

StateFile::Load StateFile::LoadFrom(const std::string &path, PrinterState &state, std::string &error)
{
    std::ifstream in(path);
    if (!in) {
        if (errno == ENOENT)
            return Load::Missing;
        error = "cannot read " + path;
        return Load::Bad;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = path + ":" + std::to_string(number) + ": expected key = value";
            return Load::Bad;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        std::vector<uint8_t> bytes;
        bool ok = true;
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
            ok = !id.empty() && *end == '\0' && v >= 0 && v <= 255 && Unhex(value, bytes) && !bytes.empty();
            if (ok)
                state.StoreImage(static_cast<uint8_t>(v), std::move(bytes));
        } else if (key.rfind("message.", 0) == 0) {
            const std::string slot = key.substr(8);
            const size_t blank = value.find(' ');
            std::vector<uint8_t> attr;
            ok = slot.size() == 1 && slot[0] >= '0' && slot[0] < '0' + PrinterState::kMessageSlots &&
                 Unhex(value.substr(0, blank), attr) && attr.size() == 1 &&
                 Unhex(blank == std::string::npos ? std::string() : value.substr(blank + 1), bytes);
            if (ok)
                state.SetMessage(slot[0] - '0', attr[0], std::move(bytes));
        }
        // Keys this version does not know are left alone.
        if (!ok) {
            error = path + ":" + std::to_string(number) + ": bad value for " + key;
            return Load::Bad;
        }
    }
    return Load::Loaded;
}

bool StateFile::Save(const std::string &path, const PrinterState &state)
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

    const std::string temp = path + ".new";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        if (!f)
            return false;
        const std::string text = out.str();
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
        f.flush();
        if (!f) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}
