#include "Simulator.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A link's turn: input is taken in pieces until this much time has passed.
constexpr auto kTurn = std::chrono::milliseconds(5);
constexpr size_t kPiece = 256;
constexpr size_t kReadSize = 64 * 1024;  // a picture arrives in few reads
// Changes to the state file are saved at once, but no more often than this:
// a flood of definitions would otherwise rewrite the file without pause.
constexpr auto kSaveSpacing = std::chrono::milliseconds(200);
constexpr int kStatusBurst = 64;  // datagrams taken at a time

std::string Seconds(std::chrono::steady_clock::duration d)
{
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(d).count()) + " s";
}

platform::FileDescriptor BindSocket(int type, const std::string &address, int port, int &boundPort, std::string &error)
{
    platform::FileDescriptor fd(::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        error = std::string("socket: ") + std::strerror(errno);
        return {};
    }
    const int one = 1;
    // Several printers share a port number on different loopback addresses,
    // and a restart binds again at once.
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    if (::bind(fd.get(), reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
        error = std::string(type == SOCK_STREAM ? "tcp" : "udp") + " bind " + address + ":" + std::to_string(port) +
                ": " + std::strerror(errno);
        return {};
    }
    if (type == SOCK_STREAM && ::listen(fd.get(), 8) != 0) {
        error = std::string("listen: ") + std::strerror(errno);
        return {};
    }
    socklen_t len = sizeof sa;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr *>(&sa), &len);
    boundPort = ntohs(sa.sin_port);
    return fd;
}

}  // namespace

Simulator::Simulator(const SimOptions &options, PrinterState &state)
    : options_(options), faults_(options.faults),
      printer_(state, faults_, options.outDir, options.statePath, std::bind_front(&Simulator::Say, this),
               options.keepReceipts),
      tcpPort_(options.tcpPort), udpPort_(options.udpPort)
{}

void Simulator::Say(const std::string &line)
{
    const std::string text = line + "\n";
    std::lock_guard lock(sayMutex_);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n <= 0)
            return;  // nobody reads: the line is lost, the printer goes on
        done += static_cast<size_t>(n);
    }
}

std::string Simulator::readyLine() const
{
    std::string line = "kova-sim ready: tcp " + options_.address + ":" + std::to_string(tcpPort_) + " udp " +
                       options_.address + ":" + std::to_string(udpPort_);
    if (pty_)
        line += " serial " + pty_->linkPath() + " -> " + pty_->slavePath();
    line += options_.address.rfind("127.", 0) == 0 ? " (loopback only)" : " (NOT loopback: reachable from the network)";
    return line;
}

bool Simulator::OpenNetwork(std::string &error)
{
    int port = 0;
    platform::FileDescriptor listener = BindSocket(SOCK_STREAM, options_.address, tcpPort_, port, error);
    if (!listener.valid())
        return false;
    tcpPort_ = port;
    platform::FileDescriptor udp = BindSocket(SOCK_DGRAM, options_.address, udpPort_, port, error);
    if (!udp.valid())
        return false;
    udpPort_ = port;
    listener_ = std::move(listener);
    udp_ = std::move(udp);
    return true;
}

