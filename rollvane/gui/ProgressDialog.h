#pragma once

#include "rollvane/link/ProgressWindow.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ProgressDialog;
}

namespace rollvane {

// The modeless "In Progress..." window of a running printer action. Every change is painted
// at once, because the action blocks the event loop while it talks to the printer.
class ProgressDialog final : public QDialog, public ProgressWindow {
    Q_OBJECT

public:
    explicit ProgressDialog(QWidget *parent = nullptr);
    ~ProgressDialog() override;

    QString lineText() const;
    QString groupCaption() const;
    int barMaximum() const;
    int barValue() const;

protected:
    void ShowMessage(const std::string &text) override;
    void ShowRange(uint32_t upper) override;
    void ShowPosition(uint32_t position) override;

private:
    void PaintNow();

    std::unique_ptr<Ui::ProgressDialog> ui_;
};

}  // namespace rollvane
