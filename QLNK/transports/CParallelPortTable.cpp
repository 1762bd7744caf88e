#include "transports/CParallelPortTable.h"

#include <mutex>
#include <set>

namespace {

// Neither is ever destroyed: a caller's exit handler may still close a parallel port after the
// library's own objects are gone. std::mutex is constant-initialised and trivially destroyed.
std::mutex tableLock;

std::set<int> &table()
{
    static auto *open = new std::set<int>;
    return *open;
}

}  // namespace

void CParallelPortTable::Add(int fd)
{
    std::lock_guard lock(tableLock);
    table().insert(fd);
}

bool CParallelPortTable::Contains(int fd)
{
    std::lock_guard lock(tableLock);
    return table().count(fd) != 0;
}

bool CParallelPortTable::Remove(int fd)
{
    std::lock_guard lock(tableLock);
    return table().erase(fd) != 0;
}
