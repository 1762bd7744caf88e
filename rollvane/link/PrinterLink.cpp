#include "rollvane/link/PrinterLink.h"

#include "platform/SystemError.h"
#include "rollvane/link/LinkCommands.h"
#include "rollvane/link/OrnUsbStandIn.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace rollvane {

namespace {

using std::chrono::milliseconds;

constexpr uint32_t kMax = platform::kMaxTimeout;

// The two time-out setters, as data: read interval, read multiplier, read constant, write
// multiplier, write constant. The argument takes the place of the constant it names.
platform::CommTimeouts ReadTimeouts(uint32_t ms)
{
    return {kMax, kMax, ms, 250, 10000};
}

platform::CommTimeouts WriteTimeouts(uint32_t ms)
{
    return {kMax, kMax, 1000, 1250, ms};
}

constexpr uint32_t kOpenReadTimeoutMs = 30000;
constexpr uint32_t kStatusTimeoutMs = 100;
constexpr uint32_t kAfterStatusTimeoutMs = 10000;

constexpr milliseconds kOverlappedWriteWait{5000};
constexpr milliseconds kOverlappedReadWait{10000};
constexpr milliseconds kParallelReadPause{400};

constexpr uint32_t kNetworkSendTimeoutMs = 50000;
constexpr uint32_t kNetworkBulkTimeoutMs = 5000;
constexpr uint32_t kNetworkReceiveTimeoutMs = 10000;
constexpr uint32_t kNetworkConnectTimeoutMs = 10000;
constexpr uint32_t kNetworkReceiveBufferSize = 128;

constexpr unsigned kPrinterClassRequestTimeoutMs = 5000;
// Vendor request, device to host, to the printer interface: the control request behind the
// printer-class driver's vendor "get" call (request 5, value 0x0500).
constexpr uint8_t kPrinterClassRequestType = 0xC1;

// The serial flag word after the flow-control choice: these bits are forced, the rest kept.
constexpr uint32_t kForcedOn = platform::Dcb::kBinary | platform::Dcb::kParityCheck | (1u << platform::Dcb::kDtrControlShift) |
                               platform::Dcb::kTxContinueOnXoff | (1u << platform::Dcb::kRtsControlShift);
// DTR and RTS control end up 1 ("enable"): their upper bits are cleared, the lower ones set.
constexpr uint32_t kForcedOff = platform::Dcb::kCtsOutputFlow | (2u << platform::Dcb::kDtrControlShift) |
                                platform::Dcb::kDsrSensitivity | platform::Dcb::kErrorChar | platform::Dcb::kNullStripping |
                                (2u << platform::Dcb::kRtsControlShift) | platform::Dcb::kAbortOnError;
static_assert(kForcedOn == 0x1093 && (~kForcedOff & 0xFFFFFFFFu) == 0xFFFF939B, "serial flag word");

const char *const kXonXoff = "Xon/Xoff";

// The original's "last error" tests, as errno values: "file not found" (2) is ENOENT, ENODEV
// or ENXIO (a node without its device); "no system resources" (1450) is ENOMEM or EAGAIN.
bool NotFoundOrNoResources(int error)
{
    return error == ENOENT || error == ENODEV || error == ENXIO || error == ENOMEM || error == EAGAIN;
}

// Root hubs are named usbN; they play the part of the "ROOT" enumerator.
bool IsRootHub(const std::string &sysname)
{
    if (sysname.size() <= 3 || sysname.compare(0, 3, "usb") != 0) {
        return false;
    }
    return std::all_of(sysname.begin() + 3, sysname.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

}  // namespace

PrinterLink::PrinterLink(UserInterface &ui, platform::Clock &clock, LinkFacilities facilities)
    : devicePaths(kMaxDevicePaths), ui_(ui), clock_(clock), facilities_(std::move(facilities)),
      qlnk_(facilities_.qlnkLibrary)
{
    if (!facilities_.ornUsb && facilities_.usbBus) {
        facilities_.ornUsb = std::make_unique<OrnUsbStandIn>(facilities_.usbBus);
    }
}

PrinterLink::~PrinterLink()
{
    ReleaseAll();
}

bool PrinterLink::IsBusy(uint8_t status)
{
    return (status & LinkCommands::kBusyBit) != 0 || status == LinkCommands::kNoStatus;
}

bool PrinterLink::IsOpen() const
{
    return serial_ || parallel_ || printerClass_ || ornDevice != 0 || ornWritePipe != -1 || ornReadPipe != -1 ||
           dataChannelOpened_ || statusChannelOpened_;
}

ProgressWindow &PrinterLink::StartProgress(const std::string &message)
{
    progress = ui_.OpenProgress();
    progress->SetMessage(message);
    return *progress;
}

int PrinterLink::Open(const std::string &port)
{
    // Whatever an earlier action left open goes first, so nothing leaks.
    ReleaseAll();
    portName = port;
    int error = 0;
    switch (linkType) {
    case LinkSerial:
        if (facilities_.openSerial) {
            serial_ = facilities_.openSerial(devices.path(port), &error);
        }
        SetReadTimeout(kOpenReadTimeoutMs);
        return serial_ ? 1 : 0;
    case LinkParallel:
        if (facilities_.openParallel) {
            parallel_ = facilities_.openParallel(devices.path(port), &error);
        }
        return parallel_ ? 1 : 0;
    case LinkOrnUsb:
        return OpenOrnUsb();
    case LinkUsbPrinterClass:
        return OpenPrinterClass();
    case LinkNetwork:
        return 1;  // the channels open in Configure
    default:
        return 0;
    }
}

int PrinterLink::OpenOrnUsb()
{
    OrnUsbDriver *driver = facilities_.ornUsb.get();
    if (!driver) {
        return 0;
    }
    driver->SelectDevice(devices.entry("ORNUSB"));
    int lastError = 0;
    ornDevice = driver->OpenDevice(&lastError);
    if (NotFoundOrNoResources(lastError)) {
        return 0;
    }
    ornWritePipe = driver->OpenPipe(ornDevice, 0, 1, 1);
    if (ornWritePipe == -1) {
        return 0;
    }
    ornReadPipe = driver->OpenPipe(ornDevice, 0, 0, 1);
    return ornReadPipe == -1 ? 0 : 1;
}

int PrinterLink::OpenPrinterClass()
{
    std::vector<std::string> found;
    const int count = EnumerateUsbPrinters(&found);
    if (count > deviceCount) {
        deviceCount = count;
        devicePaths[0] = found[0];
    }
    if (deviceCount <= 0) {
        return 0;
    }
    int error = 0;
    printerClassPath_ = devicePaths[0];
    if (facilities_.openPrinterClass) {
        printerClass_ = facilities_.openPrinterClass(printerClassPath_, &error);
    } else {
        error = ENOENT;
    }
    // Only "not found" and "no resources" count as a failed open; the traffic shows the rest.
    return !printerClass_ && NotFoundOrNoResources(error) ? 0 : 1;
}

int PrinterLink::EnumerateUsbPrinters(std::vector<std::string> *paths)
{
    paths->clear();
    if (!facilities_.usbDirectory) {
        return 0;
    }
    std::vector<platform::UsbPrinterNode> nodes;
    if (facilities_.usbDirectory->PrinterNodes(&nodes) != 0) {
        return 0;
    }
    for (const auto &node : nodes) {
        if (static_cast<int32_t>(paths->size()) == kMaxDevicePaths) {
            break;
        }
        paths->push_back(node.devnode);
    }
    return static_cast<int>(paths->size());
}

int PrinterLink::Configure(const std::string &port, int32_t baud, const std::string &parity, int32_t bits, int32_t stop,
                           uint32_t address)
{
    switch (linkType) {
    case LinkSerial:
        ConfigureSerial(port, baud, parity, bits, stop);
        break;
    case LinkNetwork:
        ConfigureNetwork(address);
        break;
    default:
        break;
    }
    return 0;
}

int PrinterLink::ConfigureSerial(const std::string & /*port*/, int32_t baud, const std::string &parity, int32_t bits,
                                 int32_t stop)
{
    baudRate = baud;
    parityName = parity;
    dataBits = bits;
    stopBits = stop;

    serialState.DCBlength = sizeof(platform::Dcb);
    int error = 0;
    if (serial_) {
        serial_->GetState(&serialState, &error);
    }

    switch (parity.empty() ? '\0' : std::toupper(static_cast<unsigned char>(parity[0]))) {
    case 'E':
        serialState.Parity = platform::Dcb::kParityEven;
        break;
    case 'M':
        serialState.Parity = platform::Dcb::kParityMark;
        break;
    case 'O':
        serialState.Parity = platform::Dcb::kParityOdd;
        break;
    case 'S':
        serialState.Parity = platform::Dcb::kParitySpace;
        break;
    default:
        serialState.Parity = platform::Dcb::kParityNone;
        break;
    }

    uint32_t flags = serialState.flags;
    if (flowControl == kXonXoff) {
        flags &= ~platform::Dcb::kDsrOutputFlow;
        flags |= platform::Dcb::kXonXoffOutput | platform::Dcb::kXonXoffInput;
    } else {
        flags |= platform::Dcb::kDsrOutputFlow;
        flags &= ~(platform::Dcb::kXonXoffOutput | platform::Dcb::kXonXoffInput);
    }
    serialState.flags = (flags & ~kForcedOff) | kForcedOn;

    serialState.BaudRate = static_cast<uint32_t>(baud);
    serialState.ByteSize = static_cast<uint8_t>(bits);
    if (stop == 1) {
        serialState.StopBits = platform::Dcb::kStopBitsOne;
    } else if (stop == 2) {
        serialState.StopBits = platform::Dcb::kStopBitsTwo;
    }

    SetReadTimeout(kOpenReadTimeoutMs);
    if (!serial_ || !serial_->SetState(serialState, &error)) {
        return 0;
    }
    // The driver queue sizes of the original have no counterpart on a tty.
    return 1;
}

int PrinterLink::ConfigureNetwork(uint32_t address)
{
    ipAddress = address;
    // Channels of an earlier Configure are not left behind in the library.
    CloseNetwork();
    const int found = qlnk_.Hold();

    dataChannel.portType = QLNK_PORT_TCP_RAW;
    dataChannel.netAddress = address;
    dataChannel.netPort = dataPort;
    dataChannel.netTimeout = kNetworkConnectTimeoutMs;
    statusChannel.portType = QLNK_PORT_UDP_RAW;
    statusChannel.netAddress = address;
    statusChannel.netPort = statusPort;
    statusChannel.netTimeout = kNetworkConnectTimeoutMs;
    if (!found) {
        return 0;
    }
    // Neither result is passed on: a channel that did not open fails its traffic later.
    qlnk_.Open(&dataChannel);
    dataChannelOpened_ = true;
    qlnk_.Open(&statusChannel);
    statusChannelOpened_ = true;
    return 1;
}

int PrinterLink::Reopen()
{
    if (!Open(portName)) {
        return 0;
    }
    ConfigureSerial(portName, baudRate, parityName, dataBits, stopBits);
    return 1;
}

int PrinterLink::ApplyTimeouts(const platform::CommTimeouts &timeouts)
{
    if (linkType != LinkSerial || !serial_) {
        return 0;
    }
    serialTimeouts = serial_->Timeouts();
    serialTimeouts = timeouts;
    return serial_->SetTimeouts(serialTimeouts) ? 1 : 0;
}

int PrinterLink::SetReadTimeout(uint32_t ms)
{
    return ApplyTimeouts(ReadTimeouts(ms));
}

int PrinterLink::SetWriteTimeout(uint32_t ms)
{
    return ApplyTimeouts(WriteTimeouts(ms));
}

void PrinterLink::PurgeReceive()
{
    if (serial_) {
        serial_->PurgeReceive();
    }
}

int PrinterLink::Send(std::initializer_list<uint8_t> bytes)
{
    return Send(bytes.begin(), static_cast<uint32_t>(bytes.size()));
}

int PrinterLink::Send(const uint8_t *data, uint32_t length)
{
    switch (linkType) {
    case LinkSerial:
        return SendSerial(data, length);
    case LinkParallel:
        return SendOverlapped(parallel_.get(), data, length, true);
    case LinkOrnUsb:
        return SendOverlapped(facilities_.ornUsb ? facilities_.ornUsb->Pipe(ornWritePipe) : nullptr, data, length,
                              true);
    case LinkUsbPrinterClass:
        return SendOverlapped(printerClass_.get(), data, length, false);
    case LinkNetwork:
        return SendNetwork(data, length, kNetworkSendTimeoutMs);
    default:
        return 0;
    }
}

int PrinterLink::SendBulk(uint8_t *data, uint32_t length)
{
    // The data goes out exactly as given, and every transport reports its real result.
    if (linkType == LinkNetwork) {
        return SendNetwork(data, length, kNetworkBulkTimeoutMs);
    }
    return Send(data, length);
}

int PrinterLink::SendSerial(const uint8_t *data, uint32_t length)
{
    if (!serial_) {
        return 0;
    }
    PurgeReceive();
    std::size_t offset = 0;
    std::size_t outstanding = length;
    for (;;) {
        std::size_t moved = 0;
        int error = 0;
        // A write that fails after moving some bytes does not end the loop; one that moves none does.
        serial_->Write(data + offset, outstanding, &moved, &error);
        if (moved == 0) {
            return 0;
        }
        if (moved >= outstanding) {
            return 1;
        }
        outstanding -= moved;
        offset += moved;
    }
}

int PrinterLink::SendOverlapped(platform::OverlappedDevice *device, const uint8_t *data, uint32_t length,
                                bool firstWait)
{
    if (!device) {
        return 0;
    }
    std::size_t moved = 0;
    int error = 0;
    const auto start = device->StartWrite(data, length, &moved, &error);
    if (firstWait) {
        device->WaitPending(kOverlappedWriteWait);
    }
    // A write the device refused outright sent nothing; it must not read as sent.
    if (start != platform::OverlappedDevice::Start::Pending) {
        return start == platform::OverlappedDevice::Start::Completed ? 1 : 0;
    }
    return device->PendingResult(true, &moved, &error) ? 1 : 0;
}

int PrinterLink::ReceiveOverlapped(platform::OverlappedDevice *device, uint8_t *buffer, uint32_t length)
{
    if (!device) {
        return 0;
    }
    std::size_t moved = 0;
    int error = 0;
    const auto start = device->StartRead(buffer, length, &moved, &error);
    device->WaitPending(kOverlappedReadWait);
    // A refused read delivered nothing; the caller's buffer holds no reply.
    if (start != platform::OverlappedDevice::Start::Pending) {
        return start == platform::OverlappedDevice::Start::Completed ? 1 : 0;
    }
    if (device->PendingResult(false, &moved, &error)) {
        return 1;
    }
    // The read must not outlive the caller's buffer.
    device->Cancel();
    return 0;
}

int PrinterLink::SendNetwork(const uint8_t *data, uint32_t length, uint32_t timeoutMs)
{
    uint32_t sent = length;
    return qlnk_.SendData(&dataChannel.netSocket, data, length, &sent, dataChannel.portType, timeoutMs);
}

int PrinterLink::Receive(uint8_t *buffer, uint32_t length)
{
    switch (linkType) {
    case LinkSerial: {
        if (!serial_) {
            return 0;
        }
        for (uint32_t i = 0; i < length; ++i) {
            std::size_t received = 0;
            int error = 0;
            if (!serial_->Read(buffer + i, 1, &received, &error) || received != 1) {
                return 0;
            }
        }
        return 1;
    }
    case LinkParallel:
        clock_.sleepFor(kParallelReadPause);
        return ReceiveOverlapped(parallel_.get(), buffer, length);
    case LinkOrnUsb:
        return ReceiveOverlapped(facilities_.ornUsb ? facilities_.ornUsb->Pipe(ornReadPipe) : nullptr, buffer, length);
    case LinkUsbPrinterClass:
        return ReceiveOverlapped(printerClass_.get(), buffer, length);
    case LinkNetwork: {
        uint8_t local[kNetworkReceiveBufferSize];
        std::memset(local, 0xFF, sizeof local);
        uint32_t received = 0;
        const int result = qlnk_.RecvData(&dataChannel.netSocket, local, sizeof local, &received, dataChannel.portType,
                                          kNetworkReceiveTimeoutMs);
        if (received > 0) {
            std::memcpy(buffer, local, std::min<uint32_t>({received, length, kNetworkReceiveBufferSize}));
        }
        return result;
    }
    default:
        return 0;
    }
}

int PrinterLink::ReceiveStatusReply(uint8_t *buffer, uint32_t length)
{
    uint32_t received = 0;
    return ReceiveStatusReplyCounted(buffer, length, &received);
}

int PrinterLink::ReceiveStatusReplyCounted(uint8_t *buffer, uint32_t length, uint32_t *received)
{
    uint8_t local[LinkCommands::kNetworkStatusReplySize];
    std::memset(local, 0xFF, sizeof local);
    *received = 0;
    const int result = qlnk_.RecvData(&statusChannel.netSocket, local, sizeof local, received, statusChannel.portType,
                                      kNetworkReceiveTimeoutMs);
    if (*received > 0) {
        // Bytes that did not come stay 0xFF.
        std::memcpy(buffer, local, std::min<uint32_t>(length, sizeof local));
    }
    return result;
}

int PrinterLink::QueryStatus(uint8_t *status)
{
    SetReadTimeout(kStatusTimeoutMs);
    SetWriteTimeout(kStatusTimeoutMs);
    status[0] = LinkCommands::kNoStatus;

    int ok = 0;
    switch (linkType) {
    case LinkSerial:
    case LinkParallel:
        ok = Send(LinkCommands::kStatusRequest.data(), LinkCommands::kStatusRequest.size()) && Receive(status, 1);
        break;
    case LinkOrnUsb: {
        if (!facilities_.ornUsb) {
            break;
        }
        uint32_t count = 0;
        const int32_t result = facilities_.ornUsb->ControlRead(
            ornDevice, 1, 0, LinkCommands::kVendorStatusRequest, LinkCommands::kVendorStatusValue,
            LinkCommands::kVendorStatusIndex, LinkCommands::kVendorStatusLength, status, &count);
        // Only "done, nothing read" is a failure; a failed read leaves 0xFF, which reads as busy.
        ok = !(result == 1 && count == 0);
        break;
    }
    case LinkUsbPrinterClass:
        ok = PrinterClassStatus(status);
        break;
    case LinkNetwork: {
        uint32_t sent = LinkCommands::kNetworkStatusRequest.size();
        if (!qlnk_.SendData(&statusChannel.netSocket, LinkCommands::kNetworkStatusRequest.data(),
                            LinkCommands::kNetworkStatusRequest.size(), &sent, statusChannel.portType,
                            kNetworkReceiveTimeoutMs)) {
            break;
        }
        WaitSeconds(0);
        uint8_t reply[LinkCommands::kNetworkStatusReplySize] = {};
        uint32_t received = 0;
        ReceiveStatusReplyCounted(reply, sizeof reply, &received);
        // No reply is no status, as with a silent serial printer.
        if (received == 0) {
            break;
        }
        status[0] = reply[LinkCommands::kNetworkStatusIndex];
        ok = 1;
        break;
    }
    default:
        break;
    }
    if (!ok) {
        return 0;
    }
    SetReadTimeout(kAfterStatusTimeoutMs);
    SetWriteTimeout(kAfterStatusTimeoutMs);
    return 1;
}

int PrinterLink::PrinterClassStatus(uint8_t *status)
{
    if (!printerClass_ || !facilities_.usbDirectory || !facilities_.usbBus) {
        return 0;
    }
    std::vector<platform::UsbPrinterNode> nodes;
    if (facilities_.usbDirectory->PrinterNodes(&nodes) != 0) {
        return 0;
    }
    auto node = std::find_if(nodes.begin(), nodes.end(),
                             [this](const platform::UsbPrinterNode &n) { return n.devnode == printerClassPath_; });
    if (node == nodes.end()) {
        return 0;
    }
    platform::UsbDeviceInfo info;
    info.vendorId = node->vendorId;
    info.productId = node->productId;
    info.busNumber = node->busNumber;
    info.deviceAddress = node->deviceAddress;
    int error = 0;
    auto device = facilities_.usbBus->Open(info, &error);
    if (!device) {
        return 0;
    }
    int moved = 0;
    error = device->ControlTransfer(kPrinterClassRequestType, LinkCommands::kVendorStatusRequest,
                                    LinkCommands::kVendorStatusValue, node->interfaceNumber, status,
                                    LinkCommands::kPrinterClassStatusLength, kPrinterClassRequestTimeoutMs, &moved);
    return error == 0 ? 1 : 0;
}

void PrinterLink::CloseNetwork()
{
    if (dataChannelOpened_) {
        qlnk_.CloseComm(&dataChannel.netSocket, dataChannel.portType);
        dataChannelOpened_ = false;
    }
    if (statusChannelOpened_) {
        qlnk_.CloseComm(&statusChannel.netSocket, statusChannel.portType);
        statusChannelOpened_ = false;
    }
    qlnk_.Release();
}

void PrinterLink::Close()
{
    switch (linkType) {
    case LinkSerial:
    case LinkParallel:
        serial_.reset();
        parallel_.reset();
        break;
    case LinkOrnUsb:
        if (OrnUsbDriver *driver = facilities_.ornUsb.get()) {
            if (ornWritePipe != -1) {
                driver->ClosePipe(ornWritePipe);
                ornWritePipe = -1;
            }
            if (ornReadPipe != -1) {
                driver->ClosePipe(ornReadPipe);
                ornReadPipe = -1;
            }
            driver->CloseDevice(ornDevice);
            ornDevice = 0;
        }
        break;
    case LinkUsbPrinterClass:
        printerClass_.reset();
        break;
    case LinkNetwork:
        CloseNetwork();
        break;
    default:
        break;
    }
}

void PrinterLink::ReleaseAll()
{
    serial_.reset();
    parallel_.reset();
    printerClass_.reset();
    if (OrnUsbDriver *driver = facilities_.ornUsb.get()) {
        if (ornWritePipe != -1) {
            driver->ClosePipe(ornWritePipe);
        }
        if (ornReadPipe != -1) {
            driver->ClosePipe(ornReadPipe);
        }
        if (ornDevice != 0) {
            driver->CloseDevice(ornDevice);
        }
    }
    ornWritePipe = -1;
    ornReadPipe = -1;
    ornDevice = 0;
    if (dataChannelOpened_ || statusChannelOpened_ || qlnk_.holding()) {
        CloseNetwork();
    }
}

void PrinterLink::EndOperation()
{
    if (progress) {
        progress->ResetRange();
        progress.reset();
    }
    Close();
}

void PrinterLink::WaitSeconds(int32_t seconds)
{
    // Lasts until the whole-second time is later than now's whole second plus seconds:
    // between seconds and seconds + 1, and until the next whole second for 0.
    const auto deadline = std::chrono::floor<std::chrono::seconds>(clock_.now()) + std::chrono::seconds(seconds);
    const platform::Clock::TimePoint end = deadline + std::chrono::seconds(1);
    while (clock_.now() < end) {
        clock_.sleepUntil(end);
    }
}

int PrinterLink::CheckUsbReconnect()
{
    return facilities_.ornUsb ? facilities_.ornUsb->CheckReconnect(ornDevice) : 1;
}

int PrinterLink::HandleDeviceChange(const platform::UsbDeviceEvent &event)
{
    using Kind = platform::UsbDeviceEvent::Kind;
    if ((event.kind != Kind::Arrival && event.kind != Kind::Removal) || event.devtype != "usb_device") {
        return 0;
    }
    deviceCount = 0;
    if (IsRootHub(event.sysname)) {
        return 0;
    }
    if (event.kind == Kind::Removal) {
        Close();
        return 0;
    }
    std::vector<platform::UsbPresentDevice> present;
    const int error = facilities_.usbDirectory ? facilities_.usbDirectory->PresentDevices(&present) : ENOSYS;
    if (error != 0) {
        ui_.ShowMessage("udev_enumerate_scan_devices(): " + platform::SystemError::text(error), "Rollvane",
                        MessageIcon::Exclamation);
        return 0;
    }
    for (const auto &device : present) {
        if (device.syspath == event.syspath) {
            // The printer node when the device has one by now, else the device's own node.
            std::string node = !device.printerNode.empty() ? device.printerNode
                               : !device.devnode.empty()   ? device.devnode
                                                           : event.devnode;
            devicePaths[deviceCount++] = node;
            break;
        }
    }
    return 0;
}

}  // namespace rollvane
