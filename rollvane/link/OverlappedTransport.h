#pragma once

#include "platform/OverlappedDevice.h"
#include "rollvane/link/LinkJournal.h"
#include "rollvane/link/LinkTransport.h"

#include <chrono>
#include <memory>

namespace rollvane {

// The transports that write and read in the overlapped style (parallel port, the maker's USB
// pipes, the printer-class node): a write is started and, where the transport asks for it,
// waited for up to 5000 ms, then a pending write is awaited without limit; a read is started
// and waited for up to 10000 ms, and one still pending then is cancelled, so that it never
// outlives the caller's buffer. A transfer the device refused outright fails (it moved
// nothing; counting it as done would hide a dead port), so a status read refused that way fails
// the status query too. Unless a transport says otherwise, one device file carries both
// directions.
class OverlappedTransport : public LinkTransport {
public:
    // Nothing to configure on these lines.
    int Configure(const LinkSettings &) override { return 0; }
    int Send(const uint8_t *data, uint32_t length, bool bulk) override;
    int Receive(uint8_t *buffer, uint32_t length) override;
    void Close() override { device_.reset(); }
    bool isOpen() const override { return device_ != nullptr; }

protected:
    // waitAfterWrite: the 5000 ms wait after starting a write, which the printer-class node skips.
    OverlappedTransport(LinkJournal &journal, bool waitAfterWrite) : journal_(journal), waitAfterWrite_(waitAfterWrite)
    {}

    // The Windows "last error" tests of a device open, as errno values: "file not found" is
    // ENOENT, ENODEV or ENXIO (a node without its device); "no system resources" is ENOMEM or EAGAIN.
    static bool NotFoundOrNoResources(int error);

    // The devices blocks go to and come from; nullptr when not open.
    virtual platform::OverlappedDevice *writeDevice() { return device_.get(); }
    virtual platform::OverlappedDevice *readDevice() { return device_.get(); }

    LinkJournal &journal_;
    // The device file of the transports that open one.
    std::unique_ptr<platform::OverlappedDevice> device_;

private:
    bool waitAfterWrite_;
};

}  // namespace rollvane
