#pragma once

// The shell: the main window's commands over the pages, and inifile.inf.
// Error convention of the layer: as in the pages, a command tells the person through UserInterface
// message boxes and nothing throws; RegisterDeviceNotifications returns -1 after its box. When
// inifile.inf cannot be written the old file stays as it was, the reason goes to a message box
// and to standard error, and WriteInterfaceSettings returns false.

#include "platform/Clock.h"
#include "rollvane/app/InterfacePropertiesDialog.h"
#include "rollvane/app/InterfaceSettingsFile.h"
#include "rollvane/link/UserInterface.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace platform {
class UsbEventSource;
}

namespace rollvane {

class BitImagePage;
class DemoPage;
class MessagesPage;
class PrinterFinder;
class PrinterLink;
struct FoundPrinter;
class SettingsPage;
class TestPrintPage;

// The program's main window without its widgets: it owns the printer link, the Interface
// Properties dialog's object and the pages, keeps which page is on show, and carries out the
// menu commands. The desktop program shows it through MainWindowView; the CLI uses it as is.
class MainWindow {
public:
    static constexpr int kPageCount = 5;
    static constexpr int kStartPage = 1;
    static const char *const kCaption;
    static const char *const kWarningLine;
    static const std::array<const char *, kPageCount> kTabCaptions;

    // Reads inifile.inf (path) and creates the link, the dialog's object and the pages.
    MainWindow(UserInterface &ui, platform::Clock &clock,
               const std::string &settingsPath = InterfaceSettingsFile::kDefaultPath);
    ~MainWindow();

    MainWindow(const MainWindow &) = delete;
    MainWindow &operator=(const MainWindow &) = delete;

    PrinterLink &link() { return *link_; }
    InterfacePropertiesDialog &interfaceDialog() { return *interfaceDialog_; }
    UserInterface &ui() { return ui_; }
    SettingsPage &settingsPage() { return *settingsPage_; }
    BitImagePage &bitImagePage() { return *bitImagePage_; }
    MessagesPage &messagesPage() { return *messagesPage_; }
    TestPrintPage &testPrintPage() { return *testPrintPage_; }
    DemoPage &demoPage() { return *demoPage_; }

    int currentPage() const { return currentPage_; }
    bool pageShown(int index) const { return index == shownPage_; }
    // Shows the page of index and hides the others; an index outside 0 to 4 hides all five.
    void ShowPage(int index);
    // The tab selection changed: show the page unless it is already the current one.
    void SelectTab(int index);

    bool exitEnabled() const { return exitEnabled_; }
    // Told whenever the Exit button is to be enabled or disabled.
    std::function<void(bool)> onExitEnabledChanged;

    // The menu commands.
    void RunInterfaceProperties();
    void PrintConfigurations();
    // A printer chosen from those found on the network: its address with the port "LAN" go into
    // the Interface Properties dialog for the person to confirm. OK takes them as usual; Cancel
    // leaves the settings as they were before.
    void UseFoundPrinter(const FoundPrinter &printer);

    // The network search behind "Find Printers...": the real one in the program, a scripted one
    // in the tests; none leaves the search unavailable.
    void UsePrinterFinder(PrinterFinder *finder) { printerFinder_ = finder; }
    PrinterFinder *printerFinder() const { return printerFinder_; }

    // Start-up: watch USB arrivals and removals. Returns the descriptor the event loop is to
    // watch, or -1 after telling the person why there is none.
    int RegisterDeviceNotifications();
    // Where the USB events come from: udev, unless a test plays them. The factory gives
    // nothing, with the errno value in *error, when it cannot watch.
    using EventSourceFactory = std::function<std::unique_ptr<platform::UsbEventSource>(int *error)>;
    void UseEventSource(EventSourceFactory factory) { eventSourceFactory_ = std::move(factory); }
    // The watched descriptor is readable: pass the events to the link.
    void DeviceNotificationReady();

    // The end of the run: writes inifile.inf. When that fails the person is told, in a message
    // box and on standard error, and false is returned.
    bool WriteInterfaceSettings();

private:
    void SetExitEnabled(bool enabled);
    // Shows the Interface Properties dialog; when Cancel closes it and settings were put before
    // the person, beforeProposal is put back.
    void ShowInterfaceProperties(const InterfaceSettings *beforeProposal);

    UserInterface &ui_;
    platform::Clock &clock_;
    InterfaceSettingsFile settingsFile_;
    std::unique_ptr<PrinterLink> link_;
    std::unique_ptr<InterfacePropertiesDialog> interfaceDialog_;
    EventSourceFactory eventSourceFactory_;
    PrinterFinder *printerFinder_ = nullptr;
    std::unique_ptr<platform::UsbEventSource> usbMonitor_;
    std::unique_ptr<SettingsPage> settingsPage_;
    std::unique_ptr<BitImagePage> bitImagePage_;
    std::unique_ptr<MessagesPage> messagesPage_;
    std::unique_ptr<TestPrintPage> testPrintPage_;
    std::unique_ptr<DemoPage> demoPage_;
    int currentPage_ = kStartPage;
    int shownPage_ = kStartPage;
    bool exitEnabled_ = true;
};

}  // namespace rollvane
