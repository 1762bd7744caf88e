// What a person types into an editable drop-down list reaches the dialog or the page as typed,
// after focus has left the list for the button they click.
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/app/InterfacePropertiesDialog.h"
#include "rollvane/gui/InterfacePropertiesView.h"
#include "rollvane/gui/SettingsPageView.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/settings/SettingsPage.h"
#include "rollvane/settings/SettingsTable.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace rollvane {
namespace {

enum class Window {
    InterfaceProperties,
    ChangeSettings
};

struct TypedCase {
    Window window;
    int list;           // the list's id
    const char *typed;  // taken back exactly as typed
    bool refused;       // with the "Invalid Properties" box
};

const TypedCase kCases[] = {
    {Window::InterfaceProperties, 1000, "com1", true},
    {Window::InterfaceProperties, 1007, "xon/xoff", true},
    {Window::InterfaceProperties, 1000, "COM2", false},
    {Window::InterfaceProperties, 1000, "lan", false},  // the link type is found without regard to case
    {Window::ChangeSettings, 1022, "Dis", true},
    {Window::ChangeSettings, 1007, "xon/xoff", true},
};

int ItemOfList(int listId)
{
    for (const auto &item : SettingsTable::Items()) {
        if (item.listId == listId) {
            return item.number;
        }
    }
    return 0;
}

// Clicks into the list, replaces its text by typing, then presses the button with the mouse:
// the press takes the focus from the list before the click acts.
void TypeAndPress(QWidget *window, QComboBox *list, const char *typed, QPushButton *button)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::mouseClick(list->lineEdit(), Qt::LeftButton);
    ASSERT_TRUE(list->lineEdit()->hasFocus());
    QTest::keyClick(list->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(list->lineEdit(), typed);
    QTest::mousePress(button, Qt::LeftButton);
    ASSERT_TRUE(button->hasFocus());
    QTest::mouseRelease(button, Qt::LeftButton);
}

TEST(TypedListTextTest, TypedTextIsTakenBackExactly)
{
    testing_support::EnsureQtApplication();
    for (const auto &c : kCases) {
        SCOPED_TRACE(std::string(c.typed) + " in list " + std::to_string(c.list));
        testing_support::RecordingUserInterface ui;
        platform::VirtualClock clock;
        testing_support::TempDir dir;
        PrinterLink link(ui, clock);
        link.devices().SetEntry("COM3", dir.file("no-such-port"));
        InterfacePropertiesDialog dialog("COM3", "9600", "2", "ODD", "DTR/DSR", 0);
        SettingsPage page(link, dialog.settings());
        std::string taken;
        std::function<std::string()> take;
        if (c.window == Window::InterfaceProperties) {
            InterfacePropertiesView view(dialog, ui);
            take = [&] { return c.list == 1000 ? dialog.settings().portText : dialog.settings().flowText; };
            ui.onMessage = [&](const auto &) { taken = take(); };
            auto *ok = view.findChild<QDialogButtonBox *>("buttons")->button(QDialogButtonBox::Ok);
            TypeAndPress(&view, view.combo(c.list), c.typed, ok);
            EXPECT_EQ(view.result() == QDialog::Accepted, !c.refused);
        } else {
            SettingsPageView view(page);
            take = [&] { return page.listText(ItemOfList(c.list)); };
            ui.onMessage = [&](const auto &) { taken = take(); };
            TypeAndPress(&view, view.findChild<QComboBox *>("combo" + QString::number(c.list)), c.typed,
                         view.button(1094));
        }
        std::vector<std::string> boxes;
        for (const auto &m : ui.messages) {
            boxes.push_back(m.caption + ": " + m.text);
        }
        if (c.refused) {
            EXPECT_EQ(boxes, std::vector<std::string>{"Invalid Properties: Please select the appropriate properties!"});
        } else {
            EXPECT_TRUE(boxes.empty());
            taken = take();
        }
        EXPECT_EQ(taken, c.typed);
    }
}

}  // namespace
}  // namespace rollvane
