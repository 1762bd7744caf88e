#pragma once

#include "platform/Clock.h"
#include "platform/DevicePaths.h"
#include "rollvane/link/LinkFacilities.h"
#include "rollvane/link/OverlappedTransport.h"

namespace rollvane {

// The parallel port, opened as a device file. A read waits 400 ms before it starts, to give
// the printer time to turn the line around; the status byte is asked for with ESC h.
class ParallelTransport final : public OverlappedTransport {
public:
    ParallelTransport(LinkFacilities::DeviceOpener open, const platform::DevicePaths &devices, platform::Clock &clock,
                      LinkJournal &journal);

    std::string where() const override { return port_ + " (" + path_ + ")"; }
    int Open(const std::string &port) override;
    int Receive(uint8_t *buffer, uint32_t length) override;
    int QueryStatus(uint8_t *status) override { return RequestStatusOnDataLine(status); }

private:
    LinkFacilities::DeviceOpener open_;
    const platform::DevicePaths &devices_;
    platform::Clock &clock_;
    std::string port_;
    std::string path_;
};

}  // namespace rollvane
