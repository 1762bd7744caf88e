#include "rollvane/gui/ReceiptPreviewDialog.h"

#include "ReceiptPreview.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QStyle>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <algorithm>

namespace rollvane {

ReceiptPreviewDialog::ReceiptPreviewDialog(const QString &title, const std::vector<QImage> &receipts, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName("receipts");
    auto *paper = new QWidget(scroll);
    auto *column = new QVBoxLayout(paper);
    if (receipts.empty()) {
        column->addWidget(new QLabel("Nothing would be printed.", paper));
    }
    for (std::size_t n = 0; n < receipts.size(); ++n) {
        auto *receipt = new QLabel(paper);
        receipt->setObjectName(QString("receipt%1").arg(n + 1));
        receipt->setPixmap(QPixmap::fromImage(receipts[n]));
        receipt->setFrameShape(QFrame::Box);
        receipt->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        column->addWidget(receipt);
    }
    column->addStretch();
    scroll->setWidgetResizable(true);
    scroll->setWidget(paper);
    int widest = 200;
    for (const QImage &receipt : receipts) {
        widest = std::max(widest, receipt.width());
    }
    // Room for the widest receipt, its frame, the margins and a scroll bar.
    scroll->setMinimumSize(
        widest + 2 * column->contentsMargins().left() + 2 + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4, 400);
    layout->addWidget(scroll);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool ReceiptPreviewDialog::Render(const std::vector<uint8_t> &bytes, std::vector<QImage> *receipts, QString *problem)
{
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        *problem = folder.errorString();
        return false;
    }
    std::string why;
    const int count = ReceiptPreview::Render(bytes, folder.path().toStdString(), &why);
    if (count < 0) {
        *problem = QString::fromStdString(why);
        return false;
    }
    for (int n = 1; n <= count; ++n) {
        receipts->push_back(QImage(folder.filePath(QString("receipt-%1.png").arg(n, 4, 10, QChar('0')))));
    }
    return true;
}

}  // namespace rollvane
