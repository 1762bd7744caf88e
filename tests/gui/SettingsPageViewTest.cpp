// The page's widgets under the offscreen platform, with a printer played on a pseudo-terminal.
#include "rollvane/gui/SettingsPageView.h"
#include "platform/VirtualClock.h"
#include "rollvane/app/InterfacePropertiesDialog.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/settings/SettingsPage.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>

// Fontconfig keeps a cache it never frees; that is not ours to find.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace rollvane {
namespace {

void Application()
{
    static int argc = 1;
    static char name[] = "settings_view_tests";
    static char *argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the static destructors can crash at exit.
    if (!QApplication::instance()) {
        new QApplication(argc, argv);
    }
}

class SettingsPageViewTest : public ::testing::Test {
protected:
    SettingsPageViewTest()
        : link(ui, clock), dialog("COM3", "115200", "1", "NONE", "Xon/Xoff", 0), page(link, dialog.settings())
    {
        Application();
        link.devices().SetEntry("COM3", printer.slavePath());
        view = std::make_unique<SettingsPageView>(page);
    }

    QComboBox *combo(int id) const { return view->findChild<QComboBox *>("combo" + QString::number(id)); }

    settings_testing::ScriptedSettingsPrinter printer;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    PrinterLink link;
    InterfacePropertiesDialog dialog;
    SettingsPage page;
    std::unique_ptr<SettingsPageView> view;
};

// Groups, labels and list ids as the page is laid out.
const struct {
    const char *group;
    int id;
    const char *label;
} kLayout[] = {
    {"Communication Interface", 1005, "Interface Type :"},
    {"Communication Interface", 1001, "Baud Rate :"},
    {"Communication Interface", 1002, "Parity :"},
    {"Communication Interface", 1003, "Stop Bits :"},
    {"Communication Interface", 1007, "Flow Control :"},
    {"Communication Interface", 1006, "Reception Errors :"},
    {"Communication Interface", 1008, "Receive Buffer :"},
    {"Communication Interface", 1030, "CTS Control:"},
    {"Communication Interface", 1031, "USB Type:"},
    {"Communication Interface", 1032, "Parallel Type:"},
    {"Communication Interface", 1036, "Ready Timing:"},
    {"Communication Interface", 1041, "USB Select Type:"},
    {"Emulation/Software", 1009, "DBCS/Font Size :"},
    {"Emulation/Software", 1010, "PrintMode(DBCS):"},
    {"Emulation/Software", 1012, "Default LPI :"},
    {"Emulation/Software", 1011, "Carriage Return :"},
    {"Emulation/Software", 1017, "Receipt Sync. :"},
    {"Emulation/Software", 1033, "PDF417 Max:"},
    {"Emulation/Software", 1037, "Added Feed:"},
    {"Hardware", 1014, "Print Density :"},
    {"Hardware", 1018, "Max Power :"},
    {"Hardware", 1020, "PaperLowSensor:"},
    {"Hardware", 1019, "Paper Width :"},
    {"Hardware", 1022, "Knife :"},
    {"Hardware", 1024, "Color Paper :"},
    {"Hardware", 1034, "Drawer Type:"},
    {"Hardware", 1035, "Drawer Bit Assign:"},
    {"Code Pages", 1028, "Default C P :"},
    {"Double Side Mode Setting", 1038, "Thermal Mode:"},
    {"Double Side Mode Setting", 1039, "F/B Upside Down"},
    {"Double Side Mode Setting", 1040, "Swap Side :"},
    {"Double Side Mode Setting", 1042, "Btm/Top Msg"},
    {"Double Side Mode Setting", 1044, "Reprint Msg:"},
    {"Double Side Mode Setting", 1045, "Min Rcpt Length:"},
    {"Double Side Mode Setting", 1046, "Reprint Error Page"},
};

TEST_F(SettingsPageViewTest, LayoutOfThePage)
{
    view->show();
    for (const auto &row : kLayout) {
        SCOPED_TRACE(row.id);
        QComboBox *list = combo(row.id);
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(list->isEditable());
        EXPECT_TRUE(list->isVisible());
        auto *box = qobject_cast<QGroupBox *>(list->parentWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->title().toStdString(), row.group);
        auto *label = view->findChild<QLabel *>("label" + QString::number(row.id));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text().toStdString(), row.label);
    }
    for (int hidden : {1027, 1026, 1029}) {
        ASSERT_NE(combo(hidden), nullptr);
        EXPECT_FALSE(combo(hidden)->isVisible()) << hidden;
    }
    const std::pair<int, const char *> buttons[] = {
        {1064, "Load File"}, {1065, "Save File"}, {1093, "Load Printer"}, {1094, "Change Settings"}};
    for (const auto &[id, text] : buttons) {
        ASSERT_NE(view->button(id), nullptr);
        EXPECT_EQ(view->button(id)->text().toStdString(), text);
    }
    EXPECT_EQ(combo(1028)->count(), 12);
    EXPECT_EQ(combo(1028)->itemText(3).toStdString(), "857");
}

