#pragma once

#include "platform/DevicePaths.h"
#include "platform/SerialSettings.h"
#include "rollvane/link/LinkFacilities.h"
#include "rollvane/link/LinkJournal.h"
#include "rollvane/link/LinkTransport.h"
#include "rollvane/link/SerialLine.h"

#include <memory>

namespace rollvane {

// A serial port opened as a device file: the line settings and the time-out record applied by
// the link, blocks written until the port has taken them all, replies read one byte at a time,
// and the status byte asked for with ESC h on the same line.
class SerialTransport final : public LinkTransport {
public:
    SerialTransport(LinkFacilities::SerialOpener open, const platform::DevicePaths &devices, LinkJournal &journal);

    std::string where() const override;
    int Open(const std::string &port) override;
    int Configure(const LinkSettings &settings) override { return ConfigureLine(settings); }
    int ConfigureLine(const LinkSettings &settings) override;
    int Send(const uint8_t *data, uint32_t length, bool bulk) override;
    int Receive(uint8_t *buffer, uint32_t length) override;
    int QueryStatus(uint8_t *status) override { return RequestStatusOnDataLine(status); }
    int SetReadTimeout(uint32_t ms) override;
    int SetWriteTimeout(uint32_t ms) override;
    void PurgeReceive() override;
    int CheckConnected() override;
    void Close() override { line_.reset(); }
    bool isOpen() const override { return line_ != nullptr; }

    // The line settings and time-outs last applied.
    const platform::Dcb &serialState() const { return serialState_; }
    const platform::CommTimeouts &serialTimeouts() const { return serialTimeouts_; }

private:
    int ApplyTimeouts(const platform::CommTimeouts &timeouts);

    LinkFacilities::SerialOpener open_;
    const platform::DevicePaths &devices_;
    LinkJournal &journal_;
    std::string port_;
    std::string path_;
    std::unique_ptr<SerialLine> line_;
    platform::Dcb serialState_{};
    platform::CommTimeouts serialTimeouts_{};
};

}  // namespace rollvane
