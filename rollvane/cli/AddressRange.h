#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rollvane {

// The IPv4 addresses a command line names at once: "A.B.C.D-E.F.G.H" (both ends included) or a
// subnet "A.B.C.D/N" (its hosts: without the network and broadcast addresses below /31).
// Addresses are in the form NumberText::DottedQuadValue gives (the first number in the high byte).
class AddressRange {
public:
    // More would take minutes of probing for what is surely a typing error.
    static constexpr std::size_t kMostAddresses = 65536;

    // False with *error set ("127.0.0.9-127.0.0.1: the first address is after the last").
    static bool FromRange(const std::string &text, std::vector<uint32_t> *addresses, std::string *error);
    static bool FromSubnet(const std::string &text, std::vector<uint32_t> *addresses, std::string *error);
};

}  // namespace rollvane
