#include "Faults.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

std::optional<uint8_t> Faults::ParseByte(const std::string &text)
{
    std::string t = text;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
        t = t.substr(2);
    if (t.empty() || t.size() > 2)
        return std::nullopt;
    char *end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 16);
    if (*end != '\0' || v < 0 || v > 255)
        return std::nullopt;
    return static_cast<uint8_t>(v);
}

std::optional<long long> Faults::ParseCount(const std::string &text, long long max)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > max)
        return std::nullopt;
    return v;
}

const char *Faults::ControlHelp()
{
    return "Control lines on standard input (each is answered with one line, \"ok ...\" or \"error: ...\"):\n"
           "  status HH        reply HH (hex) to the status requests (08 = busy, 00 = ready)\n"
           "  paper HH         reply HH (hex) to the paper-sensor request (04 paper out, 08 knife jam, 02 cover open)\n"
           "  silent on|off    answer nothing at all (TCP, UDP and serial), or answer again\n"
           "  slow-restart N   the next restarts take N seconds (0: back to --restart-seconds)\n"
           "  drop-after N     the next link that sends data is dropped after N bytes of it; 'drop-after off' disarms\n"
           "  disconnect       drop every connection now (the serial line hangs up and comes back)\n"
           "  restart          restart now, as on the end-of-settings command\n"
           "  show             print the faults in force, receipts written and unknown bytes counted\n"
           "  quit             stop the printer\n";
}

Faults::Action Faults::Control(const std::string &line, std::string &reply)
{
    std::istringstream in(line);
    std::string word, arg, extra;
    in >> word >> arg >> extra;
    char buf[128];
    if (word.empty()) {
        reply.clear();
        return Action::None;
    }
    if (!extra.empty()) {
        reply = "error: too many words: " + line;
        return Action::Error;
    }
    if (word == "status" || word == "paper") {
        const auto v = ParseByte(arg);
        if (!v) {
            reply = "error: " + word + " needs a hex byte";
            return Action::Error;
        }
        (word == "status" ? status : paper) = *v;
        std::snprintf(buf, sizeof buf, "ok %s %02X", word.c_str(), *v);
        reply = buf;
        return Action::None;
    }
    if (word == "silent") {
        if (arg != "on" && arg != "off") {
            reply = "error: silent needs on or off";
            return Action::Error;
        }
        silent = arg == "on";
        reply = "ok silent " + arg;
        return Action::None;
    }
    if (word == "slow-restart") {
        const auto v = ParseCount(arg, 3600);
        if (!v) {
            reply = "error: slow-restart needs seconds (0 to 3600)";
            return Action::Error;
        }
        slowRestartSeconds = static_cast<int>(*v);
        reply = "ok slow-restart " + std::to_string(*v);
        return Action::None;
    }
    if (word == "drop-after") {
        if (arg == "off") {
            dropAfter.reset();
            reply = "ok drop-after off";
            return Action::None;
        }
        const auto v = ParseCount(arg, 1LL << 40);
        if (!v) {
            reply = "error: drop-after needs a byte count or off";
            return Action::Error;
        }
        dropAfter = *v;
        reply = "ok drop-after " + std::to_string(*v);
        return Action::None;
    }
    if (!arg.empty()) {
        reply = "error: " + word + " takes no argument";
        return Action::Error;
    }
    if (word == "disconnect") {
        reply = "ok disconnect";
        return Action::Disconnect;
    }
    if (word == "restart") {
        reply = "ok restart";
        return Action::Restart;
    }
    if (word == "quit") {
        reply = "ok quit";
        return Action::Quit;
    }
    if (word == "show") {
        std::snprintf(buf, sizeof buf, "ok status %02X paper %02X silent %s slow-restart %d drop-after %s", status,
                      paper, silent ? "on" : "off", slowRestartSeconds,
                      dropAfter ? std::to_string(*dropAfter).c_str() : "off");
        reply = buf;
        return Action::Show;
    }
    reply = "error: unknown control line: " + line;
    return Action::Error;
}
