#pragma once

#include "rollvane/settings/SettingsTable.h"

#include <array>
#include <string>

namespace rollvane {

// The 38 item texts in record order; the empty text means "no value".
class PrinterSettings {
public:
    // Item n, 1 to 38.
    std::string &text(int number) { return texts_.at(static_cast<std::size_t>(number - 1)); }
    const std::string &text(int number) const { return texts_.at(static_cast<std::size_t>(number - 1)); }

    void Clear();
    bool allEmpty() const;

    // The first item (1 to 38) whose text is neither empty nor exactly one of its accepted
    // texts, or 0 when every item passes.
    int firstInvalidItem() const;
    static bool Accepts(const SettingItem &item, const std::string &text);

    bool operator==(const PrinterSettings &other) const = default;

private:
    std::array<std::string, SettingsTable::kItemCount> texts_;
};

}  // namespace rollvane
