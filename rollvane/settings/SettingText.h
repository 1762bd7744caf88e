#pragma once

#include <string>

namespace rollvane {

// The two text comparisons of the settings: the encoders and the lists ignore letter case,
// validation does not.
class SettingText {
public:
    static bool EqualNoCase(const std::string &a, const std::string &b);
    static bool BeginsNoCase(const std::string &text, const std::string &prefix);
};

}  // namespace rollvane
