#include "transports/CUdpDestinations.h"

#include <map>
#include <mutex>

namespace {

std::mutex destinationsLock;

// Freed with the library: a caller that loads it for each action (as the program does) would
// otherwise lose the table's memory every time. Entries go with their sockets' closes.
std::map<int, sockaddr_in> &destinations()
{
    static std::map<int, sockaddr_in> table;
    return table;
}

}  // namespace

void CUdpDestinations::set(int fd, const sockaddr_in &destination)
{
    std::lock_guard lock(destinationsLock);
    destinations()[fd] = destination;
}

std::optional<sockaddr_in> CUdpDestinations::find(int fd)
{
    std::lock_guard lock(destinationsLock);
    auto found = destinations().find(fd);
    if (found == destinations().end()) {
        return std::nullopt;
    }
    return found->second;
}

void CUdpDestinations::drop(int fd)
{
    std::lock_guard lock(destinationsLock);
    destinations().erase(fd);
}
