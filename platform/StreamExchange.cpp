#include "platform/StreamExchange.h"

#include "platform/DescriptorWait.h"

#include "platform/FileDescriptor.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

enum class Phase {
    Waiting,
    Connecting,
    Sending,
    Receiving,
    Finished,
};

struct Conversation {
    FileDescriptor socket;
    Phase phase = Phase::Waiting;
    std::size_t step = 0;
    std::size_t done = 0;  // bytes of the current request sent, or of its reply received
    std::vector<uint8_t> reply;
    SteadyClock::time_point deadline;
};

void Finish(Conversation *conversation, ExchangeOutcome *outcome, int error)
{
    outcome->error = error;
    conversation->phase = Phase::Finished;
    conversation->socket.reset();
}

void BeginStep(Conversation *conversation, std::size_t step, const StreamExchange::Limits &limits)
{
    conversation->step = step;
    conversation->done = 0;
    conversation->phase = Phase::Sending;
    conversation->deadline = DescriptorWait::After(limits.replyMs);
}

void Connect(Conversation *conversation, ExchangeOutcome *outcome, uint32_t address, uint16_t port,
             const StreamExchange::Limits &limits)
{
    conversation->socket.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!conversation->socket.valid()) {
        Finish(conversation, outcome, errno);
        return;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    if (::connect(conversation->socket.get(), reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0) {
        BeginStep(conversation, 0, limits);
    } else if (errno == EINPROGRESS) {
        conversation->phase = Phase::Connecting;
        conversation->deadline = DescriptorWait::After(limits.connectMs);
    } else {
        Finish(conversation, outcome, errno);
    }
}

// Moves one conversation on as far as its socket allows without waiting.
void Advance(Conversation *conversation, ExchangeOutcome *outcome, const std::vector<ExchangeStep> &steps,
             const StreamExchange::Limits &limits)
{
    const int fd = conversation->socket.get();
    if (conversation->phase == Phase::Connecting) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
        if (error == EINPROGRESS || error == EALREADY) {
            return;
        }
        if (error != 0) {
            Finish(conversation, outcome, error);
            return;
        }
        BeginStep(conversation, 0, limits);
    }
    while (conversation->phase == Phase::Sending) {
        const std::vector<uint8_t> &request = steps[conversation->step].request;
        const ssize_t n =
            ::send(fd, request.data() + conversation->done, request.size() - conversation->done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                Finish(conversation, outcome, errno);
            }
            return;
        }
        conversation->done += static_cast<std::size_t>(n);
        if (conversation->done == request.size()) {
            conversation->phase = Phase::Receiving;
            conversation->done = 0;
            conversation->reply.assign(steps[conversation->step].replySize, 0);
        }
    }
    while (conversation->phase == Phase::Receiving) {
        std::vector<uint8_t> &reply = conversation->reply;
        if (conversation->done == reply.size()) {
            outcome->replies.push_back(reply);
            if (conversation->step + 1 == steps.size()) {
                Finish(conversation, outcome, 0);
                return;
            }
            BeginStep(conversation, conversation->step + 1, limits);
            Advance(conversation, outcome, steps, limits);
            return;
        }
        // Only the reply's own bytes: anything after it stays for the next step.
        const ssize_t n = ::recv(fd, reply.data() + conversation->done, reply.size() - conversation->done, 0);
        if (n == 0) {
            Finish(conversation, outcome, ECONNRESET);
            return;
        }
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                Finish(conversation, outcome, errno);
            }
            return;
        }
        conversation->done += static_cast<std::size_t>(n);
    }
}

short EventsOf(Phase phase)
{
    return phase == Phase::Receiving ? POLLIN : POLLOUT;
}

}  // namespace

std::vector<ExchangeOutcome> StreamExchange::Run(const std::vector<uint32_t> &addresses, uint16_t port,
                                                 const std::vector<ExchangeStep> &steps, const Limits &limits)
{
    std::vector<ExchangeOutcome> outcomes(addresses.size());
    if (steps.empty()) {
        return outcomes;
    }
    std::vector<Conversation> conversations(addresses.size());
    const std::size_t atOnce = std::max<std::size_t>(limits.atOnce, 1);
    std::size_t started = 0;
    std::size_t open = 0;
    std::vector<pollfd> polled;
    std::vector<std::size_t> owners;
    for (;;) {
        while (open < atOnce && started < addresses.size()) {
            Connect(&conversations[started], &outcomes[started], addresses[started], port, limits);
            if (conversations[started].phase == Phase::Sending) {
                Advance(&conversations[started], &outcomes[started], steps, limits);
            }
            open += conversations[started].phase != Phase::Finished ? 1 : 0;
            ++started;
        }
        if (open == 0) {
            return outcomes;
        }
        polled.clear();
        owners.clear();
        auto nearest = SteadyClock::time_point::max();
        for (std::size_t i = 0; i < started; ++i) {
            const Conversation &conversation = conversations[i];
            if (conversation.phase == Phase::Finished) {
                continue;
            }
            polled.push_back({conversation.socket.get(), EventsOf(conversation.phase), 0});
            owners.push_back(i);
            nearest = std::min(nearest, conversation.deadline);
        }
        const int n = ::poll(polled.data(), polled.size(), DescriptorWait::MillisecondsUntil(nearest));
        if (n < 0 && errno != EINTR) {
            for (std::size_t owner : owners) {
                Finish(&conversations[owner], &outcomes[owner], errno);
            }
            return outcomes;
        }
        const auto now = SteadyClock::now();
        for (std::size_t k = 0; k < polled.size(); ++k) {
            Conversation &conversation = conversations[owners[k]];
            if (n > 0 && polled[k].revents != 0) {
                Advance(&conversation, &outcomes[owners[k]], steps, limits);
            }
            if (conversation.phase != Phase::Finished && conversation.deadline <= now) {
                Finish(&conversation, &outcomes[owners[k]], ETIMEDOUT);
            }
            open -= conversation.phase == Phase::Finished ? 1 : 0;
        }
    }
}

}  // namespace platform
