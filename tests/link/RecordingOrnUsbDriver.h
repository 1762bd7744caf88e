#pragma once

#include "rollvane/link/OrnUsbDriver.h"

#include <memory>
#include <string>
#include <vector>

namespace link_test {

// Passes every role on to the real stand-in and logs it with its arguments.
class RecordingOrnUsbDriver final : public rollvane::OrnUsbDriver {
public:
    RecordingOrnUsbDriver(std::unique_ptr<rollvane::OrnUsbDriver> driver, std::vector<std::string> &log)
        : driver_(std::move(driver)), log_(log)
    {}

    void SelectDevice(const std::optional<std::string> &entry) override { driver_->SelectDevice(entry); }

    intptr_t OpenDevice(int *lastError) override
    {
        intptr_t device = driver_->OpenDevice(lastError);
        log_.push_back("OpenDevice -> " + std::to_string(device) + " error " + std::to_string(*lastError));
        return device;
    }
    int32_t OpenPipe(intptr_t device, int32_t interfaceIndex, int32_t direction, int32_t pipeKind) override
    {
        int32_t pipe = driver_->OpenPipe(device, interfaceIndex, direction, pipeKind);
        log_.push_back("OpenPipe " + std::to_string(device) + " " + std::to_string(interfaceIndex) + " " +
                       std::to_string(direction) + " " + std::to_string(pipeKind) + " -> " + std::to_string(pipe));
        return pipe;
    }
    void CloseDevice(intptr_t device) override
    {
        log_.push_back("CloseDevice " + std::to_string(device));
        driver_->CloseDevice(device);
    }
    int32_t ControlRead(intptr_t device, int32_t direction, int32_t recipient, int32_t request, int32_t value,
                        int32_t index, int32_t length, uint8_t *buffer, uint32_t *count) override
    {
        int32_t result =
            driver_->ControlRead(device, direction, recipient, request, value, index, length, buffer, count);
        log_.push_back("ControlRead " + std::to_string(device) + " " + std::to_string(direction) + " " +
                       std::to_string(recipient) + " " + std::to_string(request) + " " + std::to_string(value) + " " +
                       std::to_string(index) + " " + std::to_string(length) + " -> " + std::to_string(result) +
                       " count " + std::to_string(*count));
        return result;
    }
    int32_t CheckReconnect(intptr_t device) override
    {
        int32_t result = driver_->CheckReconnect(device);
        log_.push_back("CheckReconnect " + std::to_string(device) + " -> " + std::to_string(result));
        return result;
    }
    platform::OverlappedDevice *pipe(int32_t pipe) override { return driver_->pipe(pipe); }
    void ClosePipe(int32_t pipe) override
    {
        log_.push_back("ClosePipe " + std::to_string(pipe));
        driver_->ClosePipe(pipe);
    }

private:
    std::unique_ptr<rollvane::OrnUsbDriver> driver_;
    std::vector<std::string> &log_;
};

}  // namespace link_test
