// "Find Printers..." as a person uses it: the menu item, the search window over a scripted
// network, and the chosen printer in the Interface Properties window.
#include "rollvane/gui/FindPrintersView.h"
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/app/InterfacePropertiesDialog.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/gui/InterfacePropertiesView.h"
#include "rollvane/gui/MainWindowView.h"
#include "rollvane/gui/QtUserInterface.h"
#include "rollvane/link/PrinterFinder.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

// Failures show the texts, not their bytes.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
void PrintTo(const QStringList &texts, std::ostream *out)
{
    *out << "{\"" << texts.join("\", \"").toStdString() << "\"}";
}

namespace rollvane {
namespace {

// The network: answers each search from its script, on the thread that asks. A held search
// waits until it is released, so the window can be seen while it searches.
class ScriptedFinder final : public PrinterFinder {
public:
    void Answer(std::vector<FoundPrinter> printers)
    {
        const std::lock_guard lock(mutex_);
        made_ = true;
        printers_ = std::move(printers);
    }
    void Fail(std::string error)
    {
        const std::lock_guard lock(mutex_);
        made_ = false;
        error_ = std::move(error);
    }
    void Hold()
    {
        const std::lock_guard lock(mutex_);
        held_ = true;
    }
    void Release()
    {
        {
            const std::lock_guard lock(mutex_);
            held_ = false;
        }
        released_.notify_all();
    }
    int searches()
    {
        const std::lock_guard lock(mutex_);
        return searches_;
    }
    DiscoveryRequest lastRequest()
    {
        const std::lock_guard lock(mutex_);
        return request_;
    }

    bool Find(const DiscoveryRequest &request, std::vector<FoundPrinter> *found, std::string *error) override
    {
        std::unique_lock lock(mutex_);
        ++searches_;
        request_ = request;
        released_.wait(lock, [this] { return !held_; });
        *found = printers_;
        *error = made_ ? "" : error_;
        return made_;
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
    bool made_ = true;
    std::vector<FoundPrinter> printers_;
    std::string error_;
    int searches_ = 0;
    DiscoveryRequest request_;
};

// Steps taken while a modal window runs its own event loop: each is tried again on the next round
// until it says it is done (the window it needs may not be open yet). A step that never gets done
// fails the test instead of hanging it: the modal windows are closed.
class Steps {
public:
    Steps()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Next(); });
    }
    void Add(std::string name, std::function<bool()> step) { steps_.push_back({std::move(name), std::move(step)}); }
    void Start() { timer_.start(); }
    // The first step not done, or empty when all are.
    std::string pending() const { return steps_.empty() ? std::string() : steps_.front().first; }

private:
    static constexpr int kRoundsBeforeGivingUp = 3000;

    void Next()
    {
        if (steps_.empty()) {
            timer_.stop();
        } else if (idleRounds_ >= kRoundsBeforeGivingUp) {
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                modal->reject();
            }
        } else if (steps_.front().second()) {
            steps_.pop_front();
            idleRounds_ = 0;
        } else {
            ++idleRounds_;
        }
    }

    QTimer timer_;
    std::deque<std::pair<std::string, std::function<bool()>>> steps_;
    int idleRounds_ = 0;
};

template <typename Window>
Window *OpenModal()
{
    auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
    return window && window->isVisible() ? window : nullptr;
}

QString LineText(FindPrintersView *view)
{
    return view->findChild<QLabel *>("line")->text();
}

QTreeWidget *List(FindPrintersView *view)
{
    return view->findChild<QTreeWidget *>("printerList");
}

QPushButton *Button(QWidget *view, const char *name)
{
    return view->findChild<QPushButton *>(name);
}

QStringList RowTexts(FindPrintersView *view)
{
    QStringList rows;
    QTreeWidget *list = List(view);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column) {
            cells << list->topLevelItem(i)->text(column);
        }
        rows << cells.join(" | ");
    }
    return rows;
}

void KeyToFocus(Qt::Key key)
{
    QWidget *focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no widget has the focus";
    QTest::keyClick(focus, key);
}

constexpr uint32_t kFirst = 0xC0A8010Au;   // 192.168.1.10
constexpr uint32_t kSecond = 0xC0A80114u;  // 192.168.1.20

const std::vector<FoundPrinter> kTwoPrinters = {
    {kFirst, 0x00, "AXX-80", "02.28"},
    {kSecond, 0x08, "", ""},
};

class FindPrintersViewTest : public ::testing::Test {
protected:
    void SetUp() override { testing_support::EnsureQtApplication(); }

    static std::string WrittenIni(const testing_support::TempDir &dir)
    {
        const std::string path = dir.file("inifile.inf");
        testing_support::TempDir::Write(path, "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=9600\nSTOPBITS=1\nPARITY=NONE\n"
                                              "F.CONTROL=Xon/Xoff\nIP.ADDRESS=167772167\nCOMMUNICATION=0\n");
        return path;
    }

