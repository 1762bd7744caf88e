#pragma once

#include "rollvane/app/FindPrintersDialog.h"

#include <QDialog>
#include <memory>
#include <thread>

namespace Ui {
class FindPrintersView;
}

namespace rollvane {

// The Find Printers window: "Searching..." while the search runs, then the printers that
// answered, one a row, or why there are none. Use, Enter or a double-click chooses the selected
// printer and closes the window; the choice and every text are its dialog object's.
class FindPrintersView final : public QDialog {
    Q_OBJECT

public:
    // Starts the first search at once.
    explicit FindPrintersView(FindPrintersDialog &dialog, QWidget *parent = nullptr);
    // A search still running is waited for: the finder cannot be stopped halfway.
    ~FindPrintersView() override;

    void accept() override;

private:
    void StartSearch();
    void SearchFinished(FindPrintersDialog::Outcome outcome);
    void ShowResult();
    void EnableButtons();

    FindPrintersDialog &dialog_;
    std::unique_ptr<Ui::FindPrintersView> form_;
    // Last: joined before anything it reports to is gone.
    std::jthread search_;
};

}  // namespace rollvane
