#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

// A private profile (INI) file with the Windows profile API's reading and writing rules:
// - a section starts at a line whose first non-blank character is '[' and is named by the
//   text up to the last ']' of that line;
// - section and key names compare without regard to letter case;
// - blanks around keys and values are removed; the first line of a key counts;
// - a value is cut at the caller's length limit;
// - writing a key changes its line in place (or adds it at the end of its section, or adds
//   the section) and keeps every other line as it was.
class ProfileFile {
public:
    // Far above any real profile: a device or a huge file is refused rather than read.
    static constexpr std::size_t kMaxBytes = 1 << 20;

    ProfileFile() = default;

    // Reads a file. A missing file reads as empty and reports true; any other failure
    // reports false with the errno value in *error (EINVAL for a FIFO or a device, EISDIR for
    // a folder, EFBIG for a file over kMaxBytes; it never waits for a writer).
    bool Load(const std::string &path, int *error = nullptr);
    // Replaces the content with text.
    void Parse(const std::string &text);

    // The value of key in section, at most maxLength characters, or fallback when absent.
    std::string value(const std::string &section, const std::string &key, const std::string &fallback,
                      std::size_t maxLength) const;
    bool hasKey(const std::string &section, const std::string &key) const;
    // Keys of a section, first occurrences only, in file order.
    std::vector<std::string> keys(const std::string &section) const;

    void SetValue(const std::string &section, const std::string &key, const std::string &value);

    std::string text() const;
    // Writes the whole file safely (a new file renamed over the old one).
    bool Save(const std::string &path, int *error = nullptr) const;

private:
    struct KeyLine {
        std::size_t line;
        std::string key;
        std::string value;
    };

    static bool SectionName(const std::string &line, std::string *name);
    static bool SplitKeyLine(const std::string &line, std::string *key, std::string *value);
    // The first section of each name and the first line of each key in it, built once after
    // the lines change, so that reading many keys takes time in proportion to the file.
    struct SectionIndex {
        std::size_t begin = 0;  // first line after the section's name
        std::size_t end = 0;
        std::vector<std::string> keyOrder;
        std::unordered_map<std::string, KeyLine> keys;  // by lower-case name
    };
    const std::unordered_map<std::string, SectionIndex> &index() const;

    // Index range [begin, end) of the lines that belong to the first section with this name.
    bool FindSection(const std::string &section, std::size_t *begin, std::size_t *end) const;
    bool FindKey(const std::string &section, const std::string &key, KeyLine *found) const;

    std::vector<std::string> lines_;
    mutable std::unordered_map<std::string, SectionIndex> index_;  // by lower-case name
    mutable bool indexed_ = false;
    std::string lineEnd_ = "\n";
    bool endsWithLineEnd_ = true;
};

}  // namespace platform
