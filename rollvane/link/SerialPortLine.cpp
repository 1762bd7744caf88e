#include "rollvane/link/SerialPortLine.h"

#include <poll.h>

namespace rollvane {

std::unique_ptr<SerialLine> SerialPortLine::Open(const std::string &path, int *error)
{
    auto port = platform::SerialPort::Open(path, error);
    if (!port) {
        return nullptr;
    }
    return std::make_unique<SerialPortLine>(std::move(port));
}

bool SerialPortLine::SetTimeouts(const platform::CommTimeouts &timeouts)
{
    port_->SetTimeouts(timeouts);
    return true;
}

bool SerialPortLine::HungUp() const
{
    pollfd line{port_->fd(), 0, 0};
    return ::poll(&line, 1, 0) == 1 && (line.revents & POLLHUP) != 0;
}

bool SerialPortLine::Read(uint8_t *buffer, std::size_t length, std::size_t *received, int *error)
{
    return port_->Read(buffer, length, received, error);
}

bool SerialPortLine::Write(const uint8_t *data, std::size_t length, std::size_t *written, int *error)
{
    return port_->Write(data, length, written, error);
}

}  // namespace rollvane
