#pragma once

#include <QMainWindow>
#include <array>
#include <memory>

class QSocketNotifier;
class QTabBar;

namespace Ui {
class MainWindowView;
}

namespace rollvane {

class MainWindow;

// The main window: caption, red warning line, the tab control with the five pages, the menu
// and the Exit button. What the commands do is MainWindow's.
class MainWindowView final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindowView(MainWindow &window, QWidget *parent = nullptr);
    ~MainWindowView() override;

    // Puts a page's view into the tab control in place of its empty placeholder. A page's view
    // is otherwise made when its tab is first shown: the program starts sooner.
    void SetPageView(int index, QWidget *view);
    QWidget *pageView(int index) const { return pages_[static_cast<std::size_t>(index)]; }
    bool pageBuilt(int index) const;
    QTabBar *tabBar() const;

    // The start-up steps after the window is shown: the Interface Properties dialog once,
    // then the USB notifications.
    void Start();

    void ShowAbout();
    // "Find Printers...": the search window, then the chosen printer into Interface Properties.
    void FindPrinters();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void PlacePageView(int index, QWidget *view);
    void BuildPage(int index);
    // Shows the current page, made first if need be, and hides the others.
    void ShowPages();
    // Sizes the window for the largest page, within the screen's free area: on a smaller
    // screen the page area scrolls.
    void FitToScreen();
    void TabChanged(int index);

    MainWindow &window_;
    std::unique_ptr<Ui::MainWindowView> form_;
    std::array<QWidget *, 5> pages_{};
    std::array<bool, 5> built_{};
    QSocketNotifier *usbNotifier_ = nullptr;
    bool fitted_ = false;
};

}  // namespace rollvane
