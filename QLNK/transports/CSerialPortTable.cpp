#include "transports/CSerialPortTable.h"

#include <map>
#include <mutex>
#include <vector>

namespace {

std::mutex tableLock;

// Never destroyed: the descriptors belong to the caller, who may still hold them when the
// library is unloaded or the process ends.
std::map<int, std::shared_ptr<platform::SerialPort>> &table()
{
    static auto *ports = new std::map<int, std::shared_ptr<platform::SerialPort>>;
    return *ports;
}

// Ports whose descriptor was closed behind the library's back and has been reused: destroying
// them would close the new owner's descriptor, so they are kept, never destroyed.
std::vector<std::shared_ptr<platform::SerialPort>> &stale()
{
    static auto *ports = new std::vector<std::shared_ptr<platform::SerialPort>>;
    return *ports;
}

}  // namespace

int CSerialPortTable::Add(std::unique_ptr<platform::SerialPort> port)
{
    const int fd = port->fd();
    std::lock_guard lock(tableLock);
    auto &entry = table()[fd];
    if (entry) {
        stale().push_back(std::move(entry));
    }
    entry = std::move(port);
    return fd;
}

std::shared_ptr<platform::SerialPort> CSerialPortTable::Find(int fd)
{
    std::lock_guard lock(tableLock);
    auto found = table().find(fd);
    return found == table().end() ? nullptr : found->second;
}

bool CSerialPortTable::Close(int fd)
{
    std::shared_ptr<platform::SerialPort> port;
    {
        std::lock_guard lock(tableLock);
        auto found = table().find(fd);
        if (found == table().end()) {
            return false;
        }
        port = std::move(found->second);
        table().erase(found);
    }
    // The descriptor closes with the last reference, outside the lock.
    return true;
}
