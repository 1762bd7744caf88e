#include "rollvane/app/InterfaceSettingsFile.h"

#include "platform/ProfileFile.h"
#include "rollvane/link/NumberText.h"

namespace rollvane {

namespace {

constexpr const char *kSection = "INITIAL";
constexpr const char *kDevicesSection = "DEVICES";
constexpr const char *kMissing = "NULL";

}  // namespace

InterfaceSettingsFile::InterfaceSettingsFile(std::string path) : path_(std::move(path)) {}

InterfaceSettingsFile::Values InterfaceSettingsFile::Read() const
{
    platform::ProfileFile file;
    int error = 0;
    const bool loaded = file.Load(path_, &error);
    auto read = [&file](const char *key) { return file.value(kSection, key, kMissing, kMaxValueLength); };

    Values values;
    values.portText = read("COMPORT");
    values.baudText = read("BAUDRATE");
    values.stopBitsText = read("STOPBITS");
    values.parityText = read("PARITY");
    values.flowText = read("F.CONTROL");
    values.ipAddress = NumberText::Ipv4Value(read("IP.ADDRESS"));
    values.linkType = NumberText::DecimalValue(read("COMMUNICATION"));
    for (const auto &port : file.keys(kDevicesSection)) {
        values.devices.SetEntry(port, file.value(kDevicesSection, port, "", kMaxValueLength));
    }
    values.readError = loaded ? 0 : error;
    return values;
}

bool InterfaceSettingsFile::Write(const InterfaceSettings &settings, int32_t linkType, int *error) const
{
    platform::ProfileFile file;
    // An existing file that cannot be read is not replaced: its other sections would be lost.
    if (!file.Load(path_, error)) {
        return false;
    }
    file.SetValue(kSection, "COMPORT", settings.portText);
    file.SetValue(kSection, "BAUDRATE", settings.baudText);
    file.SetValue(kSection, "STOPBITS", settings.stopBitsText);
    file.SetValue(kSection, "PARITY", settings.parityText);
    file.SetValue(kSection, "F.CONTROL", settings.flowText);
    file.SetValue(kSection, "IP.ADDRESS", settings.ipText);
    file.SetValue(kSection, "COMMUNICATION", std::to_string(linkType));
    return file.Save(path_, error);
}

}  // namespace rollvane
