#pragma once

#include "rollvane/link/ProgressWindow.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ProgressDialog;
}

namespace rollvane {

// The modeless "In Progress..." window of a running printer action. It is painted before the
// constructor returns and after every change, because the action holds the event loop while it
// talks to the printer (where the link waits, QtUserInterface keeps painting).
class ProgressDialog final : public QDialog, public ProgressWindow {
    Q_OBJECT

public:
    explicit ProgressDialog(QWidget *parent = nullptr);
    ~ProgressDialog() override;

    QString lineText() const;
    QString groupCaption() const;
    int barMaximum() const;
    int barValue() const;

    // Handles the pending paint and timer events of every window, and no user input and no
    // device notification, so nothing can start a second action or touch the link meanwhile.
    static void PaintPending();

protected:
    void ShowMessage(const std::string &text) override;
    void ShowRange(uint32_t upper) override;
    void ShowPosition(uint32_t position) override;

private:
    void PaintNow();

    std::unique_ptr<Ui::ProgressDialog> ui_;
};

}  // namespace rollvane
