#pragma once

#include "platform/DevicePaths.h"
#include "rollvane/link/InterfaceSettings.h"

#include <cstdint>
#include <string>

namespace rollvane {

// inifile.inf: the interface settings kept from one run to the next (section INITIAL) and the
// device nodes that port names open (section DEVICES).
class InterfaceSettingsFile {
public:
    static constexpr const char *kDefaultPath = "inifile.inf";
    static constexpr std::size_t kMaxValueLength = 99;

    struct Values {
        std::string portText;
        std::string baudText;
        std::string stopBitsText;
        std::string parityText;
        std::string flowText;
        uint32_t ipAddress = 0xFFFFFFFFu;
        int32_t linkType = LinkSerial;
        platform::DevicePaths devices;
        // The errno value when the file exists but cannot be read, else 0.
        int readError = 0;
    };

    explicit InterfaceSettingsFile(std::string path = kDefaultPath);

    const std::string &path() const { return path_; }

    // A missing or unreadable file gives "NULL" for every text, 255.255.255.255 and LinkSerial;
    // an unreadable one (a folder, a FIFO, over 1 MiB, no permission) says why in readError.
    Values Read() const;
    // Writes the seven keys in their order, keeping every other section and line. On failure
    // the old file is untouched and *error holds the errno value.
    bool Write(const InterfaceSettings &settings, int32_t linkType, int *error) const;

private:
    std::string path_;
};

}  // namespace rollvane
