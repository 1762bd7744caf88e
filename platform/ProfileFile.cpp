#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "platform/InputFile.h"

#include <cctype>
#include <cerrno>

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

// Names compare without regard to letter case.
std::string Lower(const std::string &name)
{
    std::string lower = name;
    for (char &c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

}  // namespace

bool ProfileFile::Load(const std::string &path, int *error)
{
    Parse("");
    std::string content;
    int code = 0;
    if (!InputFile::Read(path, kMaxBytes, &content, &code)) {
        if (code == ENOENT) {
            return true;
        }
        if (error) {
            *error = code;
        }
        return false;
    }
    Parse(content);
    return true;
}

void ProfileFile::Parse(const std::string &text)
{
    indexed_ = false;
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

const std::unordered_map<std::string, ProfileFile::SectionIndex> &ProfileFile::index() const
{
    if (indexed_) {
        return index_;
    }
    index_.clear();
    SectionIndex *current = nullptr;
    std::string name;
    std::string value;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (SectionName(lines_[i], &name)) {
            if (current) {
                current->end = i;
            }
            // Only the first section of a name counts; later ones are read past.
            auto [entry, added] = index_.try_emplace(Lower(name));
            current = added ? &entry->second : nullptr;
            if (current) {
                current->begin = i + 1;
            }
            continue;
        }
        if (current && SplitKeyLine(lines_[i], &name, &value)) {
            if (current->keys.try_emplace(Lower(name), KeyLine{i, name, value}).second) {
                current->keyOrder.push_back(name);
            }
        }
    }
    if (current) {
        current->end = lines_.size();
    }
    indexed_ = true;
    return index_;
}

bool ProfileFile::FindSection(const std::string &section, std::size_t *begin, std::size_t *end) const
{
    const auto found = index().find(Lower(section));
    if (found == index().end()) {
        return false;
    }
    *begin = found->second.begin;
    *end = found->second.end;
    return true;
}

bool ProfileFile::FindKey(const std::string &section, const std::string &key, KeyLine *found) const
{
    const auto inSection = index().find(Lower(section));
    if (inSection == index().end()) {
        return false;
    }
    const auto line = inSection->second.keys.find(Lower(Trimmed(key)));
    if (line == inSection->second.keys.end()) {
        return false;
    }
    *found = line->second;
    return true;
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
    const auto found = index().find(Lower(section));
    return found == index().end() ? std::vector<std::string>() : found->second.keyOrder;
}

void ProfileFile::SetValue(const std::string &section, const std::string &key, const std::string &value)
{
    const std::string line = key + "=" + value;
    KeyLine found;
    std::size_t begin = 0;
    std::size_t end = 0;
    if (FindKey(section, key, &found)) {
        lines_[found.line] = line;
    } else if (FindSection(section, &begin, &end)) {
        // After the last non-empty line of the section, so blank separator lines stay last.
        std::size_t at = end;
        while (at > begin && Trimmed(lines_[at - 1]).empty()) {
            --at;
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line);
    } else {
        lines_.push_back("[" + section + "]");
        lines_.push_back(line);
        endsWithLineEnd_ = true;
    }
    // The next look-up finds the changed lines again.
    indexed_ = false;
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
