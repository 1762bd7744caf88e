#include "rollvane/link/PrinterDiscovery.h"

#include "platform/DatagramProbe.h"
#include "platform/NetworkInterfaces.h"
#include "platform/StreamExchange.h"
#include "platform/SystemError.h"
#include "rollvane/link/LinkCommands.h"
#include "rollvane/link/PrinterIdentity.h"

#include <algorithm>
#include <map>

namespace rollvane {

PrinterDiscovery::PrinterDiscovery(uint16_t statusPort, uint16_t dataPort)
    : statusPort_(statusPort), dataPort_(dataPort)
{}

bool PrinterDiscovery::Find(const DiscoveryRequest &request, std::vector<FoundPrinter> *found, std::string *error)
{
    found->clear();
    std::vector<uint32_t> destinations = request.addresses;
    int code = 0;
    if (destinations.empty()) {
        std::vector<platform::InterfaceRecord> interfaces;
        if (!platform::NetworkInterfaces::List(&interfaces, &code)) {
            *error = "the network interfaces: " + platform::SystemError::Text(code);
            return false;
        }
        destinations = platform::NetworkInterfaces::BroadcastDestinations(interfaces);
        if (destinations.empty()) {
            *error = "no IPv4 network interface is up with a broadcast address";
            return false;
        }
    }
    platform::DatagramProbe probe;
    const auto &ask = LinkCommands::kNetworkStatusRequest;
    std::vector<platform::ProbeReply> replies;
    if (!probe.Open(&code) ||
        !probe.Exchange(destinations, statusPort_, {ask.begin(), ask.end()}, request.timeoutMs, &replies, &code)) {
        *error = "status request: " + platform::SystemError::Text(code);
        return false;
    }
    // The first reply of each address counts; a datagram of another length is no status reply.
    std::map<uint32_t, uint8_t> statuses;
    for (const platform::ProbeReply &reply : replies) {
        if (reply.bytes.size() == LinkCommands::kNetworkStatusReplySize) {
            statuses.emplace(reply.source, reply.bytes[LinkCommands::kNetworkStatusIndex]);
        }
    }
    for (const auto &[address, status] : statuses) {
        FoundPrinter printer;
        printer.address = address;
        printer.status = status;
        found->push_back(printer);
    }
    if (request.identify) {
        Identify(found);
    }
    return true;
}

void PrinterDiscovery::Identify(std::vector<FoundPrinter> *found) const
{
    std::vector<uint32_t> addresses;
    for (const FoundPrinter &printer : *found) {
        addresses.push_back(printer.address);
    }
    const auto bytes = [](const auto &request) { return std::vector<uint8_t>(request.begin(), request.end()); };
    const std::vector<platform::ExchangeStep> steps = {
        {bytes(PrinterIdentity::kModelRequest), PrinterIdentity::kModelReplySize},
        {bytes(PrinterIdentity::kFirmwareRequest), PrinterIdentity::kFirmwareReplySize},
    };
    platform::StreamExchange::Limits limits;
    limits.connectMs = kConnectTimeoutMs;
    limits.replyMs = kReplyTimeoutMs;
    const auto outcomes = platform::StreamExchange::Run(addresses, dataPort_, steps, limits);
    for (std::size_t i = 0; i < found->size(); ++i) {
        const auto &replies = outcomes[i].replies;
        FoundPrinter &printer = (*found)[i];
        if (replies.size() > 0) {
            const auto code = PrinterIdentity::ModelCode(replies[0].data());
            printer.modelCode.assign(code.begin(), code.end());
            // A code shorter than its field is padded; the padding is not part of it.
            printer.modelCode.erase(printer.modelCode.find_last_not_of(std::string(" \0", 2)) + 1);
        }
        if (replies.size() > 1) {
            printer.firmware = PrinterIdentity::FirmwareText(replies[1].data());
        }
    }
}

}  // namespace rollvane
