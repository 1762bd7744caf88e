#include "transports/COpenDescriptors.h"

COpenDescriptors &COpenDescriptors::ParallelPorts()
{
    static auto *ports = new COpenDescriptors;
    return *ports;
}

COpenDescriptors &COpenDescriptors::UsbDevices()
{
    static auto *devices = new COpenDescriptors;
    return *devices;
}

void COpenDescriptors::Add(int fd)
{
    std::lock_guard lock(lock_);
    open_.insert(fd);
}

bool COpenDescriptors::Contains(int fd) const
{
    std::lock_guard lock(lock_);
    return open_.count(fd) != 0;
}

bool COpenDescriptors::Remove(int fd)
{
    std::lock_guard lock(lock_);
    return open_.erase(fd) != 0;
}
