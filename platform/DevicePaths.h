#pragma once

#include <map>
#include <optional>
#include <string>

namespace platform {

// Which device node a port name opens. Entries set from the [DEVICES] section of
// inifile.inf come first; otherwise a name starting with '/' is a path, COMn is
// /dev/ttyS(n-1), LPTn is /dev/parport(n-1) and any other name is /dev/ followed by it.
class DevicePaths {
public:
    void SetEntry(const std::string &portName, const std::string &value);
    // The entry for a port name as written (e.g. "0x1a2b:0x0001" for ORNUSB), if any.
    std::optional<std::string> entry(const std::string &portName) const;
    std::string path(const std::string &portName) const;

    static std::string DefaultPath(const std::string &portName);

private:
    static std::string Key(const std::string &portName);
    std::map<std::string, std::string> entries_;
};

}  // namespace platform
