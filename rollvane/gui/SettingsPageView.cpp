#include "rollvane/gui/SettingsPageView.h"

#include "rollvane/gui/ComboText.h"
#include "rollvane/settings/SettingsPage.h"
#include "rollvane/settings/SettingsTable.h"
#include "ui_SettingsPageView.h"

#include <QFormLayout>
#include <QLineEdit>

namespace rollvane {

namespace {

// Fills the form's lists and labels from the table and hides the rows never shown; returns the
// lists and labels in item order. The lists stay fixed: making them editable is most of the
// page's cost, which a size estimate need not pay.
void FillForm(QWidget *page, std::array<QComboBox *, SettingsTable::kItemCount> &lists,
              std::array<QLabel *, SettingsTable::kItemCount> &labels)
{
    for (const auto &item : SettingsTable::Items()) {
        const QString id = QString::number(item.listId);
        auto *combo = page->findChild<QComboBox *>("combo" + id);
        auto *text = page->findChild<QLabel *>("label" + id);
        const auto index = static_cast<std::size_t>(item.number - 1);
        lists[index] = combo;
        labels[index] = text;
        text->setText(QString::fromLatin1(item.label));
        for (const char *option : item.options) {
            combo->addItem(QString::fromLatin1(option));
        }
        if (item.hidden) {
            // Still part of validation, the file and the printer traffic; never shown.
            auto *layout = qobject_cast<QFormLayout *>(combo->parentWidget()->layout());
            if (layout) {
                layout->setRowVisible(combo, false);
            }
            combo->setVisible(false);
            text->setVisible(false);
        }
    }
}

}  // namespace

SettingsPageView::SettingsPageView(SettingsPage &page, QWidget *parent)
    : QWidget(parent), page_(page), form_(std::make_unique<Ui::SettingsPageView>())
{
    form_->setupUi(this);
    FillForm(this, lists_, labels_);
    for (QComboBox *combo : lists_) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        ComboText::KeepTypedText(combo);
        combo->setCurrentIndex(-1);
    }
    connect(form_->button1064, &QPushButton::clicked, this, [this] { Run(&SettingsPage::LoadFile); });
    connect(form_->button1065, &QPushButton::clicked, this, [this] { Run(&SettingsPage::SaveFile); });
    connect(form_->button1093, &QPushButton::clicked, this, [this] { Run(&SettingsPage::LoadFromPrinter); });
    connect(form_->button1094, &QPushButton::clicked, this, [this] { Run(&SettingsPage::ApplySettings); });
    ShowTexts();
}

QSize SettingsPageView::PlannedSizeHint()
{
    // Inside a parent, as in the tab control: a window's layout has wider margins.
    QWidget parent;
    auto *page = new QWidget(&parent);
    Ui::SettingsPageView form;
    form.setupUi(page);
    std::array<QComboBox *, SettingsTable::kItemCount> lists{};
    std::array<QLabel *, SettingsTable::kItemCount> labels{};
    FillForm(page, lists, labels);
    // What the style adds to an editable list over a fixed one with the same items.
    QComboBox fixed;
    QComboBox editable;
    editable.setEditable(true);
    const QSize extra = (editable.sizeHint() - fixed.sizeHint()).expandedTo(QSize(0, 0));
    for (QComboBox *combo : lists) {
        combo->setMinimumSize(combo->sizeHint() + extra);
    }
    return page->sizeHint();
}

SettingsPageView::~SettingsPageView() = default;

QComboBox *SettingsPageView::list(int number) const
{
    return lists_.at(static_cast<std::size_t>(number - 1));
}

QLabel *SettingsPageView::label(int number) const
{
    return labels_.at(static_cast<std::size_t>(number - 1));
}

QPushButton *SettingsPageView::button(int id) const
{
    return findChild<QPushButton *>("button" + QString::number(id));
}

void SettingsPageView::ShowTexts()
{
    for (int n = 1; n <= SettingsTable::kItemCount; ++n) {
        const auto shown = SettingsPage::ShowRule(n, page_.listText(n));
        ComboText::ShowAt(list(n), shown.index, shown.editText);
        // Long typed texts show from their beginning.
        if (list(n)->lineEdit()) {
            list(n)->lineEdit()->setCursorPosition(0);
        }
    }
}

void SettingsPageView::TakeTexts()
{
    for (int n = 1; n <= SettingsTable::kItemCount; ++n) {
        page_.SetListText(n, SettingsPage::TakeBack(ComboText::Take(list(n))));
    }
}

void SettingsPageView::Run(int (SettingsPage::*handler)())
{
    TakeTexts();
    (page_.*handler)();
    ShowTexts();
}

}  // namespace rollvane
