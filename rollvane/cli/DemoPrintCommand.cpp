#include "rollvane/cli/DemoPrintCommand.h"

#include "platform/RealClock.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/ReceiptPreviewFile.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/printouts/DemoPage.h"

namespace rollvane {

const char *DemoPrintCommand::help() const
{
    return "Prints demo pattern N (1, 2 or 3) as \"Print Demo Pattern N\" does: DemoN.txt from the current\n"
           "folder, translated from its command text and sent to the printer as one block. A file with a\n"
           "syntax error sends an empty block, as the page does; \"demo-check FILE\" says where the error is.\n"
           "--preview OUT.png sends nothing and needs no printer: it draws the receipt the printer would\n"
           "print (more after each further cut: OUT-2.png, ...).\n";
}

namespace {

// The pattern number of the command line, 0 when it is not one; *preview the picture asked for.
int Pattern(const std::vector<std::string> &args, std::string *preview)
{
    std::vector<std::string> rest = args;
    if (rest.size() == 3 && rest[1] == "--preview") {
        *preview = rest[2];
        rest.resize(1);
    }
    if (rest.size() != 1 || (rest[0] != "1" && rest[0] != "2" && rest[0] != "3")) {
        return 0;
    }
    return rest[0][0] - '0';
}

}  // namespace

int DemoPrintCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    std::string preview;
    const int pattern = Pattern(args, &preview);
    if (pattern == 0) {
        context.errors << "rollvane-cli: demo-print needs one pattern number, 1, 2 or 3, and takes --preview OUT.png\n";
        return kUsageError;
    }
    context.window.demoPage().PrintDemoPattern(pattern);
    return 0;
}

bool DemoPrintCommand::worksOnFilesOnly(const std::vector<std::string> &args) const
{
    std::string preview;
    return Pattern(args, &preview) != 0 && !preview.empty();
}

int DemoPrintCommand::RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream & /*errors*/,
                                 const std::vector<std::string> &args)
{
    std::string preview;
    const int pattern = Pattern(args, &preview);
    // The page wants a link; the preview never opens it.
    platform::RealClock clock;
    PrinterLink link(ui, clock);
    InterfaceSettings interface;
    DemoPage page(link, interface);
    std::vector<uint8_t> bytes;
    if (page.Translate(pattern, &bytes)) {
        ReceiptPreviewFile::Write(bytes, preview, ui, out);
    }
    return 0;
}

}  // namespace rollvane
