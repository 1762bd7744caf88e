#include "transports/CUsbHandleTable.h"

#include <mutex>
#include <set>

namespace {

// Neither is ever destroyed: a caller's exit handler may still close a USB device after the
// library's own objects are gone. std::mutex is constant-initialised and trivially destroyed.
std::mutex tableLock;

std::set<int> &table()
{
    static auto *open = new std::set<int>;
    return *open;
}

}  // namespace

void CUsbHandleTable::Add(int fd)
{
    std::lock_guard lock(tableLock);
    table().insert(fd);
}

bool CUsbHandleTable::Contains(int fd)
{
    std::lock_guard lock(tableLock);
    return table().count(fd) != 0;
}

bool CUsbHandleTable::Remove(int fd)
{
    std::lock_guard lock(tableLock);
    return table().erase(fd) != 0;
}
