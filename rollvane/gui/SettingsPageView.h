#pragma once

#include "rollvane/settings/SettingsTable.h"

#include <QWidget>

#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;

namespace Ui {
class SettingsPageView;
}

namespace rollvane {

class SettingsPage;

// The "Change Settings" page's widgets: 38 editable drop-down lists in five groups and the
// four buttons. It moves the texts between its lists and the page and runs the page's
// handlers; the page does everything else.
class SettingsPageView final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsPageView(SettingsPage &page, QWidget *parent = nullptr);
    ~SettingsPageView() override;

    // The size hint the page will have, found without building it: the window is sized for
    // this page before the page is first shown.
    static QSize PlannedSizeHint();

    // The list and label of item n (1 to 38).
    QComboBox *list(int number) const;
    QLabel *label(int number) const;
    QPushButton *button(int id) const;

    // Shows the page's texts in the lists.
    void ShowTexts();
    // Gives the lists' texts to the page.
    void TakeTexts();

private:
    void Run(int (SettingsPage::*handler)());

    SettingsPage &page_;
    std::unique_ptr<Ui::SettingsPageView> form_;
    std::array<QComboBox *, SettingsTable::kItemCount> lists_{};
    std::array<QLabel *, SettingsTable::kItemCount> labels_{};
};

}  // namespace rollvane
