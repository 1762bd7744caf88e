// The fault matrix: rollvane-cli's six actions against a printer with one fault each, over the
// network and over a serial line. Each row is a fault, each cell one run of the program against
// a printer of its own (the real kova-sim, or a printer scripted here where kova-sim has no such
// fault); all cells run side by side, each on a loopback address or a pseudo-terminal of its
// own. A cell holds the exit status, standard output and standard error the action must give,
// the time-outs the program is bound by, and what becomes of the files the action was given.
// The matrix is printed; a cell marked with a fault of the program is reported, not failed.
#include "tests/e2e/ScriptedPrinter.h"
#include "tests/graphics/Bmp.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

using graphics_testing::Bmp;
using testing_support::ChildProcess;
using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::ScriptedPrinter;
using testing_support::TempDir;
using Bytes = std::vector<uint8_t>;
using SteadyClock = std::chrono::steady_clock;

enum class Line {
    Network,
    Serial
};

constexpr int kActions = 6;
const char *const kActionNames[kActions] = {"status",       "load-printer -o", "change-settings",
                                            "print-config", "download-images", "print-image"};

std::vector<std::string> ActionArguments(int action)
{
    switch (action) {
    case 0:
        return {"status", "--raw"};
    case 1:
        return {"load-printer", "-o", "out.txt"};
    case 2:
        return {"change-settings", "settings.txt"};
    case 3:
        return {"print-config"};
    case 4:
        // A converted row and a file sent as it is.
        return {"download-images", "--image", "5:logo.bmp:200:center", "--image", "7:small.bmp"};
    default:
        return {"print-image", "5"};
    }
}

// Who plays the printer of a row.
enum class Printer {
    Sim,        // kova-sim with the row's options
    PortHeld,   // kova-sim, its line held exclusively by the test
    NoLibrary,  // kova-sim, and rollvane-cli run from a bin/ and lib/ pair without libqlnk.so.1
    Garbage,    // scripted: every reply has the right length and holds "GARBAGE!"
    Short,      // scripted: a configuration word comes as its first byte only
    Flood,      // scripted: a configuration word comes 2048 times over (4096 bytes)
};

// What becomes of out.txt, the -o target, which holds old content before the action.
enum class Output {
    Kept,      // exactly as it was
    Healthy,   // the settings a healthy kova-sim gives on this line
    Complete,  // a whole settings file: every item of the healthy one, line for line
};

// The time a cell may take beyond the time-outs of the program.
// Sanitizer builds run the program several times slower, with every cell running at once.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kMarginSeconds = 8;
constexpr int kCellsAtOnce = 32;
#else
constexpr double kMarginSeconds = 4;
constexpr int kCellsAtOnce = 64;
#endif

// What one action must give. err is a pattern: {S} stands for the status channel, {D} for the
// data channel as the cause lines name them, {re:...} for a regular expression; the rest is
// literal. seconds: the time-outs the program is bound by (the margin is added). n: the byte
// count of a --drop-after in the row's options. receipts: how many kova-sim writes (-1: not
// counted; a scripted printer prints none). fault: a fault of the program the cell shows.
struct Cell {
    int exit = 0;
    std::string out;
    std::string err;
    double seconds = 0;
    Output output = Output::Kept;
    int n = 0;
    int receipts = -1;
    const char *fault = nullptr;
};
using Cells = std::array<Cell, kActions>;

struct Row {
    const char *name;
    Printer printer;
    std::vector<std::string> options;  // kova-sim's; "{n}" takes the cell's n
    std::optional<Cells> network;
    std::optional<Cells> serial;
};

std::string Timeout(const std::string &cause)
{
    return "Error: Timeout while sending data block!\n  cause: " + cause + "\n";
}

const std::string kBusy = "Interface Busy: Please check for any error condition on printer!\n";
const std::string kSaved = "Saved Properties:  Properties Saved!\n";
const std::string kPaperOut = "Error: Receipt paper is out!\n";
const std::string kDoneNetwork = "Complete: Change Settings Complete.\n\n";
// The file read over the serial line holds the interface items, so the program asks for them.
const std::string kDoneSerial = "Complete: Change Settings Complete.\nAnd please reset the communication parameter.\n"
                                "Interface Properties: set the interface options (--port, --baud, ...) to match the "
                                "printer for the next command.\n";