void Simulator::AcceptClient()
{
    sockaddr_in from{};
    socklen_t len = sizeof from;
    platform::FileDescriptor fd(
        ::accept4(listener_.get(), reinterpret_cast<sockaddr *>(&from), &len, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd.valid())
        return;
    char address[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
    const std::string name = std::string("client ") + address + ":" + std::to_string(ntohs(from.sin_port));
    const auto now = Clock::now();
    if (clients_.size() >= kMaxClients) {
        // Full: the one silent longest makes room, so that silent connections
        // cannot keep everyone else out.
        const auto quietest = std::min_element(
            clients_.begin(), clients_.end(), [](const auto &a, const auto &b) { return a->lastHeard < b->lastHeard; });
        Say("kova-sim: " + (*quietest)->name + " dropped: silent longest (" + Seconds(now - (*quietest)->lastHeard) +
            ") of " + std::to_string(kMaxClients) + " clients, to make room for " + name);
        DropLink(**quietest);
        clients_.erase(quietest);
    }
    const int one = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
    auto link = std::make_unique<Link>();
    link->fd = std::move(fd);
    link->name = name;
    link->lastHeard = now;
    link->parser = std::make_unique<CommandParser>(printer_);
    clients_.push_back(std::move(link));
}

void Simulator::SendReplies(Link &link)
{
    const std::vector<uint8_t> out = printer_.TakeReplies();
    if (out.empty())
        return;
    // Replies are small; a peer that does not read them loses them rather
    // than stalling the printer.
    if (link.serial) {
        if (pty_) [[maybe_unused]]
            const ssize_t n = ::write(pty_->masterFd(), out.data(), out.size());
    } else {
        ::send(link.fd.get(), out.data(), out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
}

void Simulator::DropLink(Link &link)
{
    link.parser->Reset();
    link.budget.reset();
    link.input.clear();
    link.taken = 0;
    link.drop = false;
    printer_.LinkClosed();
    if (link.serial) {
        std::string error;
        if (pty_ && !pty_->Reopen(error))
            Say("kova-sim: serial line lost: " + error);
    } else {
        link.fd.reset();
    }
}

void Simulator::RemoveDroppedClients()
{
    for (size_t k = 0; k < clients_.size();) {
        if (clients_[k]->drop) {
            DropLink(*clients_[k]);
            clients_.erase(clients_.begin() + static_cast<long>(k));
        } else {
            ++k;
        }
    }
}

void Simulator::DropIdleClients()
{
    if (options_.idleSeconds <= 0)
        return;
    const auto now = Clock::now();
    const auto limit = std::chrono::seconds(options_.idleSeconds);
    for (auto &c : clients_) {
        // A client whose input is still being taken is waiting on the printer, not idle.
        if (c->drop || c->busy() || now - c->lastHeard < limit)
            continue;
        Say("kova-sim: " + c->name + " dropped: nothing from it for " + Seconds(now - c->lastHeard) +
            " (--idle-seconds " + std::to_string(options_.idleSeconds) + ")");
        c->drop = true;
    }
    RemoveDroppedClients();
}

void Simulator::SaveStateWhenDue()
{
    if (!printer_.stateChanged())
        return;
    const auto now = Clock::now();
    if (now < nextSave_)
        return;  // saved a moment ago: the poll loop comes back for it
    printer_.SaveState();
    nextSave_ = now + kSaveSpacing;
}

void Simulator::ServiceLink(Link &link, bool readable)
{
    if (!link.busy()) {
        if (!readable)
            return;
        link.input.resize(kReadSize);
        link.taken = 0;
        const int fd = link.serial ? pty_->masterFd() : link.fd.get();
        const ssize_t n = ::read(fd, link.input.data(), link.input.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            link.input.clear();
            return;
        }
        if (n <= 0) {
            link.input.clear();
            link.drop = true;
            return;
        }
        link.lastHeard = Clock::now();
        if (!link.serial) {
            // Acknowledge at once: a sender that writes small commands one by one
            // would otherwise wait out the delayed acknowledgement each time.
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
        }
        if (restarting_) {
            link.input.clear();  // a printer that is starting up hears nothing
            return;
        }
        size_t take = static_cast<size_t>(n);
        if (!link.budget && faults_.dropAfter) {
            link.budget = *faults_.dropAfter;
            faults_.dropAfter.reset();
        }
        if (link.budget && static_cast<long long>(take) > *link.budget)
            take = static_cast<size_t>(*link.budget);
        link.input.resize(take);
        if (link.budget)
            *link.budget -= static_cast<long long>(take);
    }
    // This link's turn: pieces of its input until the time is up. The printer
    // also stops a piece short after each receipt it writes.
    const auto end = Clock::now() + kTurn;
    while (link.busy()) {
        // Receipts wait to be written: the rest of the input waits with them,
        // and the loop goes on answering meanwhile.
        if (!printer_.readyToCut())
            break;
        const size_t piece = std::min(kPiece, link.input.size() - link.taken);
        link.taken += link.parser->Feed(link.input.data() + link.taken, piece);
        if (printer_.restartRequested()) {
            SendReplies(link);
            BeginRestart();  // every client goes, this one with them
            return;
        }
        if (Clock::now() >= end)
            break;
    }
    // Saved before the replies go (unless a save was made a moment ago), so a
    // reply to a later command finds the change on disk.
    SaveStateWhenDue();
    SendReplies(link);
    if (!link.busy() && link.budget && *link.budget <= 0) {
        Say("kova-sim: link dropped after the announced bytes");
        link.drop = true;
    }
}

void Simulator::ReceiveStatusRequests()
{
    for (int i = 0; i < kStatusBurst; ++i) {
        uint8_t buf[512];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n =
            ::recvfrom(udp_.get(), buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), &len);
        if (n < 0)
            return;
        if (restarting_)
            continue;
        static constexpr uint8_t request[] = {0x00, 0x00, 0x00, 0x00, 0x1B, 0x68};
        if (n != sizeof request || std::memcmp(buf, request, sizeof request) != 0 || faults_.silent)
            continue;
        const uint8_t reply[8] = {0x00, 0x00, 0x00, 0x00, printer_.statusByte(), 0x00, 0x00, 0x00};
        ::sendto(udp_.get(), reply, sizeof reply, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), len);
    }
}

void Simulator::ReadControl()
{
    char buf[1024];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        stdinOpen_ = false;
        return;
    }
    controlBuffer_.append(buf, static_cast<size_t>(n));
    size_t nl;
    while ((nl = controlBuffer_.find('\n')) != std::string::npos) {
        std::string line = controlBuffer_.substr(0, nl);
        controlBuffer_.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        Control(line);
    }
    if (controlBuffer_.size() > 4096) {
        controlBuffer_.clear();
        Say("error: control line too long");
    }
}

void Simulator::Control(const std::string &line)
{
    std::string reply;
    const Faults::Action action = faults_.Control(line, reply);
    switch (action) {
    case Faults::Action::Disconnect:
        DisconnectAll();
        break;
    case Faults::Action::Restart:
        if (!restarting_)
            BeginRestart();
        break;
    case Faults::Action::Quit:
        quit_ = true;
        break;
    case Faults::Action::Show:
        reply += " receipts " + std::to_string(printer_.receiptsWritten()) + " unknown-bytes " +
                 std::to_string(printer_.unknownBytes());
        break;
    case Faults::Action::None:
    case Faults::Action::Error:
        break;
    }
    if (!reply.empty())
        Say(reply);
}

void Simulator::DisconnectAll()
{
    ++linksEpoch_;
    for (auto &c : clients_)
        DropLink(*c);
    clients_.clear();
    if (pty_)
        DropLink(serial_);
}

void Simulator::BeginRestart()
{
    ++linksEpoch_;
    const int seconds = faults_.slowRestartSeconds > 0 ? faults_.slowRestartSeconds : options_.restartSeconds;
    for (auto &c : clients_)
        c->parser->Reset();
    clients_.clear();
    serial_.parser->Reset();
    serial_.input.clear();
    serial_.taken = 0;
    printer_.PowerCycle();
    // The listener stays: a connection made meanwhile waits, like a client
    // whose connection attempts go unanswered until the printer is up again.
    restarting_ = true;
    restartEnd_ = Clock::now() + std::chrono::seconds(seconds);
    Say("kova-sim restarting: back in " + std::to_string(seconds) + " s");
}

void Simulator::EndRestart()
{
    restarting_ = false;
    Say(readyLine());
}

int Simulator::pollTimeout() const
{
    if (printer_.readyToCut()) {
        if (serial_.busy())
            return 0;
        for (const auto &c : clients_)
            if (c->busy())
                return 0;
    }
    const auto now = Clock::now();
    std::optional<Clock::time_point> next;
    const auto consider = [&next](Clock::time_point t) {
        if (!next || t < *next)
            next = t;
    };
    if (restarting_)
        consider(restartEnd_);
    if (printer_.stateChanged())
        consider(nextSave_);
    if (options_.idleSeconds > 0)
        for (const auto &c : clients_)
            consider(c->lastHeard + std::chrono::seconds(options_.idleSeconds));
    if (pty_)
        consider(now + std::chrono::milliseconds(500));  // look at the serial line's exclusive flag now and then
    if (!next)
        return -1;
    // Rounded up, so the loop does not wake a moment early and spin.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}

int Simulator::Run()
{
    std::signal(SIGPIPE, SIG_IGN);
    // A pipe that nobody drains must not stall the printer.
    struct stat out {};
    if (::fstat(STDOUT_FILENO, &out) == 0 && S_ISFIFO(out.st_mode))
        ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
    // Started in the background of a terminal: reading the terminal must not
    // stop the printer; the read then fails and control input is given up.
    std::signal(SIGTTIN, SIG_IGN);
    std::signal(SIGTTOU, SIG_IGN);
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &mask, nullptr);
    signals_.reset(::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC));
    writerReady_.reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    printer_.OnReadyToCut([fd = writerReady_.get()] {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
    });

    std::string error;
    if (!OpenNetwork(error)) {
        std::fprintf(stderr, "kova-sim: %s\n", error.c_str());
        return 1;
    }
    serial_.serial = true;
    serial_.name = "serial line";
    serial_.parser = std::make_unique<CommandParser>(printer_);
    if (!options_.serialLink.empty()) {
        pty_ = std::make_unique<PtyLink>(options_.serialLink);
        if (!pty_->Open(error)) {
            std::fprintf(stderr, "kova-sim: %s\n", error.c_str());
            return 1;
        }
    }
    Say(readyLine());

    while (!quit_) {
        if (pty_)
            pty_->ReleaseExclusive();
        std::vector<pollfd> fds;
        fds.push_back({signals_.get(), POLLIN, 0});
        fds.push_back({stdinOpen_ ? STDIN_FILENO : -1, POLLIN, 0});
        fds.push_back({restarting_ ? -1 : listener_.get(), POLLIN, 0});
        fds.push_back({udp_.get(), POLLIN, 0});
        // A link whose input is still being taken is not read: its own input
        // must not wake the loop while receipts wait to be written.
        const auto wanted = [](const Link &l) { return static_cast<short>(l.busy() ? 0 : POLLIN); };
        fds.push_back({pty_ ? pty_->masterFd() : -1, wanted(serial_), 0});
        fds.push_back({writerReady_.get(), POLLIN, 0});
        // The clients as polled, good until something drops them all at once.
        const unsigned epoch = linksEpoch_;
        std::vector<Link *> polled;
        for (auto &c : clients_) {
            fds.push_back({c->fd.get(), wanted(*c), 0});
            polled.push_back(c.get());
        }

        const int ready = ::poll(fds.data(), fds.size(), pollTimeout());
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "kova-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (restarting_ && Clock::now() >= restartEnd_)
            EndRestart();
        const auto readable = [&fds](size_t i) { return (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0; };

        if (readable(0)) {
            signalfd_siginfo info{};
            if (::read(signals_.get(), &info, sizeof info) > 0)
                quit_ = true;
        }
        if (readable(1))
            ReadControl();
        if (readable(3))
            ReceiveStatusRequests();
        if (readable(5)) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(writerReady_.get(), &count, sizeof count);
        }
        if (pty_ && fds[4].fd == pty_->masterFd()) {
            ServiceLink(serial_, readable(4));
            if (serial_.drop)
                DropLink(serial_);
        }
        // Each client its turn, as long as nothing dropped them all meanwhile
        // (a restart, a disconnect); the status channel between turns.
        for (size_t i = 0; i < polled.size() && epoch == linksEpoch_; ++i) {
            ServiceLink(*polled[i], readable(6 + i));
            ReceiveStatusRequests();
        }
        RemoveDroppedClients();
        DropIdleClients();
        if (readable(2) && !restarting_)
            AcceptClient();
        SaveStateWhenDue();
    }
    if (printer_.stateChanged())
        printer_.SaveState();
    printer_.Flush();  // every receipt cut is written before the printer goes
    Say("kova-sim stopped: " + std::to_string(printer_.receiptsWritten()) + " receipts, " +
        std::to_string(printer_.unknownBytes()) + " unknown bytes");
    return 0;
}
