#include "rollvane/cli/CommandOptions.h"

#include <algorithm>

namespace rollvane {

bool CommandOptions::Parse(const std::vector<std::string> &args, const std::vector<std::string> &known,
                           std::string *error)
{
    values_.clear();
    words_.clear();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
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
        } else if (i + 1 < args.size()) {
            values_[name] = args[++i];
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