const std::string kHeld = "Error: Unable to get serial port handle!\n  cause: {D}: open: Device or resource busy\n";
const std::string kNoLibrary = Timeout("{S}: status request: the channel did not open: cannot load libqlnk.so.1: "
                                       "libqlnk.so.1: cannot open shared object file: No such file or directory");
const std::string kSilentNetwork = Timeout("{S}: receive: no reply within 10000 ms");
const std::string kSilentSerial = Timeout("{S}: receive: no reply within 1000 ms");
const std::string kClosed = Timeout("{D}: receive: the printer closed the connection");
// The line hung up: said as such, not as a time-out, which was not waited for.
const std::string kHungUp = Timeout("{D}: receive: the line hung up (the printer or its cable went away)");
const std::string kDownloaded = "Message: Download Finished !\n";
const std::string kSetupData = "Error: Error in SetupData!\n  cause: {D}: {re:[^\n]+}\n";

// The cells of a healthy printer.
Cells HealthyNetwork()
{
    return {{{0, "0x00\n", "", 1},
             {0, "", kSaved, 1, Output::Healthy},
             {0, "", kDoneNetwork, 7},
             {0, "", "", 5, Output::Kept, 0, 1},
             {0, "", kDownloaded, 2, Output::Kept, 0, 0},
             {0, "", "", 2, Output::Kept, 0, 1}}};
}
Cells HealthySerial()
{
    return {{{0, "0x00\n", "", 0},
             {0, "", kSaved, 0, Output::Healthy},
             {0, "", kDoneSerial, 5},
             {0, "", "", 3, Output::Kept, 0, 1},
             {0, "", kDownloaded, 1, Output::Kept, 0, 0},
             {0, "", "", 1, Output::Kept, 0, 1}}};
}
// Every action stops at its first status with the same message, and nothing prints.
Cells EveryAction(const Cell &status, const std::string &err, double seconds)
{
    Cells cells;
    cells.fill({status.exit, "", err, seconds, Output::Kept, 0, 0});
    cells[0] = status;
    return cells;
}
// Healthy but for the printout, which the paper sensor stops. print-image asks the status only,
// and kova-sim prints whatever its paper sensor says.
Cells PaperFault(Cells cells, const std::string &err, double seconds)
{
    cells[3] = {1, "", err, seconds, Output::Kept, 0, 0};
    return cells;
}

