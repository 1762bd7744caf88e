#include "rollvane/gui/DemoPageView.h"

#include "rollvane/gui/ReceiptPreviewDialog.h"
#include "rollvane/printouts/DemoPage.h"
#include "ui_DemoPageView.h"

#include <QMessageBox>

namespace rollvane {

DemoPageView::DemoPageView(DemoPage &page, QWidget *parent)
    : QWidget(parent), page_(page), form_(std::make_unique<Ui::DemoPageView>())
{
    form_->setupUi(this);
    const int patterns[DemoPage::kPatterns] = {1081, 1070, 1071};
    for (int n = 1; n <= DemoPage::kPatterns; ++n) {
        connect(button(patterns[n - 1]), &QPushButton::clicked, this, [this, n] { page_.PrintDemoPattern(n); });
        connect(findChild<QPushButton *>(QString("buttonPreview%1").arg(n)), &QPushButton::clicked, this,
                [this, n] { ShowPreview(n); });
    }
}

void DemoPageView::ShowPreview(int pattern)
{
    std::vector<uint8_t> bytes;
    if (!page_.Translate(pattern, &bytes)) {
        return;
    }
    std::vector<QImage> receipts;
    QString problem;
    if (!ReceiptPreviewDialog::Render(bytes, &receipts, &problem)) {
        QMessageBox::critical(this, "Error", "The receipt cannot be drawn: " + problem);
        return;
    }
    ReceiptPreviewDialog dialog(QString::fromStdString(DemoPage::FileName(pattern)), receipts, this);
    preview_ = &dialog;
    dialog.exec();
    preview_ = nullptr;
}

DemoPageView::~DemoPageView() = default;

QPushButton *DemoPageView::button(int id) const
{
    return findChild<QPushButton *>("button" + QString::number(id));
}

}  // namespace rollvane
