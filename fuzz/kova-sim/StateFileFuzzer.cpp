// Reads arbitrary text as kova-sim's state file. What it accepts must save
// and load again to the same text, within the size a state file may have:
// kova-sim never writes a file it would refuse at its next start.
//
// libFuzzer's default -max_len (the largest seed, at least 4096 bytes) is
// room enough: every kind of line fits in a few kilobytes. Seeds:
// fuzz/corpus/kova-sim-state/.
#include "PrinterState.h"
#include "StateFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > StateFile::kMaxFileSize)
        return 0;  // refused before it is read
    PrinterState state;
    std::string error;
    if (!StateFile::Parse(std::string(reinterpret_cast<const char *>(data), size), "fuzz", state, error)) {
        if (error.empty())
            std::abort();  // a refusal always says why
        return 0;
    }
    const std::string text = StateFile::Text(state);
    PrinterState back;
    if (text.size() > StateFile::kMaxFileSize || !StateFile::Parse(text, "saved", back, error) ||
        StateFile::Text(back) != text)
        std::abort();
    return 0;
}