// The time-outs: a network status waits up to 1 s for the next whole second and 10 s for the
// reply, a serial one 1 s for the reply (each status attempt); Load Printer, Download and Print
// the Selected BMP make two status attempts, Change Settings and Print Configuration one and then
// two more; a network receive waits 10 s; after the settings the program waits past 2 and then 1
// whole second (up to 5 s), after the printout past 2 (up to 3 s), after a file sent as it is,
// after the last converted image and after a printed image past the next whole second (up to
// 1 s), before it looks whether the printer is still there.
const std::vector<Row> &Rows()
{
    static const std::vector<Row> rows = {
        {"healthy", Printer::Sim, {}, HealthyNetwork(), HealthySerial()},
        {"silent",
         Printer::Sim,
         {"--silent"},
         Cells{{{1, "", kSilentNetwork, 11},
                {1, "", kSilentNetwork, 22},
                {1, "", kSilentNetwork, 33},
                {1, "", kSilentNetwork, 33},
                {1, "", kSilentNetwork, 22, Output::Kept, 0, 0},
                {1, "", kSilentNetwork, 22, Output::Kept, 0, 0}}},
         Cells{{{1, "", kSilentSerial, 1},
                {1, "", kSilentSerial, 2},
                {1, "", kSilentSerial, 3},
                {1, "", kSilentSerial, 3},
                {1, "", kSilentSerial, 2, Output::Kept, 0, 0},
                {1, "", kSilentSerial, 2, Output::Kept, 0, 0}}}},
        {"busy (status 08)",
         Printer::Sim,
         {"--status", "08"},
         EveryAction({1, "0x08\n", kBusy, 1}, kBusy, 1),
         EveryAction({1, "0x08\n", kBusy, 0}, kBusy, 0)},
        {"no status (status FF)",
         Printer::Sim,
         {"--status", "FF"},
         EveryAction({1, "0xFF\n", kBusy, 1}, kBusy, 1),
         EveryAction({1, "0xFF\n", kBusy, 0}, kBusy, 0)},
        {"paper out (04)",
         Printer::Sim,
         {"--paper", "04"},
         PaperFault(HealthyNetwork(), kPaperOut, 2),
         PaperFault(HealthySerial(), kPaperOut, 0)},
        {"cover open (02)",
         Printer::Sim,
         {"--paper", "02"},
         PaperFault(HealthyNetwork(), "Error: Receipt cover or front cover is opened!\n", 2),
         PaperFault(HealthySerial(), "Error: Receipt cover or front cover is opened!\n", 0)},
        {"knife jam (08)",
         Printer::Sim,
         {"--paper", "08"},
         PaperFault(HealthyNetwork(), "Error: Knife or Slip is jammed!\n", 2),
         PaperFault(HealthySerial(), "Error: Knife or Slip is jammed!\n", 0)},
        // Dropped inside each action: the status over the network has no data link to drop; the
        // load in its 11th configuration read after "1F"; the write in the model query after
        // "1D 49", whose reply the program waits for (dropped among the set commands, the drop
        // can go unseen: every later send may be taken by the system before the printer has
        // closed); the printout in the paper-sensor request after "1B"; the download 100 bytes
        // into small.bmp, which follows the two configuration reads (12 bytes), logo.bmp's
        // select (4) and its converted image (7262) and small.bmp's select (4); print-image
        // after the image's select "1F 30 05". The system takes every block sent after the drop;
        // the download and the print see the dropped link when they look at it after their wait.
        // Over a serial line the status request comes
        // first, 2 bytes more. A serial line hangs up: its reads end at once, so no time-out was
        // waited for.
        {"dropped after n bytes",
         Printer::Sim,
         {"--drop-after", "{n}"},
         Cells{{{0, "0x00\n", "", 1, Output::Kept, 1},
                {1, "", kClosed, 1, Output::Kept, 64},
                {1, "", Timeout("{D}: send: {re:(Broken pipe|Connection reset by peer)}"), 2, Output::Kept, 10},
                {1, "", kClosed, 2, Output::Kept, 4},
                {1, "", kSetupData, 2, Output::Kept, 7382, 0},
                {1, "", Timeout("{D}: send: {re:[^\n]+}"), 2, Output::Kept, 3, 0}}},
         Cells{{{1, "", kHungUp, 0, Output::Kept, 1},
                {1, "", kHungUp, 0, Output::Kept, 66},
                {1, "", Timeout("{D}: send: Input/output error"), 0, Output::Kept, 54},
                {1, "", kHungUp, 0, Output::Kept, 8},
                {1, "", kSetupData, 1, Output::Kept, 7384, 0},
                {1, "", Timeout("{D}: send: {re:[^\n]+}"), 1, Output::Kept, 5, 0}}}},
        // The printer stays away for 6 s after the settings; the program waits its fixed time
        // and reports the write as complete.
        {"slow restart (6 s)", Printer::Sim, {"--slow-restart", "6"}, HealthyNetwork(), HealthySerial()},
        {"port held by another program", Printer::PortHeld, {}, std::nullopt, EveryAction({1, "", kHeld, 0}, kHeld, 0)},
        {"libqlnk.so.1 missing",
         Printer::NoLibrary,
         {},
         EveryAction({1, "", kNoLibrary, 0}, kNoLibrary, 0),
         std::nullopt},
        // Only bit 3 of the status byte counts, so "A" (network) and "G" (serial) are ready; the
        // paper sensor's "G" has the paper-out bit set.
        {"hostile: garbage",
         Printer::Garbage,
         {},
         Cells{{{0, "0x41\n", "", 1},
                {0, "", kSaved, 1, Output::Complete},
                {0, "", kDoneNetwork, 7},
                {1, "", kPaperOut, 2},
                {0, "", kDownloaded, 2},
                {0, "", "", 1}}},
         Cells{{{0, "0x47\n", "", 0},
                {0, "", kSaved, 0, Output::Complete},
                {0, "", kDoneSerial, 5},
                {1, "", kPaperOut, 0},
                {0, "", kDownloaded, 1},
                {0, "", "", 0}}}},
        {"hostile: short replies",
         Printer::Short,
         {},
         [] {
             Cells cells = HealthyNetwork();
             cells[1] = {1, "", Timeout("{D}: receive: a short reply: 1 of 2 bytes within 10000 ms"), 11};
             cells[4] = {1, "", cells[1].err, 11};
             return cells;
         }(),
         [] {
             Cells cells = HealthySerial();
             cells[1] = {1, "", Timeout("{D}: receive: no reply within 1000 ms (1 of 2 bytes came)"), 1};
             cells[4] = {1, "", cells[1].err, 1};
             return cells;
         }()},
        // The serial line discards what came unread before each request; the network must not take
        // the rest of a flood as the replies to the next requests either.
        {"hostile: flood", Printer::Flood, {}, HealthyNetwork(), HealthySerial()},
    };
    return rows;
}

