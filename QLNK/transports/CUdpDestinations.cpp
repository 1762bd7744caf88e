#include "transports/CUdpDestinations.h"

#include <map>
#include <mutex>

namespace {

std::mutex destinationsLock;

// Set under the lock when the table is destroyed. A caller's exit handler or static destructor
// can still close a socket after that; it then finds no table rather than a destroyed one.
bool tableGone = false;

// Freed with the library: a caller that loads it for each action (as the program does) would
// otherwise lose the table's memory every time. Entries go with their sockets' closes.
struct Table {
    std::map<int, sockaddr_in> entries;
    ~Table()
    {
        std::lock_guard lock(destinationsLock);
        tableGone = true;
    }
};

// Null once the table is gone; the lock must be held.
std::map<int, sockaddr_in> *destinations()
{
    static Table table;
    return tableGone ? nullptr : &table.entries;
}

}  // namespace

void CUdpDestinations::Set(int fd, const sockaddr_in &destination)
{
    std::lock_guard lock(destinationsLock);
    if (auto *table = destinations()) {
        (*table)[fd] = destination;
    }
}

std::optional<sockaddr_in> CUdpDestinations::Find(int fd)
{
    std::lock_guard lock(destinationsLock);
    auto *table = destinations();
    if (table == nullptr) {
        return std::nullopt;
    }
    auto found = table->find(fd);
    if (found == table->end()) {
        return std::nullopt;
    }
    return found->second;
}

void CUdpDestinations::Drop(int fd)
{
    std::lock_guard lock(destinationsLock);
    if (auto *table = destinations()) {
        table->erase(fd);
    }
}
