#pragma once

#include "rollvane/settings/PrinterSettings.h"

#include <cstddef>
#include <string>

namespace rollvane {

// The settings text file: items 1 to 37 in profile form, section "Properties settings".
class SettingsFile {
public:
    // Far above any real settings file (under 1 KiB): a device or a huge file chosen by
    // mistake is refused rather than read without end.
    static constexpr std::size_t kMaxFileBytes = 1 << 20;

    // The whole file: the header, then one line per item, every line ending in CR LF.
    static std::string Format(const PrinterSettings &settings);
    // Items 1 to 37 from a file's content; a missing key or section gives the empty text.
    // Item 38 is not stored and keeps its text.
    static void Parse(const std::string &content, PrinterSettings &settings);
    // Whether content holds the section with at least one item's key, as a settings file does.
    static bool HoldsSettings(const std::string &content);

private:
    static std::string WithLineEnds(const std::string &text);
};

}  // namespace rollvane
