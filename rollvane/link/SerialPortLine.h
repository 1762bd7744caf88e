#pragma once

#include "platform/SerialPort.h"
#include "rollvane/link/SerialLine.h"

#include <memory>
#include <string>

namespace rollvane {

// SerialLine over a real serial port.
class SerialPortLine final : public SerialLine {
public:
    // Opens path exclusively; nothing when that fails (error holds the errno value).
    static std::unique_ptr<SerialLine> Open(const std::string &path, int *error);

    explicit SerialPortLine(std::unique_ptr<platform::SerialPort> port) : port_(std::move(port)) {}

    bool GetState(platform::Dcb *dcb, int *error) override { return port_->GetState(dcb, error); }
    bool SetState(const platform::Dcb &dcb, int *error) override { return port_->SetState(dcb, error); }
    platform::CommTimeouts timeouts() const override { return port_->timeouts(); }
    bool SetTimeouts(const platform::CommTimeouts &timeouts) override;
    bool Read(uint8_t *buffer, std::size_t length, std::size_t *received, int *error) override;
    bool Write(const uint8_t *data, std::size_t length, std::size_t *written, int *error) override;
    bool PurgeReceive() override
    {
        int error = 0;
        return port_->PurgeReceive(&error);
    }
    bool HungUp() const override;

private:
    std::unique_ptr<platform::SerialPort> port_;
};

}  // namespace rollvane
