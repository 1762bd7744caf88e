#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "platform/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace platform {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trimmed(const std::string &text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool SameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

}  // namespace

bool ProfileFile::Load(const std::string &path, int *error)
{
    Parse("");
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        const int code = errno;
        if (code == ENOENT) {
            return true;
        }
        if (error) {
            *error = code;
        }
        return false;
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            if (error) {
                *error = errno;
            }
            return false;
        }
        if (n == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    Parse(content);
    return true;
}

void ProfileFile::Parse(const std::string &text)
{
    lines_.clear();
    lineEnd_ = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    endsWithLineEnd_ = text.empty() || text.back() == '\n';
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t newline = text.find('\n', start);
        std::size_t stop = newline == std::string::npos ? text.size() : newline;
        std::string line = text.substr(start, stop - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines_.push_back(std::move(line));
        if (newline == std::string::npos) {
            break;
        }
        start = newline + 1;
    }
}

bool ProfileFile::SectionName(const std::string &line, std::string *name)
{
    std::size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) {
        ++first;
    }
    if (first >= line.size() || line[first] != '[') {
        return false;
    }
    std::size_t last = line.rfind(']');
    std::string inside =
        last == std::string::npos || last < first ? line.substr(first + 1) : line.substr(first + 1, last - first - 1);
    *name = Trimmed(inside);
    return true;
}

bool ProfileFile::SplitKeyLine(const std::string &line, std::string *key, std::string *value)
{
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    *key = Trimmed(line.substr(0, equals));
    *value = Trimmed(line.substr(equals + 1));
    return !key->empty();
}

bool ProfileFile::FindSection(const std::string &section, std::size_t *begin, std::size_t *end) const
{
    std::string name;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!SectionName(lines_[i], &name) || !SameName(name, section)) {
            continue;
        }
        std::size_t j = i + 1;
        while (j < lines_.size() && !SectionName(lines_[j], &name)) {
            ++j;
        }
        *begin = i + 1;
        *end = j;
        return true;
    }
    return false;
}

bool ProfileFile::FindKey(const std::string &section, const std::string &key, KeyLine *found) const
{
    std::size_t begin = 0;
    std::size_t end = 0;
    if (!FindSection(section, &begin, &end)) {
        return false;
    }
    const std::string wanted = Trimmed(key);
    std::string name;
    std::string value;
    for (std::size_t i = begin; i < end; ++i) {
        if (SplitKeyLine(lines_[i], &name, &value) && SameName(name, wanted)) {
            *found = KeyLine{i, name, value};
            return true;
        }
    }
    return false;
}

std::string ProfileFile::value(const std::string &section, const std::string &key, const std::string &fallback,
                               std::size_t maxLength) const
{
    KeyLine found;
    std::string result = FindKey(section, key, &found) ? found.value : fallback;
    if (result.size() > maxLength) {
        result.resize(maxLength);
    }
    return result;
}

bool ProfileFile::hasKey(const std::string &section, const std::string &key) const
{
    KeyLine found;
    return FindKey(section, key, &found);
}

std::vector<std::string> ProfileFile::keys(const std::string &section) const
{
    std::vector<std::string> result;
    std::size_t begin = 0;
    std::size_t end = 0;
    if (!FindSection(section, &begin, &end)) {
        return result;
    }
    std::string name;
    std::string value;
    for (std::size_t i = begin; i < end; ++i) {
        if (!SplitKeyLine(lines_[i], &name, &value)) {
            continue;
        }
        bool seen = false;
        for (const auto &known : result) {
            seen = seen || SameName(known, name);
        }
        if (!seen) {
            result.push_back(name);
        }
    }
    return result;
}

void ProfileFile::SetValue(const std::string &section, const std::string &key, const std::string &value)
{
    const std::string line = key + "=" + value;
    KeyLine found;
    if (FindKey(section, key, &found)) {
        lines_[found.line] = line;
        return;
    }
    std::size_t begin = 0;
    std::size_t end = 0;
    if (FindSection(section, &begin, &end)) {
        // After the last non-empty line of the section, so blank separator lines stay last.
        std::size_t at = end;
        while (at > begin && Trimmed(lines_[at - 1]).empty()) {
            --at;
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line);
        return;
    }
    lines_.push_back("[" + section + "]");
    lines_.push_back(line);
    endsWithLineEnd_ = true;
}

std::string ProfileFile::text() const
{
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || endsWithLineEnd_) {
            out += lineEnd_;
        }
    }
    return out;
}

bool ProfileFile::Save(const std::string &path, int *error) const
{
    return AtomicFile::Write(path, text(), error);
}

}  // namespace platform
