#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rollvane {

// A printer that answered a network status request.
struct FoundPrinter {
    uint32_t address = 0;  // the first number in the high byte, as NumberText::DottedQuadValue gives it
    uint8_t status = 0xFF;
    // With identify: what the printer said over its data channel (empty when it did not).
    std::string modelCode;
    std::string firmware;  // "MM.mm"
};

// Where to look and for how long.
struct DiscoveryRequest {
    // Every address asked; empty: the broadcast address of every IPv4 interface that is up.
    std::vector<uint32_t> addresses;
    uint32_t timeoutMs = 1500;
    bool identify = false;
};

// Finds the printers on the network: the real search, or a scripted one in the tests.
class PrinterFinder {
public:
    virtual ~PrinterFinder() = default;
    // The printers that answered within the time-out, ordered by address, each once. False with
    // *error set when the search could not be made at all (no socket, no interface).
    virtual bool Find(const DiscoveryRequest &request, std::vector<FoundPrinter> *found, std::string *error) = 0;
};

}  // namespace rollvane
