#include "rollvane/gui/MainWindowView.h"
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/app/MainWindow.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using rollvane::MainWindow;
using rollvane::MainWindowView;

namespace {

class MainWindowViewTest : public ::testing::Test {
protected:
    void SetUp() override { testing_support::EnsureQtApplication(); }

    testing_support::TempDir dir;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    MainWindow window{ui, clock, dir.file("inifile.inf")};
};

void Press(QWidget *target, int key, const QString &text = QString())
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &down);
    QApplication::sendEvent(target, &up);
}

}  // namespace

TEST_F(MainWindowViewTest, CaptionWarningLineMenusAndTabs)
{
    MainWindowView view(window);
    EXPECT_EQ(view.windowTitle(), "KOVA -AXX Rollvane Ver 2.28 ");
    auto *warning = view.findChild<QLabel *>("label1006");
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(warning->text(), "Please ensure Interface Properties before communicating with printer!");
    EXPECT_EQ(warning->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(warning->font().bold());

    QTabBar *tabs = view.tabBar();
    ASSERT_EQ(tabs->count(), 5);
    const char *captions[] = {"Change Settings", "Define Bit Images", "Define Top/Bottom Msgs", "Online Test Print",
                              "Demo Print"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tabs->tabText(i), captions[i]);
    }
    EXPECT_EQ(tabs->currentIndex(), 1);

    QStringList menus;
    for (QAction *menu : view.menuBar()->actions()) {
        menus << menu->text();
        for (QAction *item : menu->menu()->actions()) {
            menus << "  " + item->text();
        }
    }
    EXPECT_EQ(menus, (QStringList{"&I/F setting", "  Interface Properties", "  &Print Configurations", "&Help",
                                  "  &About Rollvane..."}));
    EXPECT_EQ(view.findChild<QPushButton *>("button2")->text(), "Exit");
}

TEST_F(MainWindowViewTest, OnlyTheCurrentPageIsShown)
{
    MainWindowView view(window);
    view.show();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(view.pageView(i)->isVisible(), i == 1) << i;
    }
    view.tabBar()->setCurrentIndex(4);
    EXPECT_EQ(window.currentPage(), 4);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(view.pageView(i)->isVisible(), i == 4) << i;
    }
}

// Space types into the one-line fields of the pages and nowhere else; Enter and Esc type nothing.
TEST_F(MainWindowViewTest, SpaceIsTypedOnlyInLineFields)
{
    MainWindowView view(window);
    auto *page = new QWidget;
    auto *field = new QLineEdit(page);
    auto *list = new QComboBox(page);
    list->setEditable(true);
    auto *fixedList = new QComboBox(page);
    fixedList->addItems({"a", "b"});
    view.SetPageView(1, page);
    view.show();
    const struct {
        const char *name;
        QWidget *target;
        int key;
        const char *typed;
        std::function<QString()> text;
        QString expected;
    } cases[] = {
        {"a line field takes a space", field, Qt::Key_Space, " ", [&] { return field->text(); }, "a b"},
        {"an editable list's field takes a space", list, Qt::Key_Space, " ", [&] { return list->currentText(); },
         "a b"},
        {"Enter in a line field", field, Qt::Key_Return, "\r", [&] { return field->text(); }, "ab"},
        {"Esc in a line field", field, Qt::Key_Escape, "\x1b", [&] { return field->text(); }, "ab"},
        {"the page itself", page, Qt::Key_Space, " ", [&] { return field->text(); }, ""},
        {"a fixed list is not opened", fixedList, Qt::Key_Space, " ",
         [&] { return fixedList->view()->isVisible() ? "open" : "closed"; }, "closed"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        field->clear();
        list->setEditText("");
        if (c.target != page && c.target != fixedList) {
            Press(c.target, Qt::Key_A, "a");
            Press(c.target, c.key, c.typed);
            Press(c.target, Qt::Key_B, "b");
        } else {
            Press(c.target, c.key, c.typed);
        }
        EXPECT_EQ(c.text(), c.expected);
    }
}

TEST_F(MainWindowViewTest, EnterAndSpaceDoNotPressTheFocusedButton)
{
    MainWindowView view(window);
    view.show();
    // Exit as the default button: Enter would press it as well as Space.
    auto *exit = view.findChild<QPushButton *>("button2");
    exit->setDefault(true);
    int clicks = 0;
    QObject::connect(exit, &QPushButton::clicked, [&] { ++clicks; });
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        exit->setFocus();
        QTest::keyClick(exit, key);
        EXPECT_TRUE(view.isVisible()) << key;
    }
    EXPECT_EQ(clicks, 0);
}