TEST_F(SettingsPageViewTest, ShowRuleAndTakeBack)
{
    page.SetListText(12, "vendor");
    page.SetListText(27, "949/54936(China)");
    page.SetListText(25, "");
    view->ShowTexts();
    EXPECT_EQ(combo(1031)->currentIndex(), 0);
    EXPECT_EQ(combo(1031)->currentText().toStdString(), "Vendor Spec. Class");
    EXPECT_EQ(combo(1028)->currentIndex(), -1);
    EXPECT_EQ(combo(1028)->currentText().toStdString(), "949/54936(China)");
    EXPECT_EQ(combo(1022)->currentIndex(), -1);
    EXPECT_EQ(combo(1022)->currentText().toStdString(), "");

    combo(1022)->lineEdit()->setText("Disab");
    view->TakeTexts();
    EXPECT_EQ(page.listText(25), "Disab");
}

TEST_F(SettingsPageViewTest, ChangeSettingsWithATypedTextEmptiesTheLists)
{
    combo(1007)->lineEdit()->setText("xon/xoff");
    combo(1022)->setCurrentIndex(1);
    view->button(1094)->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Invalid Properties");
    for (const auto &row : kLayout) {
        EXPECT_EQ(combo(row.id)->currentText().toStdString(), "") << row.id;
    }
}

TEST_F(SettingsPageViewTest, LoadPrinterFillsTheListsAndScreenshot)
{
    const uint8_t bytes[32] = {0, 0x00, 0x00, 0x01, 0x00, 0x20, 0x10, 0x40, 0, 0, 0x01, 0x00, 0x01, 0x00, 0x01, 0x02,
                               0, 0,    0,    0,    0,    0,    0,    0,    0, 0, 0x14, 0xEE, 0x07, 0x09, 0x01, 0x01};
    for (int n = 1; n <= 31; ++n) {
        printer.SetConfigByte(n, bytes[n]);
    }
    view->button(1093)->click();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(combo(1005)->currentText().toStdString(), "RS232");
    EXPECT_EQ(combo(1001)->currentText().toStdString(), "115200");
    EXPECT_EQ(combo(1022)->currentText().toStdString(), "Disabled");
    EXPECT_EQ(combo(1028)->currentText().toStdString(), "850");
    EXPECT_EQ(combo(1031)->currentText().toStdString(), "Vendor Spec. Class");
    EXPECT_EQ(combo(1041)->currentText().toStdString(), "Fixed Type");
    EXPECT_EQ(combo(1045)->currentText().toStdString(), "10 Inch");
    EXPECT_EQ(combo(1038)->currentText().toStdString(), "DS wt On-demand Pre-def Back");
    EXPECT_EQ(combo(1038)->currentIndex(), -1);
    EXPECT_EQ(combo(1037)->currentText().toStdString(), "6mm");

    const char *dir = std::getenv("ROLLVANE_SCREENSHOT_DIR");
    if (dir) {
        QDir().mkpath(dir);
        view->resize(view->sizeHint());
        view->show();
        QApplication::processEvents();
        const QString path = QString(dir) + "/settings-page.png";
        EXPECT_TRUE(view->grab().save(path));
    }
}

}  // namespace
}  // namespace rollvane
