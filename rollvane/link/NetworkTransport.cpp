#include "rollvane/link/NetworkTransport.h"

#include "rollvane/link/LinkCommands.h"
#include "rollvane/link/NumberText.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace rollvane {

namespace {

constexpr uint32_t kSendTimeoutMs = 50000;
constexpr uint32_t kBulkTimeoutMs = 5000;
constexpr uint32_t kReceiveTimeoutMs = 10000;
constexpr uint32_t kConnectTimeoutMs = 10000;
constexpr uint32_t kReceiveBufferSize = 128;

}  // namespace

NetworkTransport::NetworkTransport(const std::string &libraryName, uint32_t dataPort, uint32_t statusPort,
                                   platform::Clock &clock, LinkJournal &journal)
    : qlnk_(libraryName), dataPort_(dataPort), statusPort_(statusPort), clock_(clock), journal_(journal)
{}

NetworkTransport::~NetworkTransport()
{
    if (isOpen() || qlnk_.holding()) {
        Close();
    }
}

std::string NetworkTransport::where() const
{
    return configured_ ? "LAN " + NumberText::DottedText(address_) : "LAN";
}

std::string NetworkTransport::channelName(const QLNK_CommContext &channel) const
{
    const bool data = &channel == &dataChannel_;
    return "LAN " + NumberText::DottedText(channel.netAddress) + ":" + std::to_string(channel.netPort) +
           (data ? " (TCP data channel)" : " (UDP status channel)");
}

void NetworkTransport::ChannelFailed(const QLNK_CommContext &channel, const std::string &operation,
                                     const std::string &openFailure)
{
    if (!openFailure.empty()) {
        journal_.Failed(channelName(channel), operation, "the channel did not open: " + openFailure);
    } else {
        journal_.Failed(channelName(channel), operation, qlnk_.failureText(operation == "receive"));
    }
}

int NetworkTransport::Open(const std::string & /*port*/)
{
    return 1;  // the channels open in Configure
}

int NetworkTransport::Configure(const LinkSettings &settings)
{
    // Channels of an earlier Configure are not left behind in the library.
    Close();
    address_ = settings.ipAddress;
    configured_ = true;
    const int found = qlnk_.Hold();

    dataChannel_.portType = QLNK_PORT_TCP_RAW;
    dataChannel_.netAddress = address_;
    dataChannel_.netPort = dataPort_;
    dataChannel_.netTimeout = kConnectTimeoutMs;
    statusChannel_.portType = QLNK_PORT_UDP_RAW;
    statusChannel_.netAddress = address_;
    statusChannel_.netPort = statusPort_;
    statusChannel_.netTimeout = kConnectTimeoutMs;
    dataOpenFailure_.clear();
    statusOpenFailure_.clear();
    if (!found) {
        dataOpenFailure_ = statusOpenFailure_ = qlnk_.failureText();
        journal_.Failed(where(), "configure", dataOpenFailure_);
        return 0;
    }
    // Neither result is passed on: a channel that did not open fails its traffic later, and
    // says why then.
    if (!qlnk_.Open(&dataChannel_)) {
        dataOpenFailure_ = "connect: " + qlnk_.failureText();
    }
    dataOpened_ = true;
    if (!qlnk_.Open(&statusChannel_)) {
        statusOpenFailure_ = "open: " + qlnk_.failureText();
    }
    statusOpened_ = true;
    if (journal_.tracing()) {
        journal_.Trace("configure " + where() + ": TCP data channel port " + std::to_string(dataPort_) + " " +
                       (dataOpenFailure_.empty() ? "open" : dataOpenFailure_) + ", UDP status channel port " +
                       std::to_string(statusPort_) + " " + (statusOpenFailure_.empty() ? "open" : statusOpenFailure_));
    }
    return 0;
}

void NetworkTransport::PurgeReceive()
{
    if (!dataOpened_ || !dataOpenFailure_.empty()) {
        return;
    }
    // At most 1 MiB, so that a printer that never stops sending cannot hold the link here.
    uint32_t discarded = 0;
    for (int chunk = 0; chunk < 8192; ++chunk) {
        uint8_t local[kReceiveBufferSize];
        uint32_t received = 0;
        if (!qlnk_.RecvData(&dataChannel_.netSocket, local, sizeof local, &received, dataChannel_.portType, 0) ||
            received == 0) {
            break;
        }
        discarded += received;
    }
    if (discarded > 0 && journal_.tracing()) {
        journal_.Trace(channelName(dataChannel_) + " discarded " + std::to_string(discarded) +
                       " bytes nobody asked for");
    }
}

int NetworkTransport::CheckConnected()
{
    if (!dataOpened_ || !dataOpenFailure_.empty()) {
        return 1;
    }
    // A look without waiting: nothing to read is a printer still there; an end of stream or a
    // reset is one that has gone. A stray byte read here is one nobody asked for.
    uint8_t local[kReceiveBufferSize];
    uint32_t received = 0;
    const int result =
        qlnk_.RecvData(&dataChannel_.netSocket, local, sizeof local, &received, dataChannel_.portType, 0);
    if (result && received == 0) {
        journal_.Failed(channelName(dataChannel_), "send", "the printer closed the connection");
        return 0;
    }
    if (!result && !qlnk_.timedOut()) {
        ChannelFailed(dataChannel_, "send", dataOpenFailure_);
        return 0;
    }
    return 1;
}

