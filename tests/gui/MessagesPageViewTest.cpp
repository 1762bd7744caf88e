// The "Define Top/Bottom Msgs" page used as a person uses it: choosing the kind and typing into
// the fields and lists with the keyboard, pressing Download! with the mouse, with a printer
// played on a pseudo-terminal.
#include "rollvane/gui/MessagesPageView.h"
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/messages/MessagesPage.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;

class MessagesPageViewTest : public ::testing::Test {
protected:
    MessagesPageViewTest() : link(ui, clock), page(link, interface)
    {
        testing_support::EnsureQtApplication();
        interface = link_test::Com3Settings();
        link.devices().SetEntry("COM3", printer.slavePath());
        link.linkType = LinkSerial;
        view = std::make_unique<MessagesPageView>(page);
        view->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    // Clicks into a field, replaces its text by typing; focus stays there.
    static void Type(QLineEdit *field, const char *text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        ASSERT_TRUE(field->hasFocus());
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    // Presses the button with the mouse: the press takes the focus before the click acts.
    static void Press(QAbstractButton *button)
    {
        QTest::mousePress(button, Qt::LeftButton);
        ASSERT_TRUE(button->hasFocus());
        QTest::mouseRelease(button, Qt::LeftButton);
    }
    static QStringList Items(const QComboBox *combo)
    {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            items << combo->itemText(i);
        }
        return items;
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> lines;
        for (const auto &m : ui.messages) {
            lines.push_back(m.caption + ": " + m.text);
        }
        return lines;
    }

    settings_testing::ScriptedSettingsPrinter printer;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    InterfaceSettings interface;
    PrinterLink link;
    MessagesPage page;
    std::unique_ptr<MessagesPageView> view;
};

TEST_F(MessagesPageViewTest, TextsAndStartingState)
{
    const std::pair<const char *, const char *> groups[] = {
        {"groupDownload", "Download 1-line Top/Bottom/Reprint Message into ROM:"},
        {"groupAttributes", "Attributes 1-line Top/Bottom/Reprint Message:"}};
    for (const auto &[name, title] : groups) {
        EXPECT_EQ(view->findChild<QGroupBox *>(name)->title().toStdString(), title);
    }
    QStringList texts;
    for (const QLabel *label : view->findChildren<QLabel *>()) {
        texts << label->text();
    }
    for (const char *text :
         {"Underline:", "Double Height :", "Double Width :", "Emphasized Mode :", "Color :", "Inverse Video :"}) {
        EXPECT_TRUE(texts.contains(text)) << text;
    }
    EXPECT_EQ(view->button(1048)->text(), "Download!");
    EXPECT_TRUE(view->button(1048)->isDefault());

    QComboBox *kind = view->list(1046);
    EXPECT_FALSE(kind->isEditable());
    EXPECT_EQ(Items(kind), (QStringList{"Top Message", "Bottom Message", "Reprint Message"}));
    const std::pair<int, QStringList> attributes[] = {{1056, {"1 dot Underline", "2 dot Underline", "No Underline"}},
                                                      {1057, {"OFF", "ON"}},
                                                      {1058, {"OFF", "ON"}},
                                                      {1059, {"OFF", "ON"}},
                                                      {1060, {"Black", "Color"}},
                                                      {1061, {"OFF", "ON"}}};
    for (const auto &[id, options] : attributes) {
        EXPECT_TRUE(view->list(id)->isEditable()) << id;
        EXPECT_EQ(view->list(id)->completer(), nullptr) << id;
        EXPECT_EQ(Items(view->list(id)), options) << id;
        EXPECT_EQ(view->list(id)->currentText(), "") << id;
    }
    EXPECT_EQ(kind->currentIndex(), -1);
    EXPECT_EQ(view->field(1045)->text(), "");
    EXPECT_EQ(view->field(1047)->text(), "");

    // Nothing chosen: the kind is missing.
    Press(view->button(1048));
    EXPECT_EQ(messages(), std::vector<std::string>{"Invalid Properties: Please select the appropriate properties!"});
    EXPECT_TRUE(printer.Received().empty());
}

// The kind chosen with the keyboard, a line typed with a space, "on" refused and "ON" sent.
TEST_F(MessagesPageViewTest, TypedMessageIsRefusedThenSent)
{
    QComboBox *kind = view->list(1046);
    QLineEdit *line1 = view->field(1045);
    Type(line1, "Thank you");
    QTest::keyClick(line1, Qt::Key_Backtab);
    ASSERT_TRUE(kind->hasFocus());
    QTest::keyClick(kind, Qt::Key_Down);
    QTest::keyClick(kind, Qt::Key_Down);
    EXPECT_EQ(kind->currentText(), "Bottom Message");
    Type(view->list(1058)->lineEdit(), "on");
    testing_support::SaveScreenshot(view.get(), "messages-page");

    Press(view->button(1048));
    EXPECT_EQ(messages(), std::vector<std::string>{"Invalid Properties: Please select the appropriate properties!"});
    EXPECT_TRUE(printer.Received().empty());
    // The texts stay as typed.
    EXPECT_EQ(line1->text(), "Thank you");
    EXPECT_EQ(view->list(1058)->currentText(), "on");

    ui.messages.clear();
    Type(view->list(1058)->lineEdit(), "ON");
    Press(view->button(1048));
    EXPECT_EQ(messages(), std::vector<std::string>{"Complete: Define message complete."});
    const std::string text = "Thank you";
    Bytes expected = {0x1B, 0x68, 0x1F, 0x65, 0x00, 0x08};
    expected.insert(expected.end(), text.begin(), text.end());
    expected.insert(expected.end(), {0x00, 0x1F, 0x65, 0x01, 0x08, 0x00});
    EXPECT_EQ(printer.Received(), expected);
    EXPECT_EQ(kind->currentText(), "Bottom Message");
    EXPECT_EQ(line1->text(), "Thank you");
    EXPECT_EQ(view->list(1058)->currentIndex(), 1);  // "ON" is the option itself
}

}  // namespace
}  // namespace rollvane