    testing_support::TempDir dir;
    ScriptedFinder finder;
    QtUserInterface ui;
    platform::VirtualClock clock;
    MainWindow window{ui, clock, WrittenIni(dir)};
};

}  // namespace

// Every way of choosing a printer, or of not choosing one, from the menu to the settings kept.
TEST_F(FindPrintersViewTest, ChosenPrinterGoesIntoInterfacePropertiesWithLan)
{
    enum class Choice {
        DoubleClickSecond,
        DownAndEnter,
        EnterOnFirst,
        CancelButton,
        Escape,
        CancelWhileSearching,
    };
    const struct {
        const char *name;
        Choice choice;
        bool okInInterfaceProperties;
        std::optional<uint32_t> chosen;  // the address Interface Properties shows; none: it does not open
    } cases[] = {
        {"double-click, OK", Choice::DoubleClickSecond, true, kSecond},
        {"Down and Enter, OK", Choice::DownAndEnter, true, kSecond},
        {"Enter on the first, OK", Choice::EnterOnFirst, true, kFirst},
        {"double-click, Cancel in Interface Properties", Choice::DoubleClickSecond, false, kSecond},
        {"Cancel", Choice::CancelButton, false, std::nullopt},
        {"Esc", Choice::Escape, false, std::nullopt},
        {"Cancel while searching", Choice::CancelWhileSearching, false, std::nullopt},
    };
    finder.Answer(kTwoPrinters);
    window.UsePrinterFinder(&finder);
    ui.SetInterfaceDialog(&window.interfaceDialog());
    MainWindowView view(window);
    ui.SetOwner(&view);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    QMenu *menu = view.menuBar()->actions().at(0)->menu();
    ASSERT_EQ(menu->title(), "&I/F setting");
    QStringList items;
    for (QAction *item : menu->actions()) {
        items << item->text();
    }
    ASSERT_EQ(items, (QStringList{"Interface Properties", "&Print Configurations", "Find Printers..."}));

    const InterfaceSettings before = window.interfaceDialog().settings();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Steps steps;
        QStringList listed;
        QString port;
        QStringList octets;
        bool addressEnabled = false;
        if (c.choice == Choice::CancelWhileSearching) {
            finder.Hold();
            steps.Add("Cancel while searching", [&] {
                auto *search = OpenModal<FindPrintersView>();
                if (!search) {
                    return false;
                }
                listed << LineText(search);
                QTest::mouseClick(Button(search, "cancel"), Qt::LeftButton);
                // The outcome comes after the window is closed, and is dropped with it.
                finder.Release();
                return true;
            });
        } else {
            steps.Add("the search window lists the printers", [&] {
                auto *search = OpenModal<FindPrintersView>();
                if (!search || List(search)->topLevelItemCount() == 0) {
                    return false;
                }
                listed = RowTexts(search);
                QTreeWidget *list = List(search);
                switch (c.choice) {
                case Choice::DoubleClickSecond: {
                    const QPoint row = list->visualItemRect(list->topLevelItem(1)).center();
                    // A double-click selects as its first click does, then chooses.
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row);
                    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row);
                    break;
                }
                case Choice::DownAndEnter:
                    KeyToFocus(Qt::Key_Down);
                    KeyToFocus(Qt::Key_Return);
                    break;
                case Choice::EnterOnFirst:
                    KeyToFocus(Qt::Key_Return);
                    break;
                case Choice::CancelButton:
                    QTest::mouseClick(Button(search, "cancel"), Qt::LeftButton);
                    break;
                default:
                    KeyToFocus(Qt::Key_Escape);
                    break;
                }
                return true;
            });
        }
        if (c.chosen) {
            steps.Add("Interface Properties shows the printer", [&] {
                auto *properties = OpenModal<InterfacePropertiesView>();
                if (!properties) {
                    return false;
                }
                port = properties->combo(1000)->currentText();
                for (int i = 0; i < 4; ++i) {
                    octets << properties->findChild<QLineEdit *>("ipOctet" + QString::number(i))->text();
                }
                addressEnabled = properties->findChild<QWidget *>("ip1102")->isEnabled();
                auto *buttons = properties->findChild<QDialogButtonBox *>("buttons");
                QTest::mouseClick(
                    buttons->button(c.okInInterfaceProperties ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                    Qt::LeftButton);
                return true;
            });
        }
        steps.Start();
        // As a person does it: the menu opened from the menu bar, the item clicked.
        QTest::mouseClick(view.menuBar(), Qt::LeftButton, Qt::NoModifier,
                          view.menuBar()->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(menu->actions().at(2)).center());
        EXPECT_EQ(steps.pending(), "");

        if (c.choice == Choice::CancelWhileSearching) {
            EXPECT_EQ(listed, QStringList{"Searching..."});
        } else {
            EXPECT_EQ(listed, (QStringList{"192.168.1.10 | 0x00 ready | AXX-80 | 02.28",
                                           "192.168.1.20 | 0x08 busy: check the printer |  | "}));
        }
        if (c.chosen) {
            const uint32_t a = *c.chosen;
            EXPECT_EQ(port, "LAN");
            EXPECT_EQ(octets, (QStringList{QString::number(a >> 24), QString::number((a >> 16) & 0xFF),
                                           QString::number((a >> 8) & 0xFF), QString::number(a & 0xFF)}));
            EXPECT_TRUE(addressEnabled);
        }
        const InterfaceSettings &now = window.interfaceDialog().settings();
        if (c.chosen && c.okInInterfaceProperties) {
            EXPECT_EQ(now.portText, "LAN");
            EXPECT_EQ(now.ipAddress, *c.chosen);
            EXPECT_EQ(now.linkType, LinkNetwork);
            EXPECT_EQ(window.link().linkType, LinkNetwork);
        } else {
            EXPECT_TRUE(now.sameLinkAs(before)) << now.portText << " " << now.ipText;
            EXPECT_EQ(now.ipText, before.ipText);
            EXPECT_EQ(window.link().linkType, LinkSerial);
        }
        window.interfaceDialog().settings() = before;
        window.link().linkType = LinkSerial;
    }
    EXPECT_EQ(finder.searches(), 7);
}