int NetworkTransport::Send(const uint8_t *data, uint32_t length, bool bulk)
{
    // Bytes the printer sent beyond an earlier reply would be read as the reply to this
    // request: they go first, as on a serial line.
    PurgeReceive();
    journal_.Sent(channelName(dataChannel_), data, length);
    uint32_t sent = length;
    if (!qlnk_.SendData(&dataChannel_.netSocket, data, length, &sent, dataChannel_.portType,
                        bulk ? kBulkTimeoutMs : kSendTimeoutMs)) {
        ChannelFailed(dataChannel_, "send", dataOpenFailure_);
        return 0;
    }
    return 1;
}

int NetworkTransport::Receive(uint8_t *buffer, uint32_t length)
{
    // A reply may come in pieces: they are collected until the bytes asked for are there or the
    // time-out has run out, as a serial receive does. A reply that stays short is a failure,
    // never a buffer with invented bytes.
    using SteadyClock = std::chrono::steady_clock;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kReceiveTimeoutMs);
    uint32_t timeoutMs = kReceiveTimeoutMs;
    uint32_t collected = 0;
    do {
        uint8_t local[kReceiveBufferSize];
        std::memset(local, 0xFF, sizeof local);
        uint32_t received = 0;
        const int result =
            qlnk_.RecvData(&dataChannel_.netSocket, local, sizeof local, &received, dataChannel_.portType, timeoutMs);
        received = std::min(received, kReceiveBufferSize);
        // Bytes beyond the ones asked for are not the caller's.
        const uint32_t taken = std::min(received, length - collected);
        std::memcpy(buffer + collected, local, taken);
        collected += taken;
        journal_.Received(channelName(dataChannel_), local, received);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
        if (collected > 0 && collected < length && (!result || left <= 0)) {
            journal_.Failed(channelName(dataChannel_), "receive",
                            "a short reply: " + std::to_string(collected) + " of " + std::to_string(length) +
                                " bytes within " + std::to_string(kReceiveTimeoutMs) + " ms");
            return 0;
        }
        if (!result) {
            ChannelFailed(dataChannel_, "receive", dataOpenFailure_);
            return 0;
        }
        if (received == 0) {
            journal_.Failed(channelName(dataChannel_), "receive", "the printer closed the connection");
            return 0;
        }
        timeoutMs = static_cast<uint32_t>(std::max<long long>(left, 1));
    } while (collected < length);
    return 1;
}

int NetworkTransport::ReceiveStatusReply(uint8_t *buffer, uint32_t length)
{
    uint32_t received = 0;
    return ReceiveStatusReplyCounted(buffer, length, &received);
}

int NetworkTransport::ReceiveStatusReplyCounted(uint8_t *buffer, uint32_t length, uint32_t *received)
{
    uint8_t local[LinkCommands::kNetworkStatusReplySize];
    std::memset(local, 0xFF, sizeof local);
    *received = 0;
    const int result = qlnk_.RecvData(&statusChannel_.netSocket, local, sizeof local, received, statusChannel_.portType,
                                      kReceiveTimeoutMs);
    if (*received > 0) {
        // Bytes that did not come stay 0xFF.
        std::memcpy(buffer, local, std::min<uint32_t>(length, sizeof local));
    }
    journal_.Received(channelName(statusChannel_), local, std::min<uint32_t>(*received, sizeof local));
    if (!result) {
        ChannelFailed(statusChannel_, "receive", statusOpenFailure_);
    }
    return result;
}

int NetworkTransport::QueryStatus(uint8_t *status)
{
    const auto &request = LinkCommands::kNetworkStatusRequest;
    journal_.Sent(channelName(statusChannel_), request.data(), request.size());
    uint32_t sent = request.size();
    if (!qlnk_.SendData(&statusChannel_.netSocket, request.data(), request.size(), &sent, statusChannel_.portType,
                        kReceiveTimeoutMs)) {
        ChannelFailed(statusChannel_, "status request", statusOpenFailure_);
        return 0;
    }
    clock_.SleepPastWholeSeconds(0);
    uint8_t reply[LinkCommands::kNetworkStatusReplySize] = {};
    uint32_t received = 0;
    ReceiveStatusReplyCounted(reply, sizeof reply, &received);
    // No reply is no status, as with a silent serial printer.
    if (received == 0) {
        return 0;
    }
    status[0] = reply[LinkCommands::kNetworkStatusIndex];
    return 1;
}

void NetworkTransport::Close()
{
    if (dataOpened_) {
        qlnk_.CloseComm(&dataChannel_.netSocket, dataChannel_.portType);
        dataOpened_ = false;
    }
    if (statusOpened_) {
        qlnk_.CloseComm(&statusChannel_.netSocket, statusChannel_.portType);
        statusOpened_ = false;
    }
    qlnk_.Release();
}

}  // namespace rollvane
