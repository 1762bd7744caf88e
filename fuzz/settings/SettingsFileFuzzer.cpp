// Any file content read as a settings text file: nothing may crash, every text stays within
// the value limit, and writing what was read and reading it again gives the same texts.
#include "rollvane/settings/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    using rollvane::PrinterSettings;
    using rollvane::SettingsFile;
    const std::string content(reinterpret_cast<const char *>(data), size);
    PrinterSettings read;
    SettingsFile::Parse(content, read);
    bool plain = true;
    for (int n = 1; n <= 37; ++n) {
        const std::string &text = read.text(n);
        if (text.size() > 259) {
            std::abort();
        }
        // A carriage return inside a text cannot survive a round trip; the rule holds for the rest.
        if (text.find('\r') != std::string::npos) {
            plain = false;
        }
    }
    if (plain) {
        PrinterSettings again;
        SettingsFile::Parse(SettingsFile::Format(read), again);
        if (!(again == read)) {
            std::abort();
        }
    }
    return 0;
}
