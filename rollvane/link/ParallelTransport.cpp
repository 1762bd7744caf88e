#include "rollvane/link/ParallelTransport.h"

#include <cerrno>

namespace rollvane {

namespace {

constexpr std::chrono::milliseconds kReadPause{400};

}  // namespace

ParallelTransport::ParallelTransport(LinkFacilities::DeviceOpener open, const platform::DevicePaths &devices,
                                     platform::Clock &clock, LinkJournal &journal)
    : OverlappedTransport(journal, true), open_(std::move(open)), devices_(devices), clock_(clock)
{}

int ParallelTransport::Open(const std::string &port)
{
    port_ = port;
    path_ = devices_.path(port);
    int error = ENODEV;
    if (open_) {
        device_ = open_(path_, &error);
    }
    if (!device_) {
        journal_.Failed(where(), "open", error);
    }
    return device_ ? 1 : 0;
}

int ParallelTransport::Receive(uint8_t *buffer, uint32_t length)
{
    clock_.SleepFor(kReadPause);
    return OverlappedTransport::Receive(buffer, length);
}

}  // namespace rollvane
