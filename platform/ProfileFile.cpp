#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "platform/SystemError.h"

#include "platform/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace platform {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string trimmed(const std::string &text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool sameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

}  // namespace

bool ProfileFile::load(const std::string &path, std::string *error)
{
    parse("");
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        const int code = errno;
        if (code == ENOENT) {
            return true;
        }
        if (error) {
            *error = SystemError::text(code);
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
                *error = SystemError::text(errno);
            }
            return false;
        }
        if (n == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    parse(content);
    return true;
}

void ProfileFile::parse(const std::string &text)
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

bool ProfileFile::sectionName(const std::string &line, std::string *name)
{
    std::size_t first = 0;
    while (first < line.size() && isBlank(line[first])) {
        ++first;
    }
    if (first >= line.size() || line[first] != '[') {
        return false;
    }
    std::size_t last = line.rfind(']');
    std::string inside =
        last == std::string::npos || last < first ? line.substr(first + 1) : line.substr(first + 1, last - first - 1);
    *name = trimmed(inside);
    return true;
}

bool ProfileFile::keyLine(const std::string &line, std::string *key, std::string *value)
{
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    *key = trimmed(line.substr(0, equals));
    *value = trimmed(line.substr(equals + 1));
    return !key->empty();
}

bool ProfileFile::findSection(const std::string &section, std::size_t *begin, std::size_t *end) const
{
    std::string name;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!sectionName(lines_[i], &name) || !sameName(name, section)) {
            continue;
        }
        std::size_t j = i + 1;
        while (j < lines_.size() && !sectionName(lines_[j], &name)) {
            ++j;
        }
        *begin = i + 1;
        *end = j;
        return true;
    }
    return false;
}

bool ProfileFile::findKey(const std::string &section, const std::string &key, KeyLine *found) const
{
    std::size_t begin = 0;
    std::size_t end = 0;
    if (!findSection(section, &begin, &end)) {
        return false;
    }
    const std::string wanted = trimmed(key);
    std::string name;
    std::string value;
    for (std::size_t i = begin; i < end; ++i) {
        if (keyLine(lines_[i], &name, &value) && sameName(name, wanted)) {
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
    std::string result = findKey(section, key, &found) ? found.value : fallback;
    if (result.size() > maxLength) {
        result.resize(maxLength);
    }
    return result;
}

bool ProfileFile::hasKey(const std::string &section, const std::string &key) const
{
    KeyLine found;
    return findKey(section, key, &found);
}

std::vector<std::string> ProfileFile::keys(const std::string &section) const
{
    std::vector<std::string> result;
    std::size_t begin = 0;
    std::size_t end = 0;
    if (!findSection(section, &begin, &end)) {
        return result;
    }
    std::string name;
    std::string value;
    for (std::size_t i = begin; i < end; ++i) {
        if (!keyLine(lines_[i], &name, &value)) {
            continue;
        }
        bool seen = false;
        for (const auto &known : result) {
            seen = seen || sameName(known, name);
        }
        if (!seen) {
            result.push_back(name);
        }
    }
    return result;
}

void ProfileFile::setValue(const std::string &section, const std::string &key, const std::string &value)
{
    const std::string line = key + "=" + value;
    KeyLine found;
    if (findKey(section, key, &found)) {
        lines_[found.line] = line;
        return;
    }
    std::size_t begin = 0;
    std::size_t end = 0;
    if (findSection(section, &begin, &end)) {
        // After the last non-empty line of the section, so blank separator lines stay last.
        std::size_t at = end;
        while (at > begin && trimmed(lines_[at - 1]).empty()) {
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

bool ProfileFile::save(const std::string &path, std::string *error) const
{
    return AtomicFile::write(path, text(), error);
}

}  // namespace platform