// ---- what the healthy printer gives, read first ----

std::string SerialProfile(const std::string &device)
{
    return "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\nF.CONTROL=Xon/Xoff\nCOMMUNICATION=0\n"
           "[DEVICES]\nCOM3=" +
           device + "\n";
}

struct Healthy {
    std::string reference;  // load-printer's file
    std::string settings;   // the same with one item changed
    ScriptedPrinter::Replies replies;
    std::string problem;
};

Bytes Hex(const std::string &text)
{
    Bytes bytes;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(pair, nullptr, 16)));
    }
    return bytes;
}

// The replies in a trace, each under the block sent last before it. A block shown cut short is
// completed with spaces (the program reads no byte of those).
ScriptedPrinter::Replies RepliesIn(const std::string &trace)
{
    static const std::regex block(" (send|recv) (\\d+) bytes?: ([0-9A-F ]+?)( \\.\\.\\.)?$");
    ScriptedPrinter::Replies replies;
    Bytes sent;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, block)) {
            continue;
        }
        Bytes bytes = Hex(m[3]);
        if (m[1] == "send") {
            sent = bytes;
        } else {
            bytes.resize(std::stoul(m[2]), ' ');
            replies.emplace(sent, bytes);
        }
    }
    return replies;
}

std::optional<std::string> StartSim(ChildProcess &sim, const TempDir &dir, std::vector<std::string> options)
{
    std::filesystem::create_directory(dir.file("out"));
    std::vector<std::string> argv = {ProcessRunner::BuiltProgram("kova-sim"), "--out", dir.file("out"),
                                     "--restart-seconds", "1"};
    argv.insert(argv.end(), options.begin(), options.end());
    const std::string log = dir.file("sim.log");
    if (!sim.Start(argv, log)) {
        return "kova-sim did not start";
    }
    for (int i = 0; i < 400 && TempDir::Read(log).find("kova-sim ready") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    if (TempDir::Read(log).find("kova-sim ready") == std::string::npos) {
        return "kova-sim not ready: " + TempDir::Read(log);
    }
    return std::nullopt;
}

std::vector<std::string> SimLineOptions(Line line, const std::string &address, const std::string &tty)
{
    if (line == Line::Network) {
        return {"--address", address};
    }
    return {"--tcp-port", "0", "--udp-port", "0", "--serial-link", tty};
}

std::vector<std::string> InterfaceOptions(Line line, const std::string &address)
{
    return line == Line::Network ? std::vector<std::string>{"--port", "LAN", "--ip", address}
                                 : std::vector<std::string>{};
}

Healthy ReadHealthy(Line line, const std::string &address)
{
    Healthy healthy;
    TempDir dir;
    TempDir::Write(dir.file("inifile.inf"), SerialProfile(dir.file("tty")));
    ChildProcess sim;
    if (auto problem = StartSim(sim, dir, SimLineOptions(line, address, dir.file("tty")))) {
        healthy.problem = *problem;
        return healthy;
    }
    auto arguments = InterfaceOptions(line, address);
    arguments.insert(arguments.end(), {"--trace=trace.txt", "load-printer", "-o", "healthy.txt"});
    const ProcessResult load = ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
    healthy.reference = TempDir::Read(dir.file("healthy.txt"));
    const std::string enabled = "\r\nKnife   =Enabled \r\n";
    const std::size_t knife = healthy.reference.find(enabled);
    if (load.exitCode != 0 || knife == std::string::npos) {
        healthy.problem = "load-printer from a healthy printer: exit " + std::to_string(load.exitCode) + ": " +
                          load.err + healthy.reference;
        return healthy;
    }
    healthy.settings = healthy.reference;
    healthy.settings.replace(knife, enabled.size(), "\r\nKnife   =Disabled \r\n");
    healthy.replies = RepliesIn(TempDir::Read(dir.file("trace.txt")));
    return healthy;
}

// The scripted printers answer as the healthy one did, but for the fault.
ScriptedPrinter::Replies HostileReplies(Printer printer, ScriptedPrinter::Replies replies)
{
    replies[{0x1B, 0x76}] = {0x00};  // the paper sensor: all well
    for (auto &[request, reply] : replies) {
        const bool configWord = request.size() == 3 && request[0] == 0x1F && request[1] == 0x31;
        if (printer == Printer::Garbage) {
            for (std::size_t i = 0; i < reply.size(); ++i) {
                reply[i] = static_cast<uint8_t>("GARBAGE!"[i % 8]);
            }
        } else if (printer == Printer::Short && configWord) {
            reply.resize(1);
        } else if (printer == Printer::Flood && configWord) {
            Bytes flood;
            for (int i = 0; i < 2048; ++i) {
                flood.insert(flood.end(), reply.begin(), reply.end());
            }
            reply = flood;
        }
    }
    return replies;
}

// ---- one cell ----

std::string RegexEscaped(const std::string &text)
{
    static const std::string syntax = "\\^$.|?*+()[]{}";
    std::string out;
    for (char c : text) {
        if (syntax.find(c) != std::string::npos) {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::regex Expand(const std::string &pattern, const std::string &statusPlace, const std::string &dataPlace)
{
    std::string regex;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 3, "{S}") == 0 || pattern.compare(i, 3, "{D}") == 0) {
            regex += RegexEscaped(pattern[i + 1] == 'S' ? statusPlace : dataPlace);
            i += 3;
        } else if (pattern.compare(i, 4, "{re:") == 0) {
            const std::size_t end = pattern.find('}', i);
            regex += pattern.substr(i + 4, end - i - 4);
            i = end + 1;
        } else {
            regex += RegexEscaped(pattern.substr(i, 1));
            ++i;
        }
    }
    return std::regex(regex);
}

// The regular files of a folder and their content.
std::map<std::string, std::string> Files(const std::string &folder)
{
    std::map<std::string, std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file() && !entry.is_symlink()) {
            files[entry.path().filename()] = TempDir::Read(entry.path());
        }
    }
    return files;
}

