#include "ReceiptPreview.h"

#include "CommandParser.h"
#include "Faults.h"
#include "Printer.h"
#include "PrinterState.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

int ReceiptPreview::Render(const std::vector<uint8_t> &bytes, const std::string &folder, std::string *problem)
{
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        *problem = "cannot make the folder " + folder + ": " + std::strerror(errno);
        return -1;
    }
    PrinterState state;
    Faults faults;
    std::string failed;
    Printer printer(state, faults, folder, "", [&failed](const std::string &line) {
        if (line.find("(write failed)") != std::string::npos)
            failed = line;
    });
    CommandParser parser(printer);
    // The engine stops a feed after each receipt it writes; the rest follows.
    for (std::size_t taken = 0; taken < bytes.size();)
        taken += parser.Feed(bytes.data() + taken, bytes.size() - taken);
    if (printer.contentStarted()) {
        const uint8_t cut[] = {0x1B, 0x69};
        parser.Feed(cut, sizeof cut);
    }
    printer.Flush();  // the pictures are written on a thread of the printer's
    if (!failed.empty()) {
        *problem = "a picture could not be written in " + folder;
        return -1;
    }
    return printer.receiptsWritten();
}
