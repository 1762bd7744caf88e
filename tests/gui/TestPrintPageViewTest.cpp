// The "Online Test Print" page as a person uses it: its texts and first choices, choices made with
// the mouse reaching the printer, and the buttons disabled for as long as a test runs.
#include "rollvane/gui/TestPrintPageView.h"
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/printouts/TestPrintPage.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;

bool Holds(const Bytes &all, const Bytes &part)
{
    return std::search(all.begin(), all.end(), part.begin(), part.end()) != all.end();
}

class TestPrintPageViewTest : public ::testing::Test {
protected:
    TestPrintPageViewTest() : link(ui, clock), page(link, interface)
    {
        testing_support::EnsureQtApplication();
        interface = link_test::Com3Settings();
        link.devices().SetEntry("COM3", printer.slavePath());
        link.linkType = LinkSerial;
        view = std::make_unique<TestPrintPageView>(page);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    QAbstractButton *control(int id) { return view->control(id); }
    // Which of the page's buttons can be pressed, as ids.
    std::vector<int> enabled()
    {
        std::vector<int> ids;
        for (int id : {1014, 1015, 1021, 1068, 1084, 1085, 1086, 1066, 1067}) {
            if (control(id)->isEnabled()) {
                ids.push_back(id);
            }
        }
        return ids;
    }

    settings_testing::ScriptedSettingsPrinter printer;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    InterfaceSettings interface;
    PrinterLink link;
    TestPrintPage page;
    std::unique_ptr<TestPrintPageView> view;
};

TEST_F(TestPrintPageViewTest, TextsAndFirstChoices)
{
    const std::pair<const char *, const char *> groups[] = {{"groupPaper", "Select Paper Type"},
                                                            {"groupSide", "For Dual Side Printing Only"},
                                                            {"groupDuty", "Duty Print Test"},
                                                            {"groupCommon", "Common Print Test"}};
    for (const auto &[name, title] : groups) {
        EXPECT_EQ(view->findChild<QGroupBox *>(name)->title().toStdString(), title);
    }
    const struct {
        int id;
        const char *text;
        bool checked;
    } controls[] = {{1066, "58 mm", false},
                    {1067, "80 mm", true},
                    {1084, "Front Side Only", true},
                    {1085, "Back Side Only", false},
                    {1086, "Both Sides", false},
                    {1016, "12.5%", true},
                    {1018, "25.0%", false},
                    {1017, "50.0%", false},
                    {1019, "75.0%", false},
                    {1020, "100.0%", false},
                    {1021, "Duty Print Test", false},
                    {1014, "All H Print Test", false},
                    {1015, "Rolling ASCII Print Test", false},
                    {1068, "Configuration Printout", false}};
    for (const auto &c : controls) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(control(c.id)->text().toStdString(), c.text);
        EXPECT_EQ(control(c.id)->isChecked(), c.checked);
        EXPECT_TRUE(control(c.id)->isEnabled());
    }
    testing_support::SaveScreenshot(view.get(), "test-print-page");
}

TEST_F(TestPrintPageViewTest, ChoicesMadeWithTheMouseReachThePrinter)
{
    for (int id : {1066, 1086, 1017}) {  // 58 mm, both sides, 50 %: a click on the round mark
        QTest::mouseClick(control(id), Qt::LeftButton, {}, QPoint(8, control(id)->height() / 2));
        EXPECT_TRUE(control(id)->isChecked()) << id;
    }
    // While the test runs the test and side buttons are out of reach; the report's message
    // comes before they are given back.
    std::vector<std::vector<int>> during;
    ui.onMessage = [&](const testing_support::RecordingUserInterface::Message &) { during.push_back(enabled()); };
    printer.SetStatusAnswers({0x00, 0x00, 0x08});  // ready before and after the restart, busy at the end
    QTest::mouseClick(control(1021), Qt::LeftButton);

    const Bytes sent = printer.Received();
    EXPECT_TRUE(Holds(sent, {0x1F, 0x36, 0x32, 0x01, 0xFF})) << "58 mm written to a printer at 80 mm";
    // 424 columns of the 50 % pattern: 55 for the first column, AA for the second.
    EXPECT_TRUE(Holds(sent, {0x1B, 0x2A, 0x21, 0xA8, 0x01, 0x55, 0x55, 0x55, 0xAA, 0xAA, 0xAA}));
    EXPECT_TRUE(Holds(sent, {0x1F, 0x61, 0x01}) && Holds(sent, {0x1F, 0x61, 0x00})) << "both sides";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption + ": " + ui.messages[0].text,
              "Interface Busy: Please check for any error condition on printer!");
    EXPECT_EQ(during, (std::vector<std::vector<int>>{{1068, 1066, 1067}}));
    EXPECT_EQ(enabled().size(), 9u);
    EXPECT_FALSE(link.isOpen());
}

}  // namespace
}  // namespace rollvane
