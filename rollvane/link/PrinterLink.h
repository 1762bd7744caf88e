#pragma once

// The link layer: the one object every page reaches the printer through, its transports, the
// person's side (UserInterface, ProgressWindow) and the frame of a printer action.
// Error convention of the layer: operations report 1 for success and 0 for failure, printer
// sequences return a PrinterErrorCode, and the cause of a failure (device or address, operation,
// system text) is kept in the link for the message that reports it. Nothing throws.

#include "platform/Clock.h"
#include "platform/DevicePaths.h"
#include "platform/SerialSettings.h"
#include "platform/TraceLog.h"
#include "platform/UsbDeviceEvent.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/LinkFacilities.h"
#include "rollvane/link/LinkJournal.h"
#include "rollvane/link/LinkTransport.h"
#include "rollvane/link/LinkType.h"
#include "rollvane/link/PrinterErrorCode.h"
#include "rollvane/link/ProgressWindow.h"
#include "rollvane/link/UserInterface.h"

#include <qlnk.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace rollvane {

// The one object through which the program talks to the printer. Open chooses the transport
// that linkType names, and every operation until the next Open goes to it. Every action runs
// Open, Configure, its traffic, then EndOperation or Close (PrinterAction does this frame).
class PrinterLink {
public:
    static constexpr std::size_t kStatusBufferSize = LinkTransport::kStatusBufferSize;
    static constexpr int32_t kMaxDevicePaths = 127;

    PrinterLink(UserInterface &ui, platform::Clock &clock, LinkFacilities facilities = LinkFacilities::Real());
    ~PrinterLink();
    PrinterLink(const PrinterLink &) = delete;
    PrinterLink &operator=(const PrinterLink &) = delete;

    int Open(const std::string &port);
    // Applies the action's interface settings: the serial line, or the network channels to its
    // address. Always 0; a network channel that did not open shows in the later traffic.
    int Configure(const InterfaceSettings &settings);
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
    // 0, with the cause, when the printer has gone since the last send (see LinkTransport).
    int CheckConnected();
    int SetReadTimeout(uint32_t ms);
    int SetWriteTimeout(uint32_t ms);
    void Close();
    void EndOperation();
    void WaitSeconds(int32_t seconds);
    // A pause of a printer sequence (a restart, a retry); the windows stay painted meanwhile.
    void Pause(std::chrono::milliseconds duration);
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

    bool isOpen() const;
    UserInterface &ui() { return ui_; }
    platform::Clock &clock() { return clock_; }
    // Why the last operation since Open failed ("COM3 (/dev/ttyUSB0): open: Permission
    // denied"), for the message that reports it; empty when nothing failed.
    const std::string &failureCause() const { return journal_.cause(); }
    const LinkJournal &journal() const { return journal_; }
    // The opt-in trace of opens, configures, closes and blocks (ROLLVANE_TRACE, --trace).
    platform::TraceLog &trace() { return *trace_; }
    // Port name to device node, from inifile.inf [DEVICES].
    platform::DevicePaths &devices() { return devices_; }
    // The network channels' ports; only tests use others than 9100 and 3000.
    void UseNetworkPorts(uint32_t dataPort, uint32_t statusPort);

    // The state of the transport in use (zero-filled, -1 or 0 when another one is in use).
    const QLNK_CommContext &dataChannel() const;
    const QLNK_CommContext &statusChannel() const;
    const platform::Dcb &serialState() const;
    const platform::CommTimeouts &serialTimeouts() const;
    intptr_t ornDevice() const;
    int32_t ornWritePipe() const;
    int32_t ornReadPipe() const;

    // The link's own record, read and set by the pages and the main window.
    int32_t linkType = LinkSerial;
    std::string portName;
    int32_t baudRate = 0;
    std::string parityName;
    int32_t dataBits = 0;
    int32_t stopBits = 0;
    std::string flowControl;
    uint32_t ipAddress = 0;
    // USB printer-class paths; only the first deviceCount entries are valid.
    std::vector<std::string> devicePaths;
    int32_t deviceCount = 0;
    std::unique_ptr<ProgressWindow> progress;

private:
    // The transport linkType names, or nothing for a value that names none.
    std::unique_ptr<LinkTransport> MakeTransport();
    // Open's printer-class bookkeeping: the node to open, or empty when none is known.
    std::string ChoosePrinterClassPath();
    LinkSettings remembered() const;
    // Runs one exchange that may block. Where the person's side keeps its windows painted, the
    // exchange runs on a helper thread meanwhile; the action still runs one step at a time.
    template <typename Exchange>
    auto Waiting(Exchange exchange) -> decltype(exchange());
    template <typename Transport>
    const Transport *current() const
    {
        return dynamic_cast<const Transport *>(transport_.get());
    }

    UserInterface &ui_;
    platform::Clock &clock_;
    LinkFacilities facilities_;
    std::shared_ptr<platform::TraceLog> trace_;
    LinkJournal journal_;
    platform::DevicePaths devices_;
    uint32_t dataPort_;
    uint32_t statusPort_;
    std::unique_ptr<LinkTransport> transport_;
};

template <typename Exchange>
auto PrinterLink::Waiting(Exchange exchange) -> decltype(exchange())
{
    if (!ui_.paintsWhileWaiting()) {
        return exchange();
    }
    auto done = std::async(std::launch::async, exchange);
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        ui_.PaintWhileWaiting();
    }
    return done.get();
}

}  // namespace rollvane
