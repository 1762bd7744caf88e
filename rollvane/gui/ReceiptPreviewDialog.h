#pragma once

#include <QDialog>
#include <QImage>

#include <vector>

namespace rollvane {

// The receipts a printer would print, shown one above the other as paper, one pixel a dot.
class ReceiptPreviewDialog final : public QDialog {
    Q_OBJECT

public:
    ReceiptPreviewDialog(const QString &title, const std::vector<QImage> &receipts, QWidget *parent = nullptr);

    // The receipts of bytes as the printer's engine draws them; empty when nothing would be
    // printed, and false with *problem when they cannot be drawn.
    static bool Render(const std::vector<uint8_t> &bytes, std::vector<QImage> *receipts, QString *problem);
};

}  // namespace rollvane
