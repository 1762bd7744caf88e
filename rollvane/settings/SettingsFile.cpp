#include "rollvane/settings/SettingsFile.h"

#include "platform/ProfileFile.h"

namespace rollvane {

std::string SettingsFile::WithLineEnds(const std::string &text)
{
    std::string result;
    result.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') {
            result += "\r\n";
        } else {
            result += c;
        }
    }
    return result;
}

std::string SettingsFile::Format(const PrinterSettings &settings)
{
    std::string content = WithLineEnds(SettingsTable::kFileHeader);
    for (const auto &item : SettingsTable::Items()) {
        if (!item.fileKey) {
            continue;
        }
        const std::string format = item.fileLine;
        const std::size_t slot = format.find("%s");
        content += WithLineEnds(format.substr(0, slot) + settings.text(item.number) + format.substr(slot + 2));
    }
    return content;
}

void SettingsFile::Parse(const std::string &content, PrinterSettings &settings)
{
    platform::ProfileFile profile;
    profile.Parse(content);
    for (const auto &item : SettingsTable::Items()) {
        if (item.fileKey) {
            settings.text(item.number) =
                profile.value(SettingsTable::kFileSection, item.fileKey, "", SettingsTable::kFileValueLength);
        }
    }
}

bool SettingsFile::HoldsSettings(const std::string &content)
{
    platform::ProfileFile profile;
    profile.Parse(content);
    for (const auto &item : SettingsTable::Items()) {
        if (item.fileKey && profile.hasKey(SettingsTable::kFileSection, item.fileKey)) {
            return true;
        }
    }
    return false;
}

}  // namespace rollvane
