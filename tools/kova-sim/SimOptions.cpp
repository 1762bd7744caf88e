#include "SimOptions.h"

#include "PrinterState.h"

#include <arpa/inet.h>

namespace {

bool TakePort(const std::string &text, int &port)
{
    const auto v = Faults::ParseCount(text, 65535);
    if (!v)
        return false;
    port = static_cast<int>(*v);
    return true;
}

}  // namespace

std::string SimOptions::Help()
{
    return std::string("Usage: kova-sim [options]\n"
                       "A virtual KOVA-AXX receipt printer: TCP data channel, UDP status channel and a serial line,\n"
                       "stored settings, bit images and messages, and every cut written out as a PNG picture.\n"
                       "\n"
                       "  --address A          IPv4 address to listen on (default 127.0.0.1, loopback only)\n"
                       "  --tcp-port N         TCP data port (default 9100; 0 picks a free port)\n"
                       "  --udp-port N         UDP status port (default 3000; 0 picks a free port)\n"
                       "  --serial-link PATH   also offer a serial line: a pseudo-terminal linked at PATH\n"
                       "  --state FILE         printer memory (settings, images, messages), loaded at start and\n"
                       "                       saved after every change (default: kept in memory only)\n"
                       "  --out DIR            where receipt-NNNN.png and receipt-NNNN.bin go (default .)\n"
                       "  --model CODE         12-character model code (default KX80A110E1US)\n"
                       "  --firmware NNNN      firmware version, major and minor as two digits each (default 0407)\n"
                       "  --restart-seconds N  how long a restart keeps the printer away (default 3)\n"
                       "  --idle-seconds N     drop a TCP client that has sent nothing for N seconds (default 30;\n"
                       "                       0: never). With all 8 places taken, a new client takes the place\n"
                       "                       of the one silent longest instead of being turned away\n"
                       "  --keep-receipts N    keep the newest N receipts in the --out folder, counting those\n"
                       "                       there from before, and remove the oldest (default 1000)\n"
                       "  --help               this text\n"
                       "\n"
                       "Faults at start (the control lines below change them while running):\n"
                       "  --status HH          status byte in hex (default 00, ready; 08 busy)\n"
                       "  --paper HH           paper-sensor byte in hex (default 00; 04 paper out, 08 knife jam, 02 "
                       "cover open)\n"
                       "  --silent             answer nothing\n"
                       "  --slow-restart N     restarts take N seconds\n"
                       "  --drop-after N       drop the first link that sends data after N bytes of it\n"
                       "\n") +
           Faults::ControlHelp() +
           "\n"
           "Settings written with the set command are held apart and read back unchanged until the\n"
           "end-of-settings command restarts the printer: connections drop, nothing answers until it is\n"
           "back (a connection made meanwhile is held until then), and the new settings are in force.\n"
           "Standard output carries one line when the printer is ready (\"kova-sim ready: ...\"), one per\n"
           "restart and one per receipt. A receipt's .bin holds the bytes received since the previous cut,\n"
           "or since the last initialise or closed connection while the paper was still blank.\n"
           "Lines starting \"kova-sim:\" tell of what was dropped or refused: a client dropped and why,\n"
           "receipts removed, a bit image or picture too large, a state file that cannot be saved.\n";
}

SimOptions::Result SimOptions::Parse(int argc, char **argv, std::string &error)
{
    for (int i = 1; i < argc; ++i) {
        std::string opt = argv[i];
        std::string value;
        bool hasValue = false;
        const size_t eq = opt.find('=');
        if (opt.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = opt.substr(eq + 1);
            opt = opt.substr(0, eq);
            hasValue = true;
        }
        if (opt == "--help" || opt == "-h")
            return Result::Help;
        if (opt == "--silent") {
            faults.silent = true;
            continue;
        }
        static const char *const valued[] = {"--address",         "--tcp-port",     "--udp-port",     "--serial-link",
                                             "--state",           "--out",          "--model",        "--firmware",
                                             "--restart-seconds", "--status",       "--paper",        "--slow-restart",
                                             "--drop-after",      "--idle-seconds", "--keep-receipts"};
        bool known = false;
        for (const char *v : valued)
            known = known || opt == v;
        if (!known) {
            error = "unknown option " + opt;
            return Result::Error;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = opt + " needs a value";
                return Result::Error;
            }
            value = argv[++i];
        }
        bool ok = true;
        if (opt == "--address") {
            in_addr a{};
            ok = inet_pton(AF_INET, value.c_str(), &a) == 1;
            address = value;
        } else if (opt == "--tcp-port") {
            ok = TakePort(value, tcpPort);
        } else if (opt == "--udp-port") {
            ok = TakePort(value, udpPort);
        } else if (opt == "--serial-link") {
            ok = !value.empty();
            serialLink = value;
        } else if (opt == "--state") {
            ok = !value.empty();
            statePath = value;
        } else if (opt == "--out") {
            ok = !value.empty();
            outDir = value;
        } else if (opt == "--model") {
            ok = PrinterState::ValidModelCode(value);
            model = value;
        } else if (opt == "--firmware") {
            ok = PrinterState::ValidFirmware(value);
            firmware = value;
        } else if (opt == "--restart-seconds") {
            const auto v = Faults::ParseCount(value, 3600);
            ok = v.has_value();
            restartSeconds = v ? static_cast<int>(*v) : 0;
        } else if (opt == "--idle-seconds") {
            const auto v = Faults::ParseCount(value, 86400);
            ok = v.has_value();
            idleSeconds = v ? static_cast<int>(*v) : 0;
        } else if (opt == "--keep-receipts") {
            const auto v = Faults::ParseCount(value, 1000000);
            ok = v.has_value() && *v >= 1;
            keepReceipts = v ? static_cast<size_t>(*v) : 0;
        } else if (opt == "--status" || opt == "--paper") {
            const auto v = Faults::ParseByte(value);
            ok = v.has_value();
            if (v)
                (opt == "--status" ? faults.status : faults.paper) = *v;
        } else if (opt == "--slow-restart") {
            const auto v = Faults::ParseCount(value, 3600);
            ok = v.has_value();
            faults.slowRestartSeconds = v ? static_cast<int>(*v) : 0;
        } else if (opt == "--drop-after") {
            const auto v = Faults::ParseCount(value, 1LL << 40);
            ok = v.has_value();
            faults.dropAfter = v;
        }
        if (!ok) {
            error = "bad value for " + opt + ": " + value;
            return Result::Error;
        }
    }
    return Result::Run;
}
