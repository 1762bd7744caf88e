#pragma once

#include "rollvane/settings/SettingsChange.h"

#include <vector>

namespace rollvane {

class JsonWriter;

// The --json form of a list of settings changes, shared by change-settings --dry-run and diff.
class SettingsChangeJson {
public:
    // An array of {"number", "name", "before" (null when not reported), "after"}.
    static void Write(const std::vector<SettingsChange> &changes, JsonWriter &json);
};

}  // namespace rollvane
