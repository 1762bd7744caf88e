#include "rollvane/cli/DiscoverCommand.h"

#include "rollvane/cli/AddressRange.h"
#include "rollvane/cli/CommandOptions.h"
#include "rollvane/cli/JsonWriter.h"
#include "rollvane/cli/ResultJson.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/link/NumberText.h"
#include "rollvane/link/PrinterDiscovery.h"
#include "rollvane/link/StatusMeaning.h"

#include <algorithm>
#include <array>

namespace rollvane {

namespace {

// Ten minutes: longer is surely a typing error, and keeps the number far from overflow.
constexpr uint32_t kLongestTimeoutMs = 600000;

// The table's columns; the last two only with --identify. Widths fit the longest value:
// "255.255.255.255", "busy: check the printer", a 12-character model code.
struct Column {
    const char *title;
    std::size_t width;
};
constexpr std::array<Column, 5> kColumns = {
    {{"ADDRESS", 15}, {"STATUS", 6}, {"MEANING", 23}, {"MODEL", 12}, {"FIRMWARE", 8}}};
constexpr std::size_t kPlainColumns = 3;

std::string TableLine(const std::vector<std::string> &cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        line += cells[i];
        if (i + 1 < cells.size()) {
            line += std::string(kColumns[i].width + 2 - std::min(cells[i].size(), kColumns[i].width + 1), ' ');
        }
    }
    return line + "\n";
}

std::vector<std::string> Cells(const FoundPrinter &printer, bool identify)
{
    std::vector<std::string> cells = {NumberText::DottedText(printer.address), StatusMeaning::Hex(printer.status),
                                      StatusMeaning::Text(printer.status)};
    if (identify) {
        cells.push_back(printer.modelCode.empty() ? "-" : printer.modelCode);
        cells.push_back(printer.firmware.empty() ? "-" : printer.firmware);
    }
    return cells;
}

void WriteJson(JsonWriter &json, const std::vector<FoundPrinter> &found, bool identify)
{
    const auto stringOrNull = [&json](const std::string &text) { text.empty() ? json.Null() : json.String(text); };
    json.Key("printers");
    json.BeginArray();
    for (const FoundPrinter &printer : found) {
        json.BeginObject();
        json.Key("address");
        json.String(NumberText::DottedText(printer.address));
        ResultJson::StatusFields(json, printer.status);
        if (identify) {
            json.Key("model");
            stringOrNull(printer.modelCode);
            json.Key("firmware");
            stringOrNull(printer.firmware);
        }
        json.EndObject();
    }
    json.EndArray();
}

bool ReadTimeout(const std::string &text, uint32_t *timeoutMs)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *timeoutMs = static_cast<uint32_t>(std::stoul(text));
    return *timeoutMs > 0 && *timeoutMs <= kLongestTimeoutMs;
}

}  // namespace

const char *DiscoverCommand::help() const
{
    return "Finds the printers on the network: sends the status request to UDP port 3000 of the broadcast\n"
           "address of every IPv4 interface that is up (loopback left out), or of every address of\n"
           "--range A.B.C.D-E.F.G.H (both ends included) or --subnet A.B.C.D/N (its hosts), all at once,\n"
           "and lists every printer that answers within --timeout MS (1500 unless given; 1 to 600000) by\n"
           "address, with its status byte and meaning as status prints them:\n"
           "  ADDRESS          STATUS  MEANING\n"
           "  192.168.1.10     0x00    ready\n"
           "--identify also asks each printer found for its model code and firmware version over TCP\n"
           "port 9100, all printers at once, each within 1000 ms to connect and 2000 ms per reply; \"-\"\n"
           "when a printer did not say. With --json the result is \"printers\": one object per printer\n"
           "with address, byte, hex and meaning, and with --identify model and firmware (null when not\n"
           "said). Needs no printer set up and no inifile.inf; the interface options are not used.\n"
           "Exit status 0 when at least one printer answered, 1 when none did or the search could not\n"
           "be made (the reason on standard error), 2 for a usage error.\n";
}

int DiscoverCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    return RunOnFiles(context.ui, context.out, context.errors, args);
}

int DiscoverCommand::RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                                const std::vector<std::string> &args)
{
    const auto refuse = [&errors](const std::string &why) {
        errors << "rollvane-cli: discover: " << why << "\n";
        return kUsageError;
    };
    DiscoveryRequest request;
    CommandOptions read;
    std::string error;
    if (!read.Parse(args, {"--timeout", "--range", "--subnet"}, flags(), &error)) {
        return refuse(error);
    }
    request.identify = read.flag("--identify");
    if (!read.words().empty()) {
        return refuse("unexpected argument " + read.words()[0]);
    }
    const std::string *timeout = read.value("--timeout");
    if (timeout && !ReadTimeout(*timeout, &request.timeoutMs)) {
        return refuse("--timeout takes a number of milliseconds from 1 to " + std::to_string(kLongestTimeoutMs) +
                      ", not \"" + *timeout + "\"");
    }
    const std::string *range = read.value("--range");
    const std::string *subnet = read.value("--subnet");
    if (range && subnet) {
        return refuse("--range and --subnet cannot be given together");
    }
    if (range && !AddressRange::FromRange(*range, &request.addresses, &error)) {
        return refuse(error);
    }
    if (subnet && !AddressRange::FromSubnet(*subnet, &request.addresses, &error)) {
        return refuse(error);
    }

    PrinterDiscovery discovery;
    std::vector<FoundPrinter> found;
    const bool searched = discovery.Find(request, &found, &error);
    JsonWriter *json = ui.json();
    if (json) {
        WriteJson(*json, found, request.identify);
    }
    if (!searched) {
        errors << "rollvane-cli: discover: " << error << "\n";
        return 1;
    }
    if (found.empty()) {
        errors << "rollvane-cli: discover: no printer answered within " << request.timeoutMs << " ms\n";
        return 1;
    }
    if (!json) {
        std::vector<std::string> titles;
        const std::size_t shown = request.identify ? kColumns.size() : kPlainColumns;
        for (std::size_t i = 0; i < shown; ++i) {
            titles.push_back(kColumns[i].title);
        }
        out << TableLine(titles);
        for (const FoundPrinter &printer : found) {
            out << TableLine(Cells(printer, request.identify));
        }
    }
    return 0;
}

}  // namespace rollvane
