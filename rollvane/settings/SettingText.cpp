#include "rollvane/settings/SettingText.h"

#include <cctype>

namespace rollvane {

namespace {

bool SameLetter(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

bool SettingText::EqualNoCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && BeginsNoCase(a, b);
}

bool SettingText::BeginsNoCase(const std::string &text, const std::string &prefix)
{
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (!SameLetter(text[i], prefix[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace rollvane
