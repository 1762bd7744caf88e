#include "rollvane/settings/PrinterSettings.h"

namespace rollvane {

void PrinterSettings::Clear()
{
    for (auto &text : texts_) {
        text.clear();
    }
}

bool PrinterSettings::allEmpty() const
{
    for (const auto &text : texts_) {
        if (!text.empty()) {
            return false;
        }
    }
    return true;
}

bool PrinterSettings::Accepts(const SettingItem &item, const std::string &text)
{
    if (text.empty()) {
        return true;
    }
    for (const char *option : item.options) {
        if (text == option) {
            return true;
        }
    }
    for (const char *extra : item.extraAccepted) {
        if (text == extra) {
            return true;
        }
    }
    return false;
}

int PrinterSettings::firstInvalidItem() const
{
    for (const auto &item : SettingsTable::Items()) {
        if (!Accepts(item, text(item.number))) {
            return item.number;
        }
    }
    return 0;
}

}  // namespace rollvane
