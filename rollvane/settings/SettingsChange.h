#pragma once

#include "rollvane/settings/PrinterSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace rollvane {

// One item whose text differs between two sets of settings, as the dry run of "Change
// Settings" and the comparison of two settings files list it.
class SettingsChange {
public:
    enum class Scope {
        Written,  // what "Change Settings" would write: empty texts and items never sent left out
        Stored,   // every item a settings file holds (1 to 37), empty texts included
    };

    // The items of scope whose text in after differs from before, in record order. With
    // Written, an empty text in before is an item the printer gave no text for.
    static std::vector<SettingsChange> Between(const PrinterSettings &before, const PrinterSettings &after,
                                               Scope scope);
    // The label on the page without its closing colon: "Knife".
    static std::string ItemName(const SettingItem &item);

    // Knife: "Enabled" -> "Disabled", or Knife: (not reported) -> "Disabled".
    std::string Line() const;

    int number = 0;
    std::string name;
    std::optional<std::string> before;  // none: the printer gave no text for it
    std::string after;
};

}  // namespace rollvane
