#include "rollvane/gui/FindPrintersView.h"

#include "ui_FindPrintersView.h"

#include <QPushButton>
#include <QTreeWidget>

namespace rollvane {

FindPrintersView::FindPrintersView(FindPrintersDialog &dialog, QWidget *parent)
    : QDialog(parent), dialog_(dialog), form_(std::make_unique<Ui::FindPrintersView>())
{
    form_->setupUi(this);
    QStringList titles;
    for (const std::string &title : FindPrintersDialog::ColumnTitles()) {
        titles << QString::fromStdString(title);
    }
    form_->printerList->setHeaderLabels(titles);

    connect(form_->searchAgain, &QPushButton::clicked, this, &FindPrintersView::StartSearch);
    connect(form_->use, &QPushButton::clicked, this, &FindPrintersView::accept);
    connect(form_->cancel, &QPushButton::clicked, this, &FindPrintersView::reject);
    connect(form_->printerList, &QTreeWidget::itemDoubleClicked, this, &FindPrintersView::accept);
    connect(form_->printerList, &QTreeWidget::currentItemChanged, this, &FindPrintersView::EnableButtons);
    StartSearch();
}

FindPrintersView::~FindPrintersView() = default;

void FindPrintersView::StartSearch()
{
    dialog_.Started();
    ShowResult();
    // The search waits for the answers on a thread of its own: the window stays painted and
    // Cancel can be pressed. The outcome comes back through this window's event queue, which
    // drops it should the window be gone first.
    search_ = std::jthread([this] {
        FindPrintersDialog::Outcome outcome = dialog_.Search();
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)]() mutable { SearchFinished(std::move(outcome)); },
            Qt::QueuedConnection);
    });
}

void FindPrintersView::SearchFinished(FindPrintersDialog::Outcome outcome)
{
    dialog_.Finished(std::move(outcome));
    ShowResult();
}

void FindPrintersView::ShowResult()
{
    form_->line->setText(QString::fromStdString(dialog_.line()));
    QTreeWidget *list = form_->printerList;
    list->clear();
    for (const FindPrintersDialog::Row &row : dialog_.rows()) {
        new QTreeWidgetItem(list, {QString::fromStdString(row.address), QString::fromStdString(row.status),
                                   QString::fromStdString(row.model), QString::fromStdString(row.firmware)});
    }
    // Each column as wide as its widest text, and some room before the next; the last one
    // takes what is left.
    const int gap = 2 * list->fontMetrics().averageCharWidth();
    for (int column = 0; column + 1 < list->columnCount(); ++column) {
        list->resizeColumnToContents(column);
        list->setColumnWidth(column, list->columnWidth(column) + gap);
    }
    if (list->topLevelItemCount() > 0) {
        // Ready for the arrow keys and Enter.
        list->setCurrentItem(list->topLevelItem(0));
        list->setFocus(Qt::OtherFocusReason);
    }
    EnableButtons();
}

void FindPrintersView::EnableButtons()
{
    form_->searchAgain->setEnabled(!dialog_.searching());
    form_->use->setEnabled(!dialog_.searching() && form_->printerList->currentItem() != nullptr);
}

void FindPrintersView::accept()
{
    QTreeWidget *list = form_->printerList;
    dialog_.Choose(list->currentItem() ? list->indexOfTopLevelItem(list->currentItem()) : -1);
    if (dialog_.chosen()) {
        QDialog::accept();
    }
}

}  // namespace rollvane
