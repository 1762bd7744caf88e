// Start-up's USB watch: a failure is said once, a working watch resets the link's USB
// bookkeeping, and the events reach the link.
#include "platform/UsbEventSource.h"
#include "platform/VirtualClock.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/support/PtyPair.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>

namespace {

// Events played by the test on a descriptor of its own.
class PlayedEvents final : public platform::UsbEventSource {
public:
    explicit PlayedEvents(std::deque<platform::UsbDeviceEvent> *events) : events_(events) {}
    int fd() const override { return 42; }
    bool ReadEvent(platform::UsbDeviceEvent *event) override
    {
        if (events_->empty()) {
            return false;
        }
        *event = events_->front();
        events_->pop_front();
        return true;
    }

private:
    std::deque<platform::UsbDeviceEvent> *events_;
};

}  // namespace

TEST(MainWindowDeviceNotifications, AFailedWatchIsSaidOnceAndLeavesTheCountAlone)
{
    testing_support::TempDir dir;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    rollvane::MainWindow window(ui, clock, dir.file("inifile.inf"));
    window.UseEventSource([](int *error) -> std::unique_ptr<platform::UsbEventSource> {
        *error = EMFILE;
        return nullptr;
    });
    window.link().deviceCount = 3;
    EXPECT_EQ(window.RegisterDeviceNotifications(), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Can't register device notification: Too many open files");
    EXPECT_EQ(ui.messages[0].icon, rollvane::MessageIcon::Exclamation);
    EXPECT_EQ(window.link().deviceCount, 3);
    window.DeviceNotificationReady();  // nothing to read, nothing happens
}

TEST(MainWindowDeviceNotifications, AWorkingWatchResetsTheCountAndPassesEventsToTheLink)
{
    testing_support::TempDir dir;
    testing_support::PtyPair pty;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    rollvane::MainWindow window(ui, clock, dir.file("inifile.inf"));
    std::deque<platform::UsbDeviceEvent> events;
    window.UseEventSource([&events](int *) { return std::make_unique<PlayedEvents>(&events); });
    rollvane::PrinterLink &link = window.link();
    link.deviceCount = 3;
    EXPECT_EQ(window.RegisterDeviceNotifications(), 42);
    EXPECT_EQ(link.deviceCount, 0);
    EXPECT_TRUE(ui.messages.empty());

    // A removal closes whatever link is open, a USB one or not.
    link.linkType = rollvane::LinkSerial;
    link.devices().SetEntry("COM3", pty.slavePath());
    ASSERT_EQ(link.Open("COM3"), 1);
    link.deviceCount = 1;
    platform::UsbDeviceEvent removal;
    removal.kind = platform::UsbDeviceEvent::Kind::Removal;
    removal.devtype = "usb_device";
    removal.sysname = "1-4";
    events.push_back(removal);
    window.DeviceNotificationReady();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.deviceCount, 0);
    EXPECT_TRUE(events.empty());
}
