#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace rollvane {

// A command's own arguments: options that take a value ("--name value" or "--name=value", the
// last of a name counting) and the words between them.
class CommandOptions {
public:
    // Reads args against the option names known. False, with *error set ("--paper needs a
    // value", "unknown option --x"), when the arguments cannot be read.
    bool Parse(const std::vector<std::string> &args, const std::vector<std::string> &known, std::string *error);
    // The same, with flags: options that take no value ("--dry-run"), found wherever they stand
    // before the rest is read, so a flag is never taken for the value of the option before it.
    // "--flag=x" is refused ("--flag takes no value").
    bool Parse(const std::vector<std::string> &args, const std::vector<std::string> &known,
               const std::vector<std::string> &flags, std::string *error);

    // The value given for name, or nullptr when it was not given.
    const std::string *value(const std::string &name) const;
    const std::vector<std::string> &words() const { return words_; }
    bool flag(const std::string &name) const { return flags_.count(name) != 0; }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> words_;
    std::set<std::string> flags_;
};

}  // namespace rollvane
