#pragma once

#include "CommandParser.h"
#include "Printer.h"
#include "PrinterState.h"
#include "PtyLink.h"
#include "SimOptions.h"
#include "platform/FileDescriptor.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The running printer: one thread, one poll loop over the network listeners,
// the connected clients, the serial line, standard input and signals.
class Simulator {
public:
    static constexpr size_t kMaxClients = 8;

    Simulator(const SimOptions &options, PrinterState &state);
    int Run();

private:
    using Clock = std::chrono::steady_clock;

    struct Link {
        platform::FileDescriptor fd;  // invalid for the serial line, which the PtyLink owns
        bool serial = false;
        std::unique_ptr<CommandParser> parser;
        std::optional<long long> budget;  // bytes left before the link is dropped
    };

    bool OpenNetwork(std::string &error);
    void AcceptClient();
    void ServiceLink(Link &link, bool &drop);
    void ReceiveStatusRequest();
    void ReadControl();
    void Control(const std::string &line);
    void SendReplies(Link &link);
    void DropLink(Link &link);
    void DisconnectAll();
    void BeginRestart();
    void EndRestart();
    void Say(const std::string &line);
    std::string readyLine() const;

    SimOptions options_;
    Faults faults_;
    Printer printer_;
    platform::FileDescriptor listener_;
    platform::FileDescriptor udp_;
    platform::FileDescriptor signals_;
    std::unique_ptr<PtyLink> pty_;
    Link serial_;
    std::vector<std::unique_ptr<Link>> clients_;
    int tcpPort_ = 0;
    int udpPort_ = 0;
    bool stdinOpen_ = true;
    std::string controlBuffer_;
    bool restarting_ = false;
    Clock::time_point restartEnd_{};
    bool quit_ = false;
};
