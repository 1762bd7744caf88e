#include "rollvane/gui/InterfacePropertiesView.h"
#include "QtTestApplication.h"
#include "rollvane/app/InterfacePropertiesDialog.h"
#include "rollvane/gui/AboutDialog.h"
#include "tests/support/RecordingUserInterface.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using rollvane::InterfacePropertiesDialog;
using rollvane::InterfacePropertiesView;
using testing_support::RecordingUserInterface;

namespace {

class InterfacePropertiesViewTest : public ::testing::Test {
protected:
    void SetUp() override { testing_support::EnsureQtApplication(); }

    bool IpEnabled(InterfacePropertiesView &view) { return view.findChild<QFrame *>("ip1102")->isEnabled(); }
    bool SerialEnabled(InterfacePropertiesView &view)
    {
        for (int id : {1001, 1002, 1003, 1007, 1103}) {
            if (!view.combo(id)->isEnabled()) {
                return false;
            }
        }
        return true;
    }
    bool SerialDisabled(InterfacePropertiesView &view)
    {
        for (int id : {1001, 1002, 1003, 1007, 1103}) {
            if (view.combo(id)->isEnabled()) {
                return false;
            }
        }
        return true;
    }

    RecordingUserInterface ui;
};

}  // namespace

TEST_F(InterfacePropertiesViewTest, FirstRunShowsNullAsTypedText)
{
    InterfacePropertiesDialog dialog("NULL", "NULL", "NULL", "NULL", "NULL", 0xFFFFFFFFu);
    InterfacePropertiesView view(dialog, ui);
    EXPECT_EQ(view.windowTitle(), "Interface Properties");
    for (int id : {1000, 1001, 1002, 1003, 1007}) {
        EXPECT_EQ(view.combo(id)->currentText(), "NULL") << id;
        EXPECT_EQ(view.combo(id)->currentIndex(), -1) << id;
    }
    EXPECT_EQ(view.combo(1103)->currentText(), "8");
    EXPECT_EQ(view.findChild<QLineEdit *>("ipOctet0")->text(), "255");
    EXPECT_EQ(view.findChild<QLineEdit *>("ipOctet3")->text(), "255");
    // No port selected: the opening state stands.
    EXPECT_TRUE(IpEnabled(view));
    EXPECT_TRUE(SerialDisabled(view));
    EXPECT_FALSE(view.combo(1098)->isVisibleTo(&view));
    EXPECT_FALSE(view.combo(1099)->isVisibleTo(&view));
}

TEST_F(InterfacePropertiesViewTest, ChoosingLanOrComSwitchesTheFields)
{
    InterfacePropertiesDialog dialog("COM1", "115200", "1", "NONE", "Xon/Xoff", 0);
    InterfacePropertiesView view(dialog, ui);
    EXPECT_TRUE(SerialEnabled(view));
    EXPECT_FALSE(IpEnabled(view));

    view.combo(1000)->setCurrentIndex(0);  // LAN
    EXPECT_TRUE(IpEnabled(view));
    EXPECT_TRUE(SerialDisabled(view));
    EXPECT_EQ(dialog.settings().portText, "LAN");

    view.combo(1000)->setCurrentIndex(view.combo(1000)->findText("COM5"));
    EXPECT_FALSE(IpEnabled(view));
    EXPECT_TRUE(SerialEnabled(view));

    view.combo(1000)->setCurrentIndex(2);  // ORNUSB
    EXPECT_FALSE(IpEnabled(view));
    EXPECT_TRUE(SerialDisabled(view));
}

TEST_F(InterfacePropertiesViewTest, LanTypedByHandIsAccepted)
{
    InterfacePropertiesDialog dialog("COM1", "115200", "1", "NONE", "NULL", 0);
    InterfacePropertiesView view(dialog, ui);
    view.combo(1000)->setEditText("lan");
    view.accept();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.settings().linkType, rollvane::LinkNetwork);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(InterfacePropertiesViewTest, LowerCaseComTypedByHandIsRefusedAndTheControlsReset)
{
    InterfacePropertiesDialog dialog("COM3", "9600", "2", "ODD", "DTR/DSR", 0);
    InterfacePropertiesView view(dialog, ui);
    view.combo(1000)->setEditText("com1");
    view.accept();
    EXPECT_NE(view.result(), QDialog::Accepted);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Invalid Properties");
    EXPECT_EQ(view.combo(1000)->currentText(), "COM1");
    EXPECT_EQ(view.combo(1001)->currentText(), "115200");
    EXPECT_EQ(view.combo(1002)->currentText(), "NONE");
    EXPECT_EQ(view.combo(1003)->currentText(), "1");
    EXPECT_EQ(view.combo(1103)->currentText(), "8");
    EXPECT_EQ(view.combo(1007)->currentText(), "DTR/DSR");
}

