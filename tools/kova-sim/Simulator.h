#pragma once

#include "CommandParser.h"
#include "Printer.h"
#include "PrinterState.h"
#include "PtyLink.h"
#include "SimOptions.h"
#include "platform/FileDescriptor.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The running printer: one thread, one poll loop over the network listeners,
// the connected clients, the serial line, standard input and signals. Each
// link's input is taken in turns of a few milliseconds, so that one link's
// large job does not hold up the others' replies or the status channel. The
// printer packs and writes its receipts on a thread of its own.
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
        std::string name;  // for the log: "client 127.0.0.1:40312", "serial line"
        std::unique_ptr<CommandParser> parser;
        std::optional<long long> budget;  // bytes left before the link is dropped
        Clock::time_point lastHeard;      // when it last sent anything, or connected
        std::vector<uint8_t> input;       // read, and not all of it taken yet
        size_t taken = 0;
        bool drop = false;  // to go once the loop is done with it

        bool busy() const { return taken < input.size(); }
    };

    bool OpenNetwork(std::string &error);
    void AcceptClient();
    void ServiceLink(Link &link, bool readable);
    void ReceiveStatusRequests();
    void ReadControl();
    void Control(const std::string &line);
    void SendReplies(Link &link);
    void DropLink(Link &link);
    void RemoveDroppedClients();
    void DropIdleClients();
    void DisconnectAll();
    void BeginRestart();
    void EndRestart();
    void SaveStateWhenDue();
    void Say(const std::string &line);
    std::string readyLine() const;
    int pollTimeout() const;

    SimOptions options_;
    std::mutex sayMutex_;  // receipt lines come from the printer's writer thread
    Faults faults_;
    Printer printer_;
    platform::FileDescriptor listener_;
    platform::FileDescriptor udp_;
    platform::FileDescriptor signals_;
    platform::FileDescriptor writerReady_;  // the printer's writer has room for receipts again
    std::unique_ptr<PtyLink> pty_;
    Link serial_;
    std::vector<std::unique_ptr<Link>> clients_;
    unsigned linksEpoch_ = 0;  // counts the times every link went at once
    int tcpPort_ = 0;
    int udpPort_ = 0;
    bool stdinOpen_ = true;
    std::string controlBuffer_;
    bool restarting_ = false;
    Clock::time_point restartEnd_{};
    Clock::time_point nextSave_{};
    bool quit_ = false;
};
