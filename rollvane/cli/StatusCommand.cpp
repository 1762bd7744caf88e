#include "rollvane/cli/StatusCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/link/PrinterLink.h"

#include <cstdio>
#include <iostream>

namespace rollvane {

const char *StatusCommand::Help() const
{
    return "Opens the port, asks the printer for its status byte and prints it in hexadecimal (0x00 is\n"
           "ready). A busy printer (bit 3 set) is reported as \"Interface Busy\" and gives exit status 1.\n";
}

int StatusCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    if (!args.empty()) {
        std::cerr << "rollvane-cli: status takes no arguments\n";
        return kUsageError;
    }
    PrinterLink &link = context.window.link();
    const InterfaceSettings &s = context.window.interfaceDialog().settings();
    UserInterface &ui = context.window.ui();
    if (!link.Open(s.portText)) {
        ui.ShowMessage("Unable to get serial port handle!", "Error", MessageIcon::Stop);
        return 0;
    }
    link.Configure(s.portText, s.baudRate, s.parityText, s.dataBits, s.stopBits, s.ipAddress);
    uint8_t status[PrinterLink::kStatusBufferSize] = {};
    const bool answered = link.QueryStatus(status);
    link.Close();
    if (!answered) {
        ui.ShowMessage("Timeout while sending data block!", "Error", MessageIcon::Exclamation);
        return 0;
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", status[0]);
    context.out << text << "\n";
    if (PrinterLink::IsBusy(status[0])) {
        ui.ShowMessage("Please check for any error condition on printer!", "Interface Busy",
                       MessageIcon::Exclamation);
    }
    return 0;
}

}  // namespace rollvane