// What the window shows for each outcome of the search, and while it runs.
TEST_F(FindPrintersViewTest, ListsWhatAnsweredOrWhyNothingIs)
{
    const struct {
        const char *name;
        bool made;
        std::vector<FoundPrinter> printers;
        const char *error;
        QString line;
        QStringList rows;
    } cases[] = {
        {"four printers",
         true,
         {{0x0A000007u, 0xFF, "", ""},
          {0x0A000008u, 0x80, "AXX-58", "01.05"},
          {kFirst, 0x00, "AXX-80", "02.28"},
          {kSecond, 0x08, "AXX-80", ""}},
         "",
         "4 printers answered.",
         {"10.0.0.7 | 0xFF busy: no status |  | ", "10.0.0.8 | 0x80 ready, other bits 0x80 | AXX-58 | 01.05",
          "192.168.1.10 | 0x00 ready | AXX-80 | 02.28", "192.168.1.20 | 0x08 busy: check the printer | AXX-80 | "}},
        {"one printer",
         true,
         {{0xFFFFFFFEu, 0x00, "", ""}},
         "",
         "1 printer answered.",
         {"255.255.255.254 | 0x00 ready |  | "}},
        {"none", true, {}, "", "No printer answered.", {}},
        {"no socket",
         false,
         {},
         "socket: Address family not supported by protocol",
         "socket: Address family not supported by protocol",
         {}},
    };
    FindPrintersDialog search(&finder);
    finder.Hold();
    FindPrintersView view(search);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.windowTitle(), "Find Printers");
    EXPECT_EQ(LineText(&view), "Searching...");
    EXPECT_EQ(List(&view)->topLevelItemCount(), 0);
    EXPECT_FALSE(Button(&view, "use")->isEnabled());
    EXPECT_FALSE(Button(&view, "searchAgain")->isEnabled());
    // The window is painted while the search waits.
    EXPECT_FALSE(view.grab().isNull());
    QTreeWidgetItem *header = List(&view)->headerItem();
    EXPECT_EQ((QStringList{header->text(0), header->text(1), header->text(2), header->text(3)}),
              (QStringList{"Address", "Status", "Model", "Firmware"}));

    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        c.made ? finder.Answer(c.printers) : finder.Fail(c.error);
        finder.Release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return LineText(&view) != "Searching..."; }));
        EXPECT_EQ(LineText(&view), c.line);
        EXPECT_EQ(RowTexts(&view), c.rows);
        // With printers the first is selected and the list has the focus, ready for the keys.
        EXPECT_EQ(Button(&view, "use")->isEnabled(), !c.rows.isEmpty());
        EXPECT_EQ(List(&view)->hasFocus(), !c.rows.isEmpty());
        EXPECT_TRUE(Button(&view, "searchAgain")->isEnabled());
        if (c.rows.size() == 4) {
            testing_support::SaveScreenshot(&view, "find-printers");
        }
        // Search Again, held until the next case's answer is scripted.
        finder.Hold();
        QTest::mouseClick(Button(&view, "searchAgain"), Qt::LeftButton);
        EXPECT_EQ(LineText(&view), "Searching...");
        EXPECT_EQ(List(&view)->topLevelItemCount(), 0);
        EXPECT_FALSE(Button(&view, "use")->isEnabled());
    }
    finder.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return LineText(&view) != "Searching..."; }));
    EXPECT_EQ(finder.searches(), 5);
    const DiscoveryRequest asked = finder.lastRequest();
    EXPECT_TRUE(asked.addresses.empty());
    EXPECT_TRUE(asked.identify);
    EXPECT_EQ(asked.timeoutMs, 1500u);
}

}  // namespace rollvane
