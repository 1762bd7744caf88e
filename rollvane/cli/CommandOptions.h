#pragma once

#include <map>
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

    // The value given for name, or nullptr when it was not given.
    const std::string *value(const std::string &name) const;
    const std::vector<std::string> &words() const { return words_; }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> words_;
};

}  // namespace rollvane
