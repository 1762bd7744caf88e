#include "rollvane/gui/SettingsPageView.h"

#include "rollvane/gui/ComboText.h"
#include "rollvane/settings/SettingsPage.h"
#include "rollvane/settings/SettingsTable.h"
#include "ui_SettingsPageView.h"

#include <QFormLayout>
#include <QLineEdit>

namespace rollvane {

SettingsPageView::SettingsPageView(SettingsPage &page, QWidget *parent)
    : QWidget(parent), page_(page), form_(std::make_unique<Ui::SettingsPageView>())
{
    form_->setupUi(this);
    for (const auto &item : SettingsTable::Items()) {
        const QString id = QString::number(item.listId);
        auto *combo = findChild<QComboBox *>("combo" + id);
        auto *text = findChild<QLabel *>("label" + id);
        const auto index = static_cast<std::size_t>(item.number - 1);
        lists_[index] = combo;
        labels_[index] = text;
        ComboText::KeepTypedText(combo);
        text->setText(QString::fromLatin1(item.label));
        for (const char *option : item.options) {
            combo->addItem(QString::fromLatin1(option));
        }
        combo->setCurrentIndex(-1);
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
    connect(form_->button1064, &QPushButton::clicked, this, [this] { Run(&SettingsPage::LoadFile); });
    connect(form_->button1065, &QPushButton::clicked, this, [this] { Run(&SettingsPage::SaveFile); });
    connect(form_->button1093, &QPushButton::clicked, this, [this] { Run(&SettingsPage::LoadFromPrinter); });
    connect(form_->button1094, &QPushButton::clicked, this, [this] { Run(&SettingsPage::ApplySettings); });
    ShowTexts();
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
