// Feeds arbitrary bytes through the command parser into the printer engine,
// in pieces whose sizes come from the input, as a network would split them.
// Afterwards, whatever the bytes stored must save as a state file that loads
// again, within the size a state file may have.
//
// Run with -max_len=65536 (scripts/fuzz.sh passes it): room for a raster
// picture's header and data, a stored bit image and whole jobs. libFuzzer
// lets the length grow slowly from the largest seed; -len_control=0 gives it
// the whole room at once. Seeds: fuzz/corpus/kova-sim/, real jobs.
#include "CommandParser.h"
#include "Faults.h"
#include "Printer.h"
#include "PrinterState.h"
#include "StateFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PrinterState state;
    Faults faults;
    // No folders: receipts are composed but not written, nothing is saved.
    Printer printer(state, faults, "", "", [](const std::string &) {});
    CommandParser parser(printer);
    size_t at = 0;
    while (at < size) {
        const size_t piece = 1 + data[at] % 64;
        const size_t end = piece < size - at ? at + piece : size;
        // The printer stops a feed after each receipt; the rest follows.
        while (at < end) {
            at += parser.Feed(data + at, end - at);
            printer.TakeReplies();
            if (printer.restartRequested()) {
                parser.Reset();
                printer.PowerCycle();
            }
        }
    }
    const std::string text = StateFile::Text(state);
    PrinterState back;
    std::string error;
    if (text.size() > StateFile::kMaxFileSize || !StateFile::Parse(text, "saved", back, error) ||
        StateFile::Text(back) != text)
        std::abort();
    return 0;
}
