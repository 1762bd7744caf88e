#include "rollvane/settings/SettingsChange.h"

namespace rollvane {

std::vector<SettingsChange> SettingsChange::Between(const PrinterSettings &before, const PrinterSettings &after,
                                                    Scope scope)
{
    std::vector<SettingsChange> changes;
    for (const auto &item : SettingsTable::Items()) {
        const std::string &was = before.text(item.number);
        const std::string &now = after.text(item.number);
        if (now == was) {
            continue;
        }
        if (scope == Scope::Stored && !item.fileKey) {
            continue;
        }
        // Empty items are not written; the data bits always go as 8; some items are never sent.
        if (scope == Scope::Written &&
            (now.empty() || item.writeRule == WriteRule::DataBitsNumber || item.writeRule == WriteRule::Never)) {
            continue;
        }
        SettingsChange change;
        change.number = item.number;
        change.name = ItemName(item);
        if (scope == Scope::Stored || !was.empty()) {
            change.before = was;
        }
        change.after = now;
        changes.push_back(std::move(change));
    }
    return changes;
}

std::string SettingsChange::ItemName(const SettingItem &item)
{
    std::string label = item.label;
    while (!label.empty() && (label.back() == ':' || label.back() == ' ')) {
        label.pop_back();
    }
    return label;
}

std::string SettingsChange::Line() const
{
    return name + ": " + (before ? "\"" + *before + "\"" : std::string("(not reported)")) + " -> \"" + after + "\"";
}

}  // namespace rollvane
