#include "rollvane/gui/MainWindowView.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/gui/AboutDialog.h"
#include "rollvane/gui/BitImagePageView.h"
#include "rollvane/gui/DemoPageView.h"
#include "rollvane/gui/FindPrintersView.h"
#include "rollvane/gui/KeyboardFilter.h"
#include "rollvane/gui/MessagesPageView.h"
#include "rollvane/gui/ProgramIcon.h"
#include "rollvane/gui/SettingsPageView.h"
#include "rollvane/gui/TestPrintPageView.h"
#include "ui_MainWindowView.h"

#include <QApplication>
#include <QGridLayout>
#include <QScreen>
#include <QShowEvent>
#include <QSocketNotifier>
#include <QStyle>
#include <QWindow>

namespace rollvane {

namespace {

// The page area's margins inside the tab control: 8 on the sides and below, 20 above
// (the tab row takes part of it).
constexpr int kPageMargin = 8;
constexpr int kSettingsPage = 0;
constexpr int kBitImagePage = 1;

}  // namespace

MainWindowView::MainWindowView(MainWindow &window, QWidget *parent)
    : QMainWindow(parent), window_(window), form_(std::make_unique<Ui::MainWindowView>())
{
    form_->setupUi(this);
    setWindowTitle(MainWindow::kCaption);
    setWindowIcon(ProgramIcon::Icon());

    QFont bold = form_->label1006->font();
    bold.setWeight(QFont::Bold);
    form_->label1006->setFont(bold);
    QPalette red = form_->label1006->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    form_->label1006->setPalette(red);

    auto *area = new QGridLayout(form_->pageArea);
    area->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    for (int i = 0; i < MainWindow::kPageCount; ++i) {
        form_->tabBar->addTab(MainWindow::kTabCaptions[static_cast<std::size_t>(i)]);
        pages_[static_cast<std::size_t>(i)] = new QWidget(form_->pageArea);
        pages_[static_cast<std::size_t>(i)]->setObjectName(QString("page%1").arg(i));
        area->addWidget(pages_[static_cast<std::size_t>(i)], 0, 0);
    }
    form_->tabBar->setExpanding(false);
    form_->tabBar->setCurrentIndex(window_.currentPage());
    ShowPages();
    connect(form_->tabBar, &QTabBar::currentChanged, this, &MainWindowView::TabChanged);

    connect(form_->action32771, &QAction::triggered, this, [this] { window_.RunInterfaceProperties(); });
    connect(form_->action32772, &QAction::triggered, this, [this] { window_.PrintConfigurations(); });
    connect(form_->actionFindPrinters, &QAction::triggered, this, &MainWindowView::FindPrinters);
    connect(form_->action16, &QAction::triggered, this, &MainWindowView::ShowAbout);
    connect(form_->button2, &QPushButton::clicked, this, &QWidget::close);
    window_.onExitEnabledChanged = [this](bool enabled) { form_->button2->setEnabled(enabled); };

    qApp->installEventFilter(new KeyboardFilter(this));
}

MainWindowView::~MainWindowView()
{
    window_.onExitEnabledChanged = nullptr;
}

QTabBar *MainWindowView::tabBar() const
{
    return form_->tabBar;
}

void MainWindowView::SetPageView(int index, QWidget *view)
{
    PlacePageView(index, view);
    ShowPages();
}

bool MainWindowView::pageBuilt(int index) const
{
    return built_[static_cast<std::size_t>(index)];
}

void MainWindowView::PlacePageView(int index, QWidget *view)
{
    auto &slot = pages_[static_cast<std::size_t>(index)];
    auto *area = static_cast<QGridLayout *>(form_->pageArea->layout());
    delete area->replaceWidget(slot, view);  // the old widget's layout item is ours to free
    delete slot;
    slot = view;
    built_[static_cast<std::size_t>(index)] = true;
}

void MainWindowView::BuildPage(int index)
{
    if (pageBuilt(index)) {
        return;
    }
    QWidget *view = nullptr;
    switch (index) {
    case 0:
        view = new SettingsPageView(window_.settingsPage());
        break;
    case 1:
        view = new BitImagePageView(window_.bitImagePage());
        break;
    case 2:
        view = new MessagesPageView(window_.messagesPage());
        break;
    case 3:
        view = new TestPrintPageView(window_.testPrintPage());
        break;
    default:
        view = new DemoPageView(window_.demoPage());
        break;
    }
    view->setVisible(false);  // shown by ShowPages, after it is in the page area
    PlacePageView(index, view);
}

void MainWindowView::ShowPages()
{
    for (int i = 0; i < MainWindow::kPageCount; ++i) {
        if (window_.pageShown(i)) {
            BuildPage(i);
        }
    }
    for (int i = 0; i < MainWindow::kPageCount; ++i) {
        pages_[static_cast<std::size_t>(i)]->setVisible(window_.pageShown(i));
    }
}

void MainWindowView::TabChanged(int index)
{
    window_.SelectTab(index);
    ShowPages();
}

void MainWindowView::Start()
{
    window_.RunInterfaceProperties();
    const int fd = window_.RegisterDeviceNotifications();
    if (fd >= 0) {
        usbNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(usbNotifier_, &QSocketNotifier::activated, this, [this] { window_.DeviceNotificationReady(); });
    }
}

void MainWindowView::showEvent(QShowEvent *event)
{
    // Once, when the window system has the window and may know its frame.
    if (!fitted_ && !event->spontaneous()) {
        fitted_ = true;
        FitToScreen();
    }
    QMainWindow::showEvent(event);
}

void MainWindowView::FitToScreen()
{
    // One size on every tab, that of the largest page: the settings page, measured before it is
    // made, or the bit images page. The other three are smaller, whatever the font.
    BuildPage(kBitImagePage);
    QSize page = pageBuilt(kSettingsPage) ? QSize() : SettingsPageView::PlannedSizeHint();
    for (int i = 0; i < MainWindow::kPageCount; ++i) {
        if (pageBuilt(i)) {
            page = page.expandedTo(pages_[static_cast<std::size_t>(i)]->sizeHint());
        }
    }
    const QMargins margins = form_->pageArea->layout()->contentsMargins();
    page += QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
    // The scroll area offers only part of its page as its size hint; the window wants all of it.
    QSize wanted = sizeHint() + (page - form_->pageScroll->sizeHint()).expandedTo(QSize(0, 0));

    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        // Not known before the window system has framed the window: a title bar, at least.
        frame.setTop(style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    }
    const QRect free = screen()->availableGeometry();
    const QSize room = free.size() - QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    resize(wanted.boundedTo(room).expandedTo(minimumSizeHint()));
}

void MainWindowView::ShowAbout()
{
    AboutDialog about(this);
    about.exec();
}

void MainWindowView::FindPrinters()
{
    FindPrintersDialog search(window_.printerFinder());
    FindPrintersView view(search, this);
    if (view.exec() == QDialog::Accepted && search.chosen()) {
        window_.UseFoundPrinter(*search.chosen());
    }
}

}  // namespace rollvane
