#include "rollvane/cli/CommandOptions.h"

#include <algorithm>

namespace rollvane {

bool CommandOptions::Parse(const std::vector<std::string> &args, const std::vector<std::string> &known,
                           std::string *error)
{
    return Parse(args, known, {}, error);
}

bool CommandOptions::Parse(const std::vector<std::string> &args, const std::vector<std::string> &known,
                           const std::vector<std::string> &flags, std::string *error)
{
    values_.clear();
    words_.clear();
    flags_.clear();
    std::vector<std::string> rest;
    for (const std::string &arg : args) {
        const std::size_t equals = arg.find('=');
        if (std::find(flags.begin(), flags.end(), arg.substr(0, equals)) == flags.end()) {
            rest.push_back(arg);
        } else if (equals != std::string::npos) {
            *error = arg.substr(0, equals) + " takes no value";
            return false;
        } else {
            flags_.insert(arg);
        }
    }
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const std::string &arg = rest[i];
        if (arg.rfind("--", 0) != 0) {
            words_.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            *error = "unknown option " + name;
            return false;
        }
        if (equals != std::string::npos) {
            values_[name] = arg.substr(equals + 1);
        } else if (i + 1 < rest.size()) {
            values_[name] = rest[++i];
        } else {
            *error = name + " needs a value";
            return false;
        }
    }
    return true;
}

const std::string *CommandOptions::value(const std::string &name) const
{
    const auto found = values_.find(name);
    return found == values_.end() ? nullptr : &found->second;
}

}  // namespace rollvane
