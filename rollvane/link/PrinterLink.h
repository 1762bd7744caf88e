#pragma once

#include "platform/Clock.h"
#include "platform/DevicePaths.h"
#include "rollvane/link/ProgressWindow.h"
#include "platform/SerialSettings.h"
#include "platform/UsbDeviceEvent.h"
#include "rollvane/link/UserInterface.h"
#include "rollvane/link/LinkFacilities.h"
#include "rollvane/link/LinkType.h"
#include "rollvane/link/PrinterErrorCode.h"
#include "rollvane/link/QlnkBinding.h"

#include <qlnk.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace rollvane {

// The one object through which the program talks to the printer, over the transport that
// linkType names. Operations report 1 for success and 0 for failure. Every action runs
// Open, Configure, its traffic, then EndOperation or Close.
class PrinterLink {
public:
    static constexpr std::size_t kStatusBufferSize = 64;
    static constexpr int32_t kMaxDevicePaths = 127;
    static constexpr uint32_t kDefaultDataPort = 9100;
    static constexpr uint32_t kDefaultStatusPort = 3000;

    PrinterLink(UserInterface &ui, platform::Clock &clock,
                LinkFacilities facilities = LinkFacilities::Real());
    ~PrinterLink();
    PrinterLink(const PrinterLink &) = delete;
    PrinterLink &operator=(const PrinterLink &) = delete;

    int Open(const std::string &port);
    // Always 0; a network channel that did not open shows in the later traffic.
    int Configure(const std::string &port, int32_t baudRate, const std::string &parity, int32_t dataBits,
                  int32_t stopBits, uint32_t ipAddress);
    int ConfigureSerial(const std::string &port, int32_t baudRate, const std::string &parity, int32_t dataBits,
                        int32_t stopBits);
    int Reopen();
    int Send(const uint8_t *data, uint32_t length);
    int Send(std::initializer_list<uint8_t> bytes);
    int SendBulk(uint8_t *data, uint32_t length);
    int Receive(uint8_t *buffer, uint32_t length);
    // status points at kStatusBufferSize bytes; its first byte is the status (0xFF when none came).
    int QueryStatus(uint8_t *status);
    int ReceiveStatusReply(uint8_t *buffer, uint32_t length);
    void PurgeReceive();
    int SetReadTimeout(uint32_t ms);
    int SetWriteTimeout(uint32_t ms);
    void Close();
    void EndOperation();
    void WaitSeconds(int32_t seconds);
    // Present USB printer-class nodes, at most kMaxDevicePaths; the number written.
    int EnumerateUsbPrinters(std::vector<std::string> *paths);
    // A USB arrival or removal from the device monitor. Always 0.
    int HandleDeviceChange(const platform::UsbDeviceEvent &event);
    // The ORNUSB reconnect check: nonzero when the device must be opened again.
    int CheckUsbReconnect();

    // Opens the progress window of an action and shows message in it.
    ProgressWindow &StartProgress(const std::string &message);

    // Bit 3 set, or no status at all.
    static bool IsBusy(uint8_t status);

    bool IsOpen() const;
    UserInterface &ui() { return ui_; }
    platform::Clock &clock() { return clock_; }

    int32_t linkType = LinkSerial;
    std::string portName;
    int32_t baudRate = 0;
    std::string parityName;
    int32_t dataBits = 0;
    int32_t stopBits = 0;
    std::string flowControl;
    uint32_t ipAddress = 0;
    // Only the first deviceCount entries are valid.
    std::vector<std::string> devicePaths;
    int32_t deviceCount = 0;
    QLNK_CommContext dataChannel{};
    QLNK_CommContext statusChannel{};
    platform::Dcb serialState{};
    platform::CommTimeouts serialTimeouts{};
    std::unique_ptr<ProgressWindow> progress;
    // Port name to device node, from inifile.inf [DEVICES].
    platform::DevicePaths devices;
    // ORNUSB handles: device 0 and pipes -1 when not open.
    intptr_t ornDevice = 0;
    int32_t ornWritePipe = -1;
    int32_t ornReadPipe = -1;
    // The network channels' ports; only tests change them.
    uint32_t dataPort = kDefaultDataPort;
    uint32_t statusPort = kDefaultStatusPort;

private:
    int OpenOrnUsb();
    int OpenPrinterClass();
    int ConfigureNetwork(uint32_t address);
    int SendSerial(const uint8_t *data, uint32_t length);
    int SendOverlapped(platform::OverlappedDevice *device, const uint8_t *data, uint32_t length, bool firstWait);
    int ReceiveOverlapped(platform::OverlappedDevice *device, uint8_t *buffer, uint32_t length);
    int SendNetwork(const uint8_t *data, uint32_t length, uint32_t timeoutMs);
    int PrinterClassStatus(uint8_t *status);
    // The status channel's reply: the result, and in received how many bytes came.
    int ReceiveStatusReplyCounted(uint8_t *buffer, uint32_t length, uint32_t *received);
    int ApplyTimeouts(const platform::CommTimeouts &timeouts);
    // Releases every transport the link holds, whatever linkType says.
    void ReleaseAll();
    void CloseNetwork();

    UserInterface &ui_;
    platform::Clock &clock_;
    LinkFacilities facilities_;
    QlnkBinding qlnk_;
    std::unique_ptr<SerialLine> serial_;
    std::unique_ptr<platform::OverlappedDevice> parallel_;
    std::unique_ptr<platform::OverlappedDevice> printerClass_;
    std::string printerClassPath_;
    // Whether Configure gave each channel to the library, so that Close never hands it a
    // zero-filled socket (descriptor 0).
    bool dataChannelOpened_ = false;
    bool statusChannelOpened_ = false;
};

}  // namespace rollvane
