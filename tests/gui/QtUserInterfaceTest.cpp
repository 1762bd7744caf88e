// The desktop program's side of the person: the progress window during a wait for the
// printer, and the message boxes.
#include "rollvane/gui/QtUserInterface.h"
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/app/InterfacePropertiesDialog.h"
#include "rollvane/gui/ProgressDialog.h"
#include "rollvane/gui/SettingsPageView.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/settings/SettingsPage.h"
#include "tests/settings/ScriptedSettingsPrinter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

namespace rollvane {
namespace {

// Closes the first visible message box and tells its width and text.
template <typename Seen>
void CloseMessageBox(Seen seen)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
            seen(box);
            box->accept();
            return;
        }
    }
}

int ColourCount(const QImage &picture)
{
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            colours.insert(picture.pixel(x, y));
        }
    }
    return static_cast<int>(colours.size());
}

TEST(QtUserInterfaceTest, ProgressWindowIsPaintedWhileThePrinterIsSilent)
{
    testing_support::EnsureQtApplication();
    settings_testing::ScriptedSettingsPrinter printer;
    printer.SetStatusAnswers({std::nullopt});  // never answers
    QtUserInterface ui;
    platform::VirtualClock clock;
    PrinterLink link(ui, clock);
    link.devices().SetEntry("COM3", printer.slavePath());
    InterfacePropertiesDialog dialog("COM3", "115200", "1", "NONE", "Xon/Xoff", 0);
    ASSERT_TRUE(dialog.Accept(ui));
    SettingsPage page(link, dialog.settings());
    SettingsPageView view(page);

    // Timer events are all that reach the program while it waits. The bar shows the attempt (1
    // or 2) during the status requests. Without painting during the wait a timer fires at most once
    // per attempt, as the bar is set; later ticks of the same attempt take the progress window,
    // until half a second into the wait.
    std::optional<std::chrono::steady_clock::time_point> waitSeen;
    int waitBar = 0;
    QString line;
    QImage shown;
    QImage onScreen;
    QString boxText;
    bool closedDuringWait = true;
    view.show();
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        CloseMessageBox([&](QMessageBox *box) { boxText = box->text(); });
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *progress = qobject_cast<ProgressDialog *>(w);
            if (!progress || !progress->isVisible() || progress->barValue() < 1 || progress->barValue() > 2) {
                continue;
            }
            const auto now = std::chrono::steady_clock::now();
            if (!waitSeen) {
                waitSeen = now;
                waitBar = progress->barValue();
                // Closing a window during the wait is refused: the action runs to its end.
                closedDuringWait = view.close();
            } else if (progress->barValue() == waitBar && now - *waitSeen <= std::chrono::milliseconds(500)) {
                line = progress->lineText();
                shown = progress->grab().toImage();
                // What the window system holds: what was really painted.
                onScreen = progress->screen()->grabWindow(progress->winId()).toImage();
            }
        }
    });
    watch.start();
    view.button(1093)->click();
    watch.stop();

    EXPECT_EQ(boxText, "Timeout while sending data block!");
    EXPECT_FALSE(closedDuringWait);
    EXPECT_TRUE(view.isVisible());
    ASSERT_FALSE(shown.isNull()) << "the progress window was not seen during the wait";
    testing_support::SaveScreenshot(shown, "progress-waiting");
    EXPECT_EQ(line, "Loading printer configurations, please wait...");
    EXPECT_GT(ColourCount(shown), 4);
    EXPECT_EQ(onScreen.convertToFormat(QImage::Format_RGB32), shown.convertToFormat(QImage::Format_RGB32));
}

TEST(QtUserInterfaceTest, AMessageBoxIsAsWideAsItsCaption)
{
    testing_support::EnsureQtApplication();
    // Window managers draw the caption in bold, with the window's buttons beside it.
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int buttons = 3 * QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const std::pair<const char *, const char *> boxes[] = {
        {"Saved Properties", " Properties Saved!"},
        {"No file saved! ", "No file is saved!"},
    };
    QtUserInterface ui;
    for (const auto &[caption, text] : boxes) {
        int width = 0;
        QTimer::singleShot(0, [&] { CloseMessageBox([&](QMessageBox *box) { width = box->width(); }); });
        ui.ShowMessage(text, caption, MessageIcon::None);
        EXPECT_GE(width, QFontMetrics(titleFont).horizontalAdvance(caption) + buttons) << caption;
    }
}

}  // namespace
}  // namespace rollvane
