#include "transports/CUdpDestinations.h"

#include <map>
#include <mutex>

namespace {

std::mutex destinationsLock;

// Never destroyed: a call may still come in while the process is shutting down.
std::map<int, sockaddr_in> &destinations()
{
    static auto *table = new std::map<int, sockaddr_in>;
    return *table;
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