std::vector<std::string> Lines(const std::string &file)
{
    std::vector<std::string> lines;
    std::istringstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The item names of a settings file, line for line.
std::vector<std::string> Labels(const std::string &file)
{
    std::vector<std::string> labels;
    for (const std::string &line : Lines(file)) {
        labels.push_back(line.substr(0, line.find('=')));
    }
    return labels;
}

std::string Shown(const std::string &text)
{
    std::string out;
    for (char c : text) {
        out += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    }
    return "\"" + out + "\"";
}

// The lines in which a file differs from what was wanted, as "found (wanted)", the first few.
std::string DifferingLines(const std::string &found, const std::string &wanted)
{
    const auto a = Lines(found);
    const auto b = Lines(wanted);
    std::string text;
    int shown = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) && shown < 8; ++i) {
        const std::string x = i < a.size() ? a[i] : "";
        const std::string y = i < b.size() ? b[i] : "";
        if (x != y) {
            text += (shown++ ? ", " : "") + Shown(x) + " (" + Shown(y) + ")";
        }
    }
    return text;
}

struct Outcome {
    std::string cell = "not run";
    std::string details;
    double seconds = 0;
    bool ok = false;
};

struct Matrix {
    std::map<Line, Healthy> healthy;
    std::string programWithoutLibrary;
};

