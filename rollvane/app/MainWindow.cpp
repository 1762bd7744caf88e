#include "rollvane/app/MainWindow.h"

#include "rollvane/graphics/BitImagePage.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/PrinterFinder.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/messages/MessagesPage.h"
#include "rollvane/printouts/DemoPage.h"
#include "rollvane/printouts/TestPrintPage.h"
#include "rollvane/settings/SettingsPage.h"

#include "platform/InputFile.h"
#include "platform/ProfileFile.h"
#include "platform/SystemError.h"
#include "platform/UsbDeviceMonitor.h"

#include <iostream>

namespace rollvane {

const char *const MainWindow::kCaption = "KOVA -AXX Rollvane Ver 2.28 ";
const char *const MainWindow::kWarningLine = "Please ensure Interface Properties before communicating with printer!";
const std::array<const char *, MainWindow::kPageCount> MainWindow::kTabCaptions = {
    "Change Settings", "Define Bit Images", "Define Top/Bottom Msgs", "Online Test Print", "Demo Print"};

MainWindow::MainWindow(UserInterface &ui, platform::Clock &clock, const std::string &settingsPath)
    : ui_(ui), clock_(clock), settingsFile_(settingsPath), link_(std::make_unique<PrinterLink>(ui, clock))
{
    const InterfaceSettingsFile::Values values = settingsFile_.Read();
    if (values.readError != 0) {
        // The program starts without the file's settings, and will not replace the file.
        ui_.ShowMessage("The interface settings cannot be read from " + settingsFile_.path() + ": " +
                            platform::InputFile::FailureText(values.readError, platform::ProfileFile::kMaxBytes) + ".",
                        "Error", MessageIcon::Exclamation);
    }
    link_->flowControl = values.flowText;
    link_->linkType = values.linkType;
    link_->devices() = values.devices;
    interfaceDialog_ = std::make_unique<InterfacePropertiesDialog>(
        values.portText, values.baudText, values.stopBitsText, values.parityText, values.flowText, values.ipAddress);
    // Cancelling the first Interface Properties dialog leaves the link type of the file in force.
    interfaceDialog_->settings().linkType = values.linkType;
    settingsPage_ = std::make_unique<SettingsPage>(*link_, interfaceDialog_->settings());
    bitImagePage_ = std::make_unique<BitImagePage>(*link_, interfaceDialog_->settings());
    messagesPage_ = std::make_unique<MessagesPage>(*link_, interfaceDialog_->settings());
    testPrintPage_ = std::make_unique<TestPrintPage>(*link_, interfaceDialog_->settings());
    demoPage_ = std::make_unique<DemoPage>(*link_, interfaceDialog_->settings());
}

MainWindow::~MainWindow() = default;

void MainWindow::ShowPage(int index)
{
    currentPage_ = index;
    shownPage_ = index >= 0 && index < kPageCount ? index : -1;
}

void MainWindow::SelectTab(int index)
{
    if (index != currentPage_) {
        ShowPage(index);
    }
}

void MainWindow::SetExitEnabled(bool enabled)
{
    exitEnabled_ = enabled;
    if (onExitEnabledChanged) {
        onExitEnabledChanged(enabled);
    }
}

void MainWindow::RunInterfaceProperties()
{
    ShowInterfaceProperties(nullptr);
}

void MainWindow::ShowInterfaceProperties(const InterfaceSettings *beforeProposal)
{
    SetExitEnabled(false);
    if (!ui_.RunInterfaceProperties() && beforeProposal) {
        interfaceDialog_->settings() = *beforeProposal;
    }
    // Whatever closed the dialog: its link type and flow control are the link's from now on.
    link_->linkType = interfaceDialog_->settings().linkType;
    link_->flowControl = interfaceDialog_->settings().flowText;
    SetExitEnabled(true);
}

void MainWindow::UseFoundPrinter(const FoundPrinter &printer)
{
    const InterfaceSettings before = interfaceDialog_->settings();
    InterfaceSettings &settings = interfaceDialog_->settings();
    settings.portText = "LAN";
    settings.linkType = InterfacePropertiesDialog::LinkTypeFor(settings.portText);
    interfaceDialog_->SetIpAddress(printer.address);
    ShowInterfaceProperties(&before);
}

void MainWindow::PrintConfigurations()
{
    SetExitEnabled(false);
    PrinterAction action(*link_, interfaceDialog_->settings());
    if (action.Open()) {
        // A status that does not come is no reason to stop: the printout checks again.
        if (action.CheckStatus(1, false) == PrinterAction::Status::Busy) {
            action.Finish();
            SetExitEnabled(true);
            return;
        }
        settingsPage_->ReportPrinterError(settingsPage_->transfer().ConfigurationPrintout());
    }
    SetExitEnabled(true);
}

int MainWindow::RegisterDeviceNotifications()
{
    int error = 0;
    usbMonitor_ = eventSourceFactory_ ? eventSourceFactory_(&error) : platform::UsbDeviceMonitor::Create(&error);
    if (!usbMonitor_) {
        ui_.ShowMessage("Can't register device notification: " + platform::SystemError::Text(error), "Error",
                        MessageIcon::Exclamation);
        return -1;
    }
    link_->deviceCount = 0;
    return usbMonitor_->fd();
}

void MainWindow::DeviceNotificationReady()
{
    platform::UsbDeviceEvent event;
    while (usbMonitor_ && usbMonitor_->ReadEvent(&event)) {
        link_->HandleDeviceChange(event);
    }
}

bool MainWindow::WriteInterfaceSettings()
{
    int error = 0;
    if (settingsFile_.Write(interfaceDialog_->settings(), link_->linkType, &error)) {
        return true;
    }
    const std::string text = "The interface settings could not be saved to " + settingsFile_.path() + ": " +
                             platform::SystemError::Text(error);
    std::cerr << "rollvane: " << text << "\n";
    ui_.ShowMessage(text, "Error", MessageIcon::Stop);
    return false;
}

}  // namespace rollvane
