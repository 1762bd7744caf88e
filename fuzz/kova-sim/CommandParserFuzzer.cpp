// Feeds arbitrary bytes through the command parser into the printer engine,
// in pieces whose sizes come from the input, as a network would split them.
#include "CommandParser.h"
#include "Faults.h"
#include "Printer.h"
#include "PrinterState.h"

#include <cstddef>
#include <cstdint>

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
        const size_t n = piece < size - at ? piece : size - at;
        parser.Feed(data + at, n);
        printer.TakeReplies();
        if (printer.restartRequested()) {
            parser.Reset();
            printer.PowerCycle();
        }
        at += n;
    }
    return 0;
}
