#include "platform/NetworkInterfaces.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <memory>
#include <net/if.h>
#include <netinet/in.h>

namespace platform {

namespace {

uint32_t HostOrder(const sockaddr *address)
{
    return ntohl(reinterpret_cast<const sockaddr_in *>(address)->sin_addr.s_addr);
}

}  // namespace

bool NetworkInterfaces::List(std::vector<InterfaceRecord> *records, int *error)
{
    ifaddrs *first = nullptr;
    if (::getifaddrs(&first) != 0) {
        *error = errno;
        return false;
    }
    const std::unique_ptr<ifaddrs, void (*)(ifaddrs *)> owner(first, ::freeifaddrs);
    records->clear();
    for (const ifaddrs *entry = first; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        InterfaceRecord record;
        record.name = entry->ifa_name ? entry->ifa_name : "";
        record.flags = entry->ifa_flags;
        record.address = HostOrder(entry->ifa_addr);
        if ((entry->ifa_flags & IFF_BROADCAST) != 0 && entry->ifa_broadaddr) {
            record.broadcast = HostOrder(entry->ifa_broadaddr);
        }
        records->push_back(record);
    }
    return true;
}

std::vector<uint32_t> NetworkInterfaces::BroadcastDestinations(const std::vector<InterfaceRecord> &records)
{
    std::vector<uint32_t> destinations;
    for (const InterfaceRecord &record : records) {
        const bool up = (record.flags & IFF_UP) != 0;
        const bool broadcast = (record.flags & IFF_BROADCAST) != 0;
        const bool excluded = (record.flags & (IFF_LOOPBACK | IFF_POINTOPOINT)) != 0;
        if (up && broadcast && !excluded && record.broadcast != 0) {
            destinations.push_back(record.broadcast);
        }
    }
    std::sort(destinations.begin(), destinations.end());
    destinations.erase(std::unique(destinations.begin(), destinations.end()), destinations.end());
    return destinations;
}

}  // namespace platform
