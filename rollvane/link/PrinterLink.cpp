#include "rollvane/link/PrinterLink.h"

#include "platform/SystemError.h"
#include "rollvane/link/LinkCommands.h"
#include "rollvane/link/NetworkTransport.h"
#include "rollvane/link/OrnUsbStandIn.h"
#include "rollvane/link/OrnUsbTransport.h"
#include "rollvane/link/ParallelTransport.h"
#include "rollvane/link/PrinterClassTransport.h"
#include "rollvane/link/SerialTransport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace rollvane {

namespace {

constexpr uint32_t kStatusTimeoutMs = 100;
constexpr uint32_t kAfterStatusTimeoutMs = 10000;

// Root hubs are named usbN; they play the part of the "ROOT" enumerator.
bool IsRootHub(const std::string &sysname)
{
    if (sysname.size() <= 3 || sysname.compare(0, 3, "usb") != 0) {
        return false;
    }
    return std::all_of(sysname.begin() + 3, sysname.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::shared_ptr<platform::TraceLog> TraceOf(const LinkFacilities &facilities)
{
    return facilities.trace ? facilities.trace : std::make_shared<platform::TraceLog>("rollvane");
}

}  // namespace

PrinterLink::PrinterLink(UserInterface &ui, platform::Clock &clock, LinkFacilities facilities)
    : devicePaths(kMaxDevicePaths), ui_(ui), clock_(clock), facilities_(std::move(facilities)),
      trace_(TraceOf(facilities_)), journal_(*trace_), dataPort_(NetworkTransport::kDefaultDataPort),
      statusPort_(NetworkTransport::kDefaultStatusPort)
{
    if (!facilities_.ornUsb && facilities_.usbBus) {
        facilities_.ornUsb = std::make_unique<OrnUsbStandIn>(facilities_.usbBus);
    }
}

PrinterLink::~PrinterLink()
{
    // The transport goes first: it may still hand its channels back to the library.
    transport_.reset();
}

bool PrinterLink::IsBusy(uint8_t status)
{
    return (status & LinkCommands::kBusyBit) != 0 || status == LinkCommands::kNoStatus;
}

bool PrinterLink::isOpen() const
{
    return transport_ && transport_->isOpen();
}

void PrinterLink::UseNetworkPorts(uint32_t dataPort, uint32_t statusPort)
{
    dataPort_ = dataPort;
    statusPort_ = statusPort;
}

ProgressWindow &PrinterLink::StartProgress(const std::string &message)
{
    progress = ui_.OpenProgress();
    progress->SetMessage(message);
    return *progress;
}

std::unique_ptr<LinkTransport> PrinterLink::MakeTransport()
{
    switch (linkType) {
    case LinkSerial:
        return std::make_unique<SerialTransport>(facilities_.openSerial, devices_, journal_);
    case LinkParallel:
        return std::make_unique<ParallelTransport>(facilities_.openParallel, devices_, clock_, journal_);
    case LinkOrnUsb:
        return std::make_unique<OrnUsbTransport>(facilities_.ornUsb.get(), devices_.entry("ORNUSB"), journal_);
    case LinkUsbPrinterClass:
        return std::make_unique<PrinterClassTransport>(
            facilities_.openPrinterClass, [this] { return ChoosePrinterClassPath(); }, facilities_.usbBus,
            facilities_.usbDirectory, journal_);
    case LinkNetwork:
        return std::make_unique<NetworkTransport>(facilities_.qlnkLibrary, dataPort_, statusPort_, clock_, journal_);
    default:
        return nullptr;
    }
}

int PrinterLink::Open(const std::string &port)
{
    // Whatever an earlier action left open goes first, so nothing leaks.
    if (isOpen()) {
        transport_->Close();
    }
    transport_ = MakeTransport();
    portName = port;
    journal_.Forget();
    if (!transport_) {
        journal_.Failed(port, "open", "the interface type " + std::to_string(linkType) + " names no transport",
                        "choose the port again in Interface Properties");
        return 0;
    }
    const int opened = Waiting([&] { return transport_->Open(port); });
    if (journal_.tracing()) {
        journal_.Trace("open " + transport_->where() + (opened ? "" : " failed"));
    }
    return opened;
}

std::string PrinterLink::ChoosePrinterClassPath()
{
    std::vector<std::string> found;
    const int count = EnumerateUsbPrinters(&found);
    if (count > deviceCount) {
        deviceCount = count;
        devicePaths[0] = found[0];
    }
    return deviceCount > 0 ? devicePaths[0] : std::string();
}

int PrinterLink::EnumerateUsbPrinters(std::vector<std::string> *paths)
{
    paths->clear();
    if (!facilities_.usbDirectory) {
        return 0;
    }
    std::vector<platform::UsbPrinterNode> nodes;
    if (int error = 0; !facilities_.usbDirectory->PrinterNodes(&nodes, &error)) {
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

LinkSettings PrinterLink::remembered() const
{
    return {baudRate, parityName, dataBits, stopBits, flowControl, ipAddress};
}

int PrinterLink::Configure(const InterfaceSettings &settings)
{
    baudRate = settings.baudRate;
    parityName = settings.parityText;
    dataBits = settings.dataBits;
    stopBits = settings.stopBits;
    ipAddress = settings.ipAddress;
    if (transport_) {
        Waiting([&] { return transport_->Configure(remembered()); });
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
    return transport_ ? Waiting([&] { return transport_->ConfigureLine(remembered()); }) : 0;
}

int PrinterLink::Reopen()
{
    if (!Open(portName)) {
        return 0;
    }
    ConfigureSerial(portName, baudRate, parityName, dataBits, stopBits);
    return 1;
}

int PrinterLink::SetReadTimeout(uint32_t ms)
{
    return transport_ ? transport_->SetReadTimeout(ms) : 0;
}

int PrinterLink::SetWriteTimeout(uint32_t ms)
{
    return transport_ ? transport_->SetWriteTimeout(ms) : 0;
}

void PrinterLink::PurgeReceive()
{
    if (transport_) {
        transport_->PurgeReceive();
    }
}

int PrinterLink::CheckConnected()
{
    return transport_ ? transport_->CheckConnected() : 0;
}

int PrinterLink::Send(std::initializer_list<uint8_t> bytes)
{
    return Send(bytes.begin(), static_cast<uint32_t>(bytes.size()));
}

int PrinterLink::Send(const uint8_t *data, uint32_t length)
{
    if (length == 0) {
        // An empty block has nothing to carry; a port would wait for a byte that never goes.
        return transport_ && transport_->isOpen() ? 1 : 0;
    }
    return transport_ ? Waiting([&] { return transport_->Send(data, length, false); }) : 0;
}

int PrinterLink::SendBulk(uint8_t *data, uint32_t length)
{
    if (length == 0) {
        return transport_ && transport_->isOpen() ? 1 : 0;
    }
    // The data goes out exactly as given, and every transport reports its real result.
    return transport_ ? Waiting([&] { return transport_->Send(data, length, true); }) : 0;
}

int PrinterLink::Receive(uint8_t *buffer, uint32_t length)
{
    return transport_ ? Waiting([&] { return transport_->Receive(buffer, length); }) : 0;
}

int PrinterLink::ReceiveStatusReply(uint8_t *buffer, uint32_t length)
{
    return transport_ ? Waiting([&] { return transport_->ReceiveStatusReply(buffer, length); }) : 0;
}

int PrinterLink::QueryStatus(uint8_t *status)
{
    SetReadTimeout(kStatusTimeoutMs);
    SetWriteTimeout(kStatusTimeoutMs);
    status[0] = LinkCommands::kNoStatus;
    if (!transport_ || !Waiting([&] { return transport_->QueryStatus(status); })) {
        return 0;
    }
    SetReadTimeout(kAfterStatusTimeoutMs);
    SetWriteTimeout(kAfterStatusTimeoutMs);
    return 1;
}

void PrinterLink::Close()
{
    if (!transport_) {
        return;
    }
    const bool wasOpen = transport_->isOpen();
    transport_->Close();
    if (wasOpen && journal_.tracing()) {
        journal_.Trace("close " + transport_->where());
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
    Waiting([&] { clock_.SleepPastWholeSeconds(seconds); });
}

void PrinterLink::Pause(std::chrono::milliseconds duration)
{
    Waiting([&] { clock_.SleepFor(duration); });
}

int PrinterLink::CheckUsbReconnect()
{
    return facilities_.ornUsb ? facilities_.ornUsb->CheckReconnect(ornDevice()) : 1;
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
    int error = ENOSYS;
    if (!facilities_.usbDirectory || !facilities_.usbDirectory->PresentDevices(&present, &error)) {
        // The message names the Linux call that failed, as the person would look it up.
        ui_.ShowMessage("udev_enumerate_scan_devices(): " + platform::SystemError::Text(error), "Rollvane",
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

const QLNK_CommContext &PrinterLink::dataChannel() const
{
    static const QLNK_CommContext kNone{};
    const auto *network = current<NetworkTransport>();
    return network ? network->dataChannel() : kNone;
}

const QLNK_CommContext &PrinterLink::statusChannel() const
{
    static const QLNK_CommContext kNone{};
    const auto *network = current<NetworkTransport>();
    return network ? network->statusChannel() : kNone;
}

const platform::Dcb &PrinterLink::serialState() const
{
    static const platform::Dcb kNone{};
    const auto *serial = current<SerialTransport>();
    return serial ? serial->serialState() : kNone;
}

const platform::CommTimeouts &PrinterLink::serialTimeouts() const
{
    static const platform::CommTimeouts kNone{};
    const auto *serial = current<SerialTransport>();
    return serial ? serial->serialTimeouts() : kNone;
}

intptr_t PrinterLink::ornDevice() const
{
    const auto *usb = current<OrnUsbTransport>();
    return usb ? usb->ornDevice() : 0;
}

int32_t PrinterLink::ornWritePipe() const
{
    const auto *usb = current<OrnUsbTransport>();
    return usb ? usb->ornWritePipe() : -1;
}

int32_t PrinterLink::ornReadPipe() const
{
    const auto *usb = current<OrnUsbTransport>();
    return usb ? usb->ornReadPipe() : -1;
}

}  // namespace rollvane
