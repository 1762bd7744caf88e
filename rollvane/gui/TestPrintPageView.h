#pragma once

#include <QWidget>

#include <memory>

class QAbstractButton;

namespace Ui {
class TestPrintPageView;
}

namespace rollvane {

class TestPrintPage;

// The "Online Test Print" page's widgets: the paper, side and duty radio groups and the four
// buttons. The radio choices go to the page when a button is pressed; the page says when the
// buttons are to be disabled and enabled again.
class TestPrintPageView final : public QWidget {
    Q_OBJECT

public:
    explicit TestPrintPageView(TestPrintPage &page, QWidget *parent = nullptr);
    ~TestPrintPageView() override;

    // The radio button or push button of a control id (1014, 1066, ...).
    QAbstractButton *control(int id) const;

private:
    // Moves the radio choices into the page.
    void ReadBack();
    void SetControlsEnabled(bool enabled);

    TestPrintPage &page_;
    std::unique_ptr<Ui::TestPrintPageView> form_;
    bool configurationRunning_ = false;
};

}  // namespace rollvane