Outcome RunCell(const Matrix &matrix, const Row &row, Line line, int action, const Cell &cell,
                const std::string &address)
{
    Outcome outcome;
    TempDir work;     // the program's folder: inifile.inf, settings.txt, out.txt and two pictures
    TempDir printer;  // the printer's: its line, log and receipts
    const std::string tty = printer.file("tty");
    const Healthy &healthy = matrix.healthy.at(line);
    const std::string old = "[Properties settings]:\r\nKnife   =old content \r\n";
    TempDir::Write(work.file("inifile.inf"), SerialProfile(tty));
    TempDir::Write(work.file("settings.txt"), healthy.settings);
    TempDir::Write(work.file("out.txt"), old);
    // A logo converted on the way and a small picture sent as it is.
    const auto logo = [](int x, int y) { return x < 2 || y < 2 || x >= 198 || y >= 98 || (x + y) % 7 == 0 ? 0 : 1; };
    TempDir::Write(work.file("logo.bmp"), Bmp{200, 100, 1, logo}.Bytes());
    TempDir::Write(work.file("small.bmp"), Bmp{64, 32, 1, [](int x, int y) { return (x / 8 + y / 8) % 2; }}.Bytes());
    const auto before = Files(work.path());

    ChildProcess sim;
    std::optional<ScriptedPrinter> scripted;
    int held = -1;
    std::optional<std::string> problem;
    if (row.printer == Printer::Sim || row.printer == Printer::PortHeld || row.printer == Printer::NoLibrary) {
        std::vector<std::string> options = SimLineOptions(line, address, tty);
        for (const std::string &option : row.options) {
            options.push_back(option == "{n}" ? std::to_string(cell.n) : option);
        }
        problem = StartSim(sim, printer, options);
    } else {
        scripted.emplace(HostileReplies(row.printer, healthy.replies));
        if (!(line == Line::Network ? scripted->ListenOnNetwork(address) : scripted->OfferSerialLine(tty))) {
            problem = "scripted printer: " + scripted->error();
        }
    }
    if (!problem && row.printer == Printer::PortHeld) {
        // Held as another program holding the port would: TIOCEXCL, and the lock SerialPort takes.
        held = open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (held < 0 || flock(held, LOCK_EX | LOCK_NB) != 0 || ioctl(held, TIOCEXCL) != 0) {
            problem = "cannot hold " + tty;
        }
    }
    if (problem) {
        outcome.cell = "no printer";
        outcome.details = *problem;
        return outcome;
    }

    std::vector<std::string> arguments = InterfaceOptions(line, address);
    const auto actionArguments = ActionArguments(action);
    arguments.insert(arguments.end(), actionArguments.begin(), actionArguments.end());
    const std::string program =
        row.printer == Printer::NoLibrary ? matrix.programWithoutLibrary : ProcessRunner::BuiltProgram("rollvane-cli");
    const auto limit = std::chrono::seconds(static_cast<int>(cell.seconds + kMarginSeconds) + 20);
    const auto start = SteadyClock::now();
    const ProcessResult result = ProcessRunner::Run(program, arguments, work.path(), limit);
    outcome.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    if (held >= 0) {
        ioctl(held, TIOCNXCL);
        close(held);
    }
    // kova-sim writes a receipt a moment after the cut it takes; it is counted once it stopped.
    std::optional<int> receipts;
    if (sim.running() && cell.receipts >= 0) {
        const auto count = [&printer] {
            int n = 0;
            for (const auto &entry : std::filesystem::directory_iterator(printer.file("out"))) {
                n += entry.path().extension() == ".png";
            }
            return n;
        };
        for (int i = 0; i < 80 && count() < cell.receipts; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        sim.Stop();
        receipts = count();
    }

    const std::string channel = line == Line::Network ? "LAN " + address : "COM3 (" + tty + ")";
    const std::string statusPlace = line == Line::Network ? channel + ":3000 (UDP status channel)" : channel;
    const std::string dataPlace = line == Line::Network ? channel + ":9100 (TCP data channel)" : channel;
    std::vector<std::string> differences;
    std::ostringstream details;
    if (result.exitCode < 0) {
        differences.push_back("hang, killed");
    } else if (result.exitCode != cell.exit) {
        differences.push_back("exit " + std::to_string(result.exitCode));
    }
    if (result.out != cell.out) {
        differences.push_back("stdout");
        details << "    stdout " << Shown(result.out) << ", expected " << Shown(cell.out) << "\n";
    }
    const bool errMatches = std::regex_match(result.err, Expand(cell.err, statusPlace, dataPlace));
    if (!errMatches) {
        differences.push_back("stderr");
    }
    if (receipts && *receipts != cell.receipts) {
        differences.push_back(std::to_string(*receipts) + " receipts");
    }
    if (outcome.seconds > cell.seconds + kMarginSeconds) {
        std::ostringstream text;
        text << std::fixed << std::setprecision(1) << outcome.seconds << "s>" << cell.seconds + kMarginSeconds << "s";
        differences.push_back(text.str());
    }
    const auto after = Files(work.path());
    for (const auto &[name, content] : after) {
        if (!before.count(name)) {
            differences.push_back("new file " + name);
        }
    }
    for (const auto &[name, content] : before) {
        const auto now = after.find(name);
        const std::string found = now == after.end() ? std::string() : now->second;
        std::string wanted = content;
        if (name == "out.txt" && cell.output == Output::Healthy) {
            wanted = healthy.reference;
        }
        const bool expected = now != after.end() && (name == "out.txt" && cell.output == Output::Complete
                                                         ? Labels(found) == Labels(healthy.reference)
                                                         : found == wanted);
        if (!expected) {
            const char *what = now == after.end()                                 ? " gone"
                               : found == content                                 ? " not written"
                               : cell.output == Output::Kept || name != "out.txt" ? " changed"
                                                                                  : " wrong";
            differences.push_back(name + what);
            details << "    " << name << ": " << DifferingLines(found, wanted) << "\n";
        }
    }
    if (!differences.empty()) {
        details << "    stderr " << Shown(result.err) << "\n";
    }
    if (!errMatches) {
        details << "      expected " << Shown(cell.err) << "\n";
    }

    outcome.ok = differences.empty();
    std::string joined;
    for (const auto &difference : differences) {
        joined += (joined.empty() ? "" : ", ") + difference;
    }
    if (cell.fault) {
        outcome.cell = outcome.ok ? "ok (marked fault gone)" : "FAULT: " + joined;
        details << "    marked fault: " << cell.fault << "\n";
    } else {
        outcome.cell = outcome.ok ? "ok" : joined;
    }
    outcome.details = details.str();
    return outcome;
}

void PrintTable(const std::string &title, const std::vector<std::string> &names,
                const std::vector<std::array<std::string, kActions>> &cells)
{
    std::size_t first = 5;
    std::array<std::size_t, kActions> widths{};
    for (std::size_t r = 0; r < names.size(); ++r) {
        first = std::max(first, names[r].size());
        for (int a = 0; a < kActions; ++a) {
            widths[a] = std::max({widths[a], cells[r][a].size(), std::string(kActionNames[a]).size()});
        }
    }
    std::cout << "\n" << title << "\n" << std::left << std::setw(static_cast<int>(first)) << "fault";
    for (int a = 0; a < kActions; ++a) {
        std::cout << " | " << std::setw(static_cast<int>(widths[a])) << kActionNames[a];
    }
    std::cout << "\n";
    for (std::size_t r = 0; r < names.size(); ++r) {
        std::cout << std::setw(static_cast<int>(first)) << names[r];
        for (int a = 0; a < kActions; ++a) {
            std::cout << " | " << std::setw(static_cast<int>(widths[a])) << cells[r][a];
        }
        std::cout << "\n";
    }
}

}  // namespace

