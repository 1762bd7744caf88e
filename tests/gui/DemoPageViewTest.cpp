// The "Demo Print" page as a person uses it: its texts, a pattern button pressed with the mouse,
// and the hidden buttons out of the keyboard's reach.
#include "rollvane/gui/DemoPageView.h"
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/printouts/DemoPage.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace rollvane {
namespace {

TEST(DemoPageViewTest, ButtonsNoteAndAMissingFile)
{
    testing_support::EnsureQtApplication();
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    testing_support::TempDir dir;
    PrinterLink link(ui, clock);
    InterfaceSettings interface = link_test::Com3Settings();
    link.devices().SetEntry("COM3", dir.file("no-port"));
    DemoPage page(link, interface);
    page.folder = dir.path();
    DemoPageView view(page);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    EXPECT_EQ(view.findChild<QGroupBox *>("groupDemo")->title().toStdString(), "Demo Pattern");
    EXPECT_EQ(view.findChild<QLabel *>("labelNote")->text().toStdString(),
              "Note: Please make sure that Demo1.txt, Demo2.txt and Demo3.txt are in the same folder with this tool.");
    const std::pair<int, const char *> shown[] = {
        {1081, "Print Demo Pattern 1"}, {1070, "Print Demo Pattern 2"}, {1071, "Print Demo Pattern 3"}};
    for (const auto &[id, text] : shown) {
        EXPECT_EQ(view.button(id)->text().toStdString(), text);
        EXPECT_TRUE(view.button(id)->isVisible());
    }
    EXPECT_FALSE(view.button(1096)->isVisible());
    EXPECT_FALSE(view.button(1097)->isVisible());
    testing_support::SaveScreenshot(&view, "demo-page");

    QTest::mouseClick(view.button(1070), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption + ": " + ui.messages[0].text, "Error: Cannot Open Demo2.txt !");

    // Preview: the receipt the printer would print, drawn without a printer.
    testing_support::TempDir::Write(dir.file("Demo1.txt"), "ESC \"@\" \"Thank you\" 0x0A 0x0A ESC \"i\"\r\n");
    QImage drawn;
    QTimer::singleShot(200, [&] {
        QDialog *preview = view.preview();
        ASSERT_NE(preview, nullptr);
        preview->resize(preview->width(), 300);
        testing_support::SaveScreenshot(preview, "demo-preview");
        drawn = preview->findChild<QLabel *>("receipt1")->pixmap().toImage();
        preview->reject();
    });
    QTest::mouseClick(view.findChild<QPushButton *>("buttonPreview1"), Qt::LeftButton);
    EXPECT_EQ(ui.messages.size(), 1u);
    ASSERT_FALSE(drawn.isNull());
    EXPECT_EQ(drawn.width(), 576);
    int black = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            black += qGray(drawn.pixel(x, y)) < 128 ? 1 : 0;
        }
    }
    EXPECT_GT(black, 100);  // the words
}

}  // namespace
}  // namespace rollvane
