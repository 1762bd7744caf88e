#pragma once

#include <QWidget>

#include <memory>

class QDialog;
class QPushButton;

namespace Ui {
class DemoPageView;
}

namespace rollvane {

class DemoPage;

// The "Demo Print" page's widgets: the three pattern buttons, the note, and the hidden "Ok" and
// "Cancel" buttons of the page's template, which do nothing.
class DemoPageView final : public QWidget {
    Q_OBJECT

public:
    explicit DemoPageView(DemoPage &page, QWidget *parent = nullptr);
    ~DemoPageView() override;

    QPushButton *button(int id) const;
    // The preview dialog while it is open, for tests.
    QDialog *preview() const { return preview_; }

private:
    void ShowPreview(int pattern);

    DemoPage &page_;
    std::unique_ptr<Ui::DemoPageView> form_;
    QDialog *preview_ = nullptr;
};

}  // namespace rollvane
