#pragma once

#include "rollvane/link/PrinterFinder.h"

namespace rollvane {

// The search on the network: the status datagram to every address at once from one socket, the
// replies collected until the time-out, and with identify the model and firmware queries to every
// printer found, all at once over the data channel.
class PrinterDiscovery final : public PrinterFinder {
public:
    static constexpr uint32_t kConnectTimeoutMs = 1000;
    static constexpr uint32_t kReplyTimeoutMs = 2000;

    explicit PrinterDiscovery(uint16_t statusPort = 3000, uint16_t dataPort = 9100);
    bool Find(const DiscoveryRequest &request, std::vector<FoundPrinter> *found, std::string *error) override;

private:
    void Identify(std::vector<FoundPrinter> *found) const;

    uint16_t statusPort_;
    uint16_t dataPort_;
};

}  // namespace rollvane
