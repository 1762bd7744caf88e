#include "rollvane/gui/MainWindowView.h"
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/gui/BitImagePageView.h"
#include "rollvane/gui/DemoPageView.h"
#include "rollvane/gui/MessagesPageView.h"
#include "rollvane/gui/SettingsPageView.h"
#include "rollvane/gui/TestPrintPageView.h"
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

void ClickTab(QTabBar *tabs, int index)
{
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
}

// The fonts a person may choose for the desktop: the window's size follows each.
const struct {
    const char *name;
    int pointSize;
    bool bold;
} kFonts[] = {
    {"the default font", 0, false},
    {"a small font", 7, false},
    {"a large bold font", 15, true},
};

// Sets the application's font for one scope.
class FontScope {
public:
    FontScope(int pointSize, bool bold) : saved_(QApplication::font())
    {
        QFont font = saved_;
        if (pointSize > 0) {
            font.setPointSize(pointSize);
        }
        font.setBold(bold);
        QApplication::setFont(font);
    }
    ~FontScope() { QApplication::setFont(saved_); }
    FontScope(const FontScope &) = delete;
    FontScope &operator=(const FontScope &) = delete;

private:
    QFont saved_;
};

// Runs one test again in a program of its own on a screen of the given size and scale, with one
// more environment variable set, which tells the test it runs there.
void RunOnScreen(testing_support::TempDir &dir, const char *test, int width, int height, const char *scale,
                 std::pair<QString, QString> variable)
{
    const std::string config = dir.file(variable.first.toStdString() + variable.second.toStdString() + ".json");
    testing_support::TempDir::Write(config,
                                    "{\"screens\": [{\"name\": \"screen\", \"width\": " + std::to_string(width) +
                                        ", \"height\": " + std::to_string(height) + "}]}");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + QString::fromStdString(config));
    environment.insert("QT_SCALE_FACTOR", scale);
    environment.insert(variable.first, variable.second);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QString("--gtest_filter=") + test});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
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
    EXPECT_EQ(menus, (QStringList{"&I/F setting", "  Interface Properties", "  &Print Configurations",
                                  "  Find Printers...", "&Help", "  &About Rollvane..."}));
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

// A page's widgets are made when a person first opens its tab, and kept.
TEST_F(MainWindowViewTest, PagesAreMadeWhenTheirTabIsFirstOpened)
{
    MainWindowView view(window);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const struct {
        int tab;
        std::array<bool, 5> built;
        const char *viewClass;
    } steps[] = {
        {1, {false, true, false, false, false}, "rollvane::BitImagePageView"},
        {4, {false, true, false, false, true}, "rollvane::DemoPageView"},
        {0, {true, true, false, false, true}, "rollvane::SettingsPageView"},
        {4, {true, true, false, false, true}, "rollvane::DemoPageView"},
        {2, {true, true, true, false, true}, "rollvane::MessagesPageView"},
        {3, {true, true, true, true, true}, "rollvane::TestPrintPageView"},
    };
    QWidget *demo = nullptr;
    for (const auto &step : steps) {
        SCOPED_TRACE(step.viewClass);
        ClickTab(view.tabBar(), step.tab);
        EXPECT_EQ(window.currentPage(), step.tab);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(view.pageBuilt(i), step.built[static_cast<std::size_t>(i)]) << i;
            EXPECT_EQ(view.pageView(i)->isVisible(), i == step.tab) << i;
        }
        EXPECT_STREQ(view.pageView(step.tab)->metaObject()->className(), step.viewClass);
        if (step.tab == 4) {
            // Made once: the second visit finds the same widgets.
            EXPECT_TRUE(demo == nullptr || demo == view.pageView(4));
            demo = view.pageView(4);
        }
    }
    // The settings page shows the page's texts when it is made.
    auto *settings = static_cast<rollvane::SettingsPageView *>(view.pageView(0));
    EXPECT_TRUE(settings->list(1)->isEditable());
    EXPECT_EQ(settings->list(1)->lineEdit()->completer(), nullptr);
}

// The window is sized once, before the settings page is made, and keeps that size on every tab:
// the size of a window whose five pages were all made first. On a screen that holds it whole.
TEST_F(MainWindowViewTest, TheWindowKeepsItsSizeOnEveryTab)
{
    if (qEnvironmentVariableIsEmpty("ROLLVANE_LARGE_SCREEN")) {
        RunOnScreen(dir, "MainWindowViewTest.TheWindowKeepsItsSizeOnEveryTab", 2560, 1600, "1",
                    {"ROLLVANE_LARGE_SCREEN", "1"});
        return;
    }
    for (const auto &f : kFonts) {
        SCOPED_TRACE(f.name);
        FontScope font(f.pointSize, f.bold);
        window.SelectTab(1);
        QSize allMade;
        {
            MainWindowView view(window);
            view.SetPageView(0, new rollvane::SettingsPageView(window.settingsPage()));
            view.SetPageView(2, new rollvane::MessagesPageView(window.messagesPage()));
            view.SetPageView(3, new rollvane::TestPrintPageView(window.testPrintPage()));
            view.SetPageView(4, new rollvane::DemoPageView(window.demoPage()));
            view.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
            allMade = view.size();
            EXPECT_TRUE(view.screen()->availableGeometry().contains(view.frameGeometry()));
        }
        MainWindowView view(window);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        EXPECT_FALSE(view.pageBuilt(0));
        EXPECT_EQ(view.size(), allMade);
        for (int tab : {0, 2, 3, 4, 1}) {
            ClickTab(view.tabBar(), tab);
            QCoreApplication::processEvents();
            EXPECT_EQ(view.size(), allMade) << tab;
        }
    }
}

// The settings page's size, found without making its lists editable, is the size it has when made;
// the three pages the window is not sized by are within the two it is sized by.
TEST_F(MainWindowViewTest, SettingsPageSizeIsKnownBeforeItIsMade)
{
    for (const auto &f : kFonts) {
        SCOPED_TRACE(f.name);
        FontScope font(f.pointSize, f.bold);
        // Each page inside a parent, as in the tab control.
        QWidget area;
        const QSize planned = rollvane::SettingsPageView::PlannedSizeHint();
        EXPECT_EQ(planned, (new rollvane::SettingsPageView(window.settingsPage(), &area))->sizeHint());
        const QSize largest =
            planned.expandedTo((new rollvane::BitImagePageView(window.bitImagePage(), &area))->sizeHint());
        const QSize others[] = {
            (new rollvane::MessagesPageView(window.messagesPage(), &area))->sizeHint(),
            (new rollvane::TestPrintPageView(window.testPrintPage(), &area))->sizeHint(),
            (new rollvane::DemoPageView(window.demoPage(), &area))->sizeHint(),
        };
        for (const QSize &other : others) {
            EXPECT_EQ(largest.expandedTo(other), largest) << other.width() << " x " << other.height();
        }
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
            RunOnScreen(dir, "MainWindowViewTest.FitsASmallScreen", s.width, s.height, s.scale,
                        {"ROLLVANE_SMALL_SCREEN", s.screenshot});
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