TEST_F(MainWindowViewTest, ModalDialogsKeepTheirKeys)
{
    MainWindowView view(window);
    view.show();
    QDialog dialog(&view);
    auto *field = new QLineEdit(&dialog);
    dialog.show();
    Press(field, Qt::Key_A, "a");
    Press(field, Qt::Key_Space, " ");
    EXPECT_EQ(field->text(), "a ");
}

// Small screens, large scales: the window keeps to the screen, Exit stays in it and the page's
// buttons can be scrolled to. The scale is fixed when the application starts, so each screen
// runs this test again in a program of its own (ROLLVANE_SMALL_SCREEN names its screenshot).
TEST_F(MainWindowViewTest, FitsASmallScreen)
{
    const QString screenshot = qEnvironmentVariable("ROLLVANE_SMALL_SCREEN");
    if (screenshot.isEmpty()) {
        const struct {
            int width;
            int height;
            const char *scale;
            const char *screenshot;
        } screens[] = {
            {1280, 900, "2", "main-window-scale2"},
            {1366, 768, "1.25", "main-window-1366x768-125"},
        };
        for (const auto &s : screens) {
            SCOPED_TRACE(s.screenshot);
            const std::string config = dir.file(std::string(s.screenshot) + ".json");
            testing_support::TempDir::Write(
                config, "{\"screens\": [{\"name\": \"small\", \"width\": " + std::to_string(s.width) +
                            ", \"height\": " + std::to_string(s.height) + "}]}");
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + QString::fromStdString(config));
            environment.insert("QT_SCALE_FACTOR", s.scale);
            environment.insert("ROLLVANE_SMALL_SCREEN", s.screenshot);
            QProcess child;
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {"--gtest_filter=MainWindowViewTest.FitsASmallScreen"});
            ASSERT_TRUE(child.waitForFinished(60000));
            EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
        }
        return;
    }

    MainWindowView view(window);
    view.tabBar()->setCurrentIndex(0);  // Change Settings, the largest page
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    const QRect free = view.screen()->availableGeometry();
    EXPECT_TRUE(free.contains(view.frameGeometry()))
        << view.frameGeometry().width() << " x " << view.frameGeometry().height();
    const auto shownIn = [](QWidget *widget, QWidget *area) {
        return area->rect().contains(QRect(widget->mapTo(area, QPoint(0, 0)), widget->size()));
    };
    EXPECT_TRUE(shownIn(view.findChild<QPushButton *>("button2"), &view));
    testing_support::SaveScreenshot(&view, screenshot);

    auto *scroll = view.findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    for (int id : {1064, 1065, 1093, 1094}) {
        auto *button = view.pageView(0)->findChild<QPushButton *>("button" + QString::number(id));
        scroll->ensureWidgetVisible(button);
        EXPECT_TRUE(shownIn(button, scroll->viewport())) << id;
    }
    testing_support::SaveScreenshot(&view, screenshot + "-scrolled");
}

TEST_F(MainWindowViewTest, Screenshot)
{
    MainWindowView view(window);
    view.show();
    EXPECT_FALSE(testing_support::SaveScreenshot(&view, "main-window").isEmpty());
    view.tabBar()->setCurrentIndex(0);
    testing_support::SaveScreenshot(&view, "main-window-settings");
}