TEST(FaultMatrix, EveryFaultEveryActionOnBothLines)
{
    const auto wallStart = SteadyClock::now();
    Matrix matrix;
    {
        std::thread serial([&] { matrix.healthy[Line::Serial] = ReadHealthy(Line::Serial, "127.0.2.1"); });
        Healthy network = ReadHealthy(Line::Network, "127.0.2.2");
        serial.join();
        // The write asks for the model and the firmware on both lines; only the serial load
        // does, so the scripted network printer takes those replies from the serial trace.
        const auto &serialReplies = matrix.healthy[Line::Serial].replies;
        network.replies.insert(serialReplies.begin(), serialReplies.end());
        matrix.healthy[Line::Network] = network;
    }
    for (const auto &[line, healthy] : matrix.healthy) {
        ASSERT_EQ(healthy.problem, "");
    }
    // The program and its core library in a bin/ and lib/ pair of their own, without libqlnk.
    TempDir copy;
    std::filesystem::create_directories(copy.file("bin"));
    std::filesystem::create_directories(copy.file("lib"));
    const char *libraries = std::getenv("ROLLVANE_LIB_DIR");
    ASSERT_NE(libraries, nullptr);
    std::filesystem::copy_file(ProcessRunner::BuiltProgram("rollvane-cli"), copy.file("bin/rollvane-cli"));
    std::filesystem::copy_file(std::string(libraries) + "/librollvane-core.so", copy.file("lib/librollvane-core.so"));
    matrix.programWithoutLibrary = copy.file("bin/rollvane-cli");

    struct Job {
        std::size_t row;
        Line line;
        int action;
        std::string address;
        Outcome outcome;
    };
    std::vector<Job> jobs;
    int nextAddress = 10;
    for (std::size_t r = 0; r < Rows().size(); ++r) {
        for (Line line : {Line::Network, Line::Serial}) {
            if (!(line == Line::Network ? Rows()[r].network : Rows()[r].serial)) {
                continue;
            }
            for (int action = 0; action < kActions; ++action) {
                jobs.push_back({r, line, action, "127.0.2." + std::to_string(nextAddress++), {}});
            }
        }
    }
    ASSERT_LT(nextAddress, 255);
    {
        // A pool of cells at once, the longest first: all 156 together (each a kova-sim and a
        // rollvane-cli starting) kept a 1 s serial reply waiting past its time-out on 2 cores.
        const auto cellOf = [](const Job &job) -> const Cell & {
            const Row &row = Rows()[job.row];
            return (job.line == Line::Network ? *row.network : *row.serial)[job.action];
        };
        std::vector<Job *> queue;
        for (Job &job : jobs) {
            queue.push_back(&job);
        }
        std::stable_sort(queue.begin(), queue.end(),
                         [&](const Job *a, const Job *b) { return cellOf(*a).seconds > cellOf(*b).seconds; });
        std::atomic<std::size_t> next{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kCellsAtOnce; ++i) {
            threads.emplace_back([&] {
                for (std::size_t k = next++; k < queue.size(); k = next++) {
                    Job &job = *queue[k];
                    job.outcome = RunCell(matrix, Rows()[job.row], job.line, job.action, cellOf(job), job.address);
                }
            });
        }
        for (auto &thread : threads) {
            thread.join();
        }
    }

    for (Line line : {Line::Network, Line::Serial}) {
        std::vector<std::string> names;
        std::vector<std::array<std::string, kActions>> cells;
        std::vector<std::array<std::string, kActions>> times;
        for (std::size_t r = 0; r < Rows().size(); ++r) {
            std::array<std::string, kActions> row;
            std::array<std::string, kActions> time;
            bool any = false;
            for (const Job &job : jobs) {
                if (job.row == r && job.line == line) {
                    row[job.action] = job.outcome.cell;
                    std::ostringstream text;
                    text << std::fixed << std::setprecision(1) << job.outcome.seconds << " s";
                    time[job.action] = text.str();
                    any = true;
                }
            }
            if (any) {
                names.push_back(Rows()[r].name);
                cells.push_back(row);
                times.push_back(time);
            }
        }
        const std::string lineName = line == Line::Network ? "network" : "serial line";
        PrintTable("Fault matrix, " + lineName + " (each cell \"ok\" or what differed):", names, cells);
        PrintTable("Time each action took, " + lineName + ":", names, times);
    }
    std::cout << "\n";
    for (const Job &job : jobs) {
        const Row &row = Rows()[job.row];
        if (!job.outcome.details.empty() || !job.outcome.ok) {
            std::cout << (job.line == Line::Network ? "network" : "serial") << ", " << row.name << ", "
                      << kActionNames[job.action] << ": " << job.outcome.cell << "\n"
                      << job.outcome.details;
        }
        const Cell &cell = (job.line == Line::Network ? *row.network : *row.serial)[job.action];
        EXPECT_TRUE(job.outcome.ok || cell.fault) << row.name << ", " << kActionNames[job.action];
    }
    std::cout << "Whole matrix: " << std::fixed << std::setprecision(1)
              << std::chrono::duration<double>(SteadyClock::now() - wallStart).count() << " s\n";
}
