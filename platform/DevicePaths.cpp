#include "platform/DevicePaths.h"

#include <cctype>

namespace platform {

namespace {

// The number after a prefix such as "COM", or 0 when the rest is not a plain number.
int PortNumber(const std::string &name, const std::string &prefix)
{
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 4) {
        return 0;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != prefix[i]) {
            return 0;
        }
    }
    int number = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return 0;
        }
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

}  // namespace

std::string DevicePaths::Key(const std::string &portName)
{
    std::string upper = portName;
    for (char &c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

void DevicePaths::SetEntry(const std::string &portName, const std::string &value)
{
    entries_[Key(portName)] = value;
}

std::optional<std::string> DevicePaths::entry(const std::string &portName) const
{
    auto found = entries_.find(Key(portName));
    if (found == entries_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::string DevicePaths::path(const std::string &portName) const
{
    if (auto mapped = entry(portName)) {
        return *mapped;
    }
    return DefaultPath(portName);
}

std::string DevicePaths::DefaultPath(const std::string &portName)
{
    if (!portName.empty() && portName[0] == '/') {
        return portName;
    }
    if (int n = PortNumber(portName, "COM"); n > 0) {
        return "/dev/ttyS" + std::to_string(n - 1);
    }
    if (int n = PortNumber(portName, "LPT"); n > 0) {
        return "/dev/parport" + std::to_string(n - 1);
    }
    return "/dev/" + portName;
}

}  // namespace platform
