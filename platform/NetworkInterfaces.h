#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One IPv4 address of a network interface, as getifaddrs gives it. Addresses in host order, the
// first number in the high byte.
struct InterfaceRecord {
    std::string name;
    unsigned flags = 0;  // IFF_UP, IFF_BROADCAST, IFF_LOOPBACK, IFF_POINTOPOINT, ...
    uint32_t address = 0;
    uint32_t broadcast = 0;  // meaningful with IFF_BROADCAST
};

// The machine's IPv4 interfaces, and where a datagram meant for every host on them goes.
class NetworkInterfaces {
public:
    // Every IPv4 address of every interface. False with *error (errno) when getifaddrs fails.
    static bool List(std::vector<InterfaceRecord> *records, int *error);
    // The broadcast address of each record that is up and has one, ascending and each once.
    // Loopback and point-to-point links are left out: nothing on them is a printer on the
    // network, and their "broadcast" field holds the peer's address.
    static std::vector<uint32_t> BroadcastDestinations(const std::vector<InterfaceRecord> &records);
};

}  // namespace platform
