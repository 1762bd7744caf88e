// Any content read as inifile.inf's profile: nothing may crash, values stay within their limit,
// a key that is set reads back as set, and the other keys of its section keep their values.
#include "platform/ProfileFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char *>(data), size);
    platform::ProfileFile profile;
    profile.Parse(content);
    for (const char *section : {"INITIAL", "DEVICES"}) {
        for (const std::string &key : profile.keys(section)) {
            if (profile.value(section, key, "", 99).size() > 99 || !profile.hasKey(section, key)) {
                std::abort();
            }
        }
    }
    // A plain value set in place: read back as set; the section's other keys unchanged.
    const auto before = profile.keys("DEVICES");
    profile.SetValue("INITIAL", "COMPORT", "LAN");
    profile.Parse(profile.text());
    if (profile.value("INITIAL", "COMPORT", "", 99) != "LAN") {
        std::abort();
    }
    if (profile.keys("DEVICES") != before) {
        std::abort();
    }
    return 0;
}
