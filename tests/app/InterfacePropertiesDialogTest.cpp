#include "rollvane/app/InterfacePropertiesDialog.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

using rollvane::InterfacePropertiesDialog;
using rollvane::InterfaceSettings;
using testing_support::RecordingUserInterface;

namespace {

InterfacePropertiesDialog NullDialog()
{
    return InterfacePropertiesDialog("NULL", "NULL", "NULL", "NULL", "NULL", 0xFFFFFFFFu);
}

}  // namespace

TEST(InterfacePropertiesDialog, CreatedFromTheFileValues)
{
    InterfacePropertiesDialog dialog("COM3", "9600", "2", "EVEN", "DTR/DSR", 0xC0A8010Au);
    const InterfaceSettings &s = dialog.settings();
    EXPECT_EQ(s.baudRate, 9600);
    EXPECT_EQ(s.stopBits, 2);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.dataBitsText, "8");
    EXPECT_EQ(s.ipText, "3232235786");
    auto nulls = NullDialog();
    EXPECT_EQ(nulls.settings().baudRate, 0);
    EXPECT_EQ(nulls.settings().ipText, "4294967295");
}

TEST(InterfacePropertiesDialog, ListItemsInOrder)
{
    const auto &ports = InterfacePropertiesDialog::PortItems();
    ASSERT_EQ(ports.size(), 24u);
    EXPECT_EQ(ports[0], "LAN");
    EXPECT_EQ(ports[1], "Printer Class");
    EXPECT_EQ(ports[2], "ORNUSB");
    EXPECT_EQ(ports[3], "LPT1");
    EXPECT_EQ(ports[4], "COM1");
    EXPECT_EQ(ports[23], "COM20");
    EXPECT_EQ(InterfacePropertiesDialog::BaudItems(),
              (std::vector<std::string>{"115200", "57600", "38400", "19200", "9600"}));
}

TEST(InterfacePropertiesDialog, EnablingRuleByPortIndex)
{
    auto lan = InterfacePropertiesDialog::EnablingFor(0);
    ASSERT_TRUE(lan);
    EXPECT_TRUE(lan->ipAddress);
    EXPECT_FALSE(lan->serialFields);
    for (int usbOrParallel : {1, 2, 3}) {
        auto e = InterfacePropertiesDialog::EnablingFor(usbOrParallel);
        EXPECT_FALSE(e->ipAddress);
        EXPECT_FALSE(e->serialFields);
    }
    auto com5 = InterfacePropertiesDialog::EnablingFor(8);
    EXPECT_FALSE(com5->ipAddress);
    EXPECT_TRUE(com5->serialFields);
    EXPECT_FALSE(InterfacePropertiesDialog::EnablingFor(-1));
}

TEST(InterfacePropertiesDialog, NonSerialPortsCloseWithoutCheckingAndIgnoreCase)
{
    RecordingUserInterface ui;
    auto dialog = NullDialog();
    const std::pair<const char *, int32_t> cases[] = {{"lan", rollvane::LinkNetwork},
                                                      {"LPT1", rollvane::LinkParallel},
                                                      {"ornusb", rollvane::LinkOrnUsb},
                                                      {"PRINTER CLASS", rollvane::LinkUsbPrinterClass}};
    for (const auto &[port, type] : cases) {
        dialog.settings().portText = port;
        EXPECT_TRUE(dialog.Accept(ui)) << port;
        EXPECT_EQ(dialog.settings().linkType, type) << port;
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST(InterfacePropertiesDialog, AcceptsSerialSettingsTypedByHand)
{
    RecordingUserInterface ui;
    InterfacePropertiesDialog dialog("COM3", "4800", "2", "EVEN", "DTR/DSR", 0);
    dialog.settings().dataBitsText = "7";
    EXPECT_TRUE(dialog.Accept(ui));
    EXPECT_EQ(dialog.settings().linkType, rollvane::LinkSerial);
    EXPECT_EQ(dialog.settings().baudRate, 4800);
    EXPECT_EQ(dialog.settings().dataBits, 7);
    EXPECT_EQ(dialog.settings().stopBits, 2);
}

TEST(InterfacePropertiesDialog, LowerCaseComPortIsRefusedAndTheFieldsReset)
{
    RecordingUserInterface ui;
    InterfacePropertiesDialog dialog("com1", "9600", "2", "ODD", "Xon/Xoff", 0);
    dialog.settings().dataBitsText = "7";
    dialog.settings().linkType = rollvane::LinkNetwork;
    EXPECT_FALSE(dialog.Accept(ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please select the appropriate properties!");
    EXPECT_EQ(ui.messages[0].caption, "Invalid Properties");
    EXPECT_EQ(ui.messages[0].icon, rollvane::MessageIcon::Exclamation);
    const InterfaceSettings &s = dialog.settings();
    EXPECT_EQ(s.portText, "COM1");
    EXPECT_EQ(s.baudText, "115200");
    EXPECT_EQ(s.parityText, "NONE");
    EXPECT_EQ(s.stopBitsText, "1");
    EXPECT_EQ(s.dataBitsText, "8");
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.flowText, "Xon/Xoff");
    EXPECT_EQ(s.linkType, rollvane::LinkSerial);
}

TEST(InterfacePropertiesDialog, NullFlowControlFailsUntilOneIsChosen)
{
    RecordingUserInterface ui;
    auto dialog = NullDialog();
    dialog.settings().portText = "COM2";
    EXPECT_FALSE(dialog.Accept(ui));
    EXPECT_EQ(dialog.settings().flowText, "NULL");
    EXPECT_FALSE(dialog.Accept(ui));
    EXPECT_EQ(ui.messages.size(), 2u);
    dialog.settings().flowText = "Xon/Xoff";
    EXPECT_TRUE(dialog.Accept(ui));
    EXPECT_EQ(dialog.settings().baudRate, 115200);
}

TEST(InterfacePropertiesDialog, IpAddressChangeUpdatesTheText)
{
    auto dialog = NullDialog();
    dialog.SetIpAddress(0xC0A8010Au);
    EXPECT_EQ(dialog.settings().ipText, "3232235786");
    EXPECT_EQ(dialog.settings().ipAddress, 0xC0A8010Au);
}