TEST_F(InterfacePropertiesViewTest, TypedBaudRateAndSevenDataBitsAreAccepted)
{
    InterfacePropertiesDialog dialog("COM1", "115200", "1", "NONE", "Xon/Xoff", 0);
    InterfacePropertiesView view(dialog, ui);
    view.combo(1000)->setCurrentIndex(view.combo(1000)->findText("COM3"));
    view.combo(1001)->setEditText("4800");
    view.combo(1003)->setCurrentIndex(view.combo(1003)->findText("2"));
    view.combo(1103)->setCurrentIndex(view.combo(1103)->findText("7"));
    view.combo(1002)->setCurrentIndex(view.combo(1002)->findText("EVEN"));
    view.combo(1007)->setCurrentIndex(view.combo(1007)->findText("DTR/DSR"));
    view.accept();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.settings().baudRate, 4800);
    EXPECT_EQ(dialog.settings().dataBits, 7);
    EXPECT_EQ(dialog.settings().stopBits, 2);
    EXPECT_EQ(dialog.settings().parityText, "EVEN");
}

TEST_F(InterfacePropertiesViewTest, NullFlowControlKeepsRefusing)
{
    InterfacePropertiesDialog dialog("NULL", "NULL", "NULL", "NULL", "NULL", 0xFFFFFFFFu);
    InterfacePropertiesView view(dialog, ui);
    view.combo(1000)->setCurrentIndex(view.combo(1000)->findText("COM2"));
    view.accept();
    view.accept();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(view.combo(1007)->currentText(), "NULL");
    view.combo(1007)->setCurrentIndex(0);
    view.accept();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.settings().portText, "COM1");
}

TEST_F(InterfacePropertiesViewTest, CancelKeepsTheNewPortTextButNotALinkType)
{
    InterfacePropertiesDialog dialog("LAN", "NULL", "NULL", "NULL", "NULL", 0x7F000001u);
    dialog.settings().linkType = rollvane::LinkNetwork;
    InterfacePropertiesView view(dialog, ui);
    view.combo(1000)->setCurrentIndex(view.combo(1000)->findText("COM4"));
    view.reject();
    EXPECT_EQ(dialog.settings().portText, "COM4");
    EXPECT_EQ(dialog.settings().linkType, rollvane::LinkNetwork);
}

TEST_F(InterfacePropertiesViewTest, AnOctetChangeUpdatesTheAddressAtOnce)
{
    InterfacePropertiesDialog dialog("LAN", "NULL", "NULL", "NULL", "NULL", 0xC0A80101u);
    InterfacePropertiesView view(dialog, ui);
    view.SetOctet(3, 10);
    EXPECT_EQ(dialog.settings().ipAddress, 0xC0A8010Au);
    EXPECT_EQ(dialog.settings().ipText, "3232235786");
}

// Keys as a person types them into the IP address: each goes to the field that has the focus.
void TypeIntoAddress(InterfacePropertiesView &view, int octet, const char *keys,
                     Qt::KeyboardModifiers dot = Qt::NoModifier)
{
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    auto *field = view.findChild<QLineEdit *>("ipOctet" + QString::number(octet));
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    for (const char *key = keys; *key; ++key) {
        QTest::keyClick(QApplication::focusWidget(), *key, *key == '.' ? dot : Qt::NoModifier);
    }
}

TEST_F(InterfacePropertiesViewTest, TypedAddressMovesToTheNextFieldAtEachDot)
{
    const struct {
        const char *typed;
        Qt::KeyboardModifiers dot;
        uint32_t address;
        const char *ipText;
    } cases[] = {
        {"127.0.0.1", Qt::NoModifier, 0x7F000001u, "2130706433"},
        {"192.168.1.20", Qt::KeypadModifier, 0xC0A80114u, "3232235796"},
        {"10.1.22.3", Qt::NoModifier, 0x0A011603u, "167843331"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        InterfacePropertiesDialog dialog("LAN", "NULL", "NULL", "NULL", "NULL", 0xFFFFFFFFu);
        InterfacePropertiesView view(dialog, ui);
        TypeIntoAddress(view, 0, c.typed, c.dot);
        EXPECT_EQ(dialog.settings().ipAddress, c.address);
        EXPECT_EQ(dialog.settings().ipText, c.ipText);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(InterfacePropertiesViewTest, AnOctetOver255IsRefusedWithAMessage)
{
    InterfacePropertiesDialog dialog("LAN", "NULL", "NULL", "NULL", "NULL", 0xC0A80101u);
    InterfacePropertiesView view(dialog, ui);
    TypeIntoAddress(view, 2, "999");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Interface Properties");
    EXPECT_EQ(ui.messages[0].icon, rollvane::MessageIcon::Exclamation);
    EXPECT_NE(ui.messages[0].text.find("0 to 255"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(view.findChild<QLineEdit *>("ipOctet2")->text(), "255");
    EXPECT_EQ(dialog.settings().ipAddress, 0xC0A8FF01u);
}

TEST_F(InterfacePropertiesViewTest, Screenshots)
{
    InterfacePropertiesDialog dialog("LAN", "115200", "1", "NONE", "Xon/Xoff", 0x7F000001u);
    InterfacePropertiesView view(dialog, ui);
    view.show();
    EXPECT_FALSE(testing_support::SaveScreenshot(&view, "interface-properties").isEmpty());
    rollvane::AboutDialog about;
    about.show();
    EXPECT_EQ(about.windowTitle(), "About Rollvane");
    testing_support::SaveScreenshot(&about, "about");
}
