#include "rollvane/gui/BitImagePageView.h"

#include "rollvane/graphics/BitImagePage.h"
#include "rollvane/graphics/DotPicture.h"
#include "rollvane/gui/ComboText.h"
#include "ui_BitImagePageView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>

namespace rollvane {

namespace {

// The dialog ids of each row: ID list, file field, Browse, Manipulate, Width, Alignment.
constexpr int kRowIds[BitImagePage::kRows][6] = {
    {1038, 1039, 1042, 1114, 1087, 1056},
    {1045, 1046, 1044, 1115, 1090, 1058},
    {1049, 1050, 1048, 1116, 1091, 1059},
};

// The edge of the paper around a preview, so that its white print area shows on a white page.
constexpr int kPaperEdge = 1;

}  // namespace

BitImagePageView::BitImagePageView(BitImagePage &page, QWidget *parent)
    : QWidget(parent), page_(page), form_(std::make_unique<Ui::BitImagePageView>())
{
    form_->setupUi(this);
    QFont bold = form_->labelTitle->font();
    bold.setWeight(QFont::Bold);
    form_->labelTitle->setFont(bold);

    QStringList ids;
    for (int n = 0; n < BitImagePage::kIdCount; ++n) {
        ids << QString::number(n);
    }
    for (int k = 1; k <= BitImagePage::kRows; ++k) {
        const int *id = kRowIds[k - 1];
        RowWidgets &r = rows_[static_cast<std::size_t>(k - 1)];
        r = {list(id[0]),     field(id[1]), button(id[2]), findChild<QPushButton *>(QString("buttonPrepare%1").arg(k)),
             checkBox(id[3]), field(id[4]), list(id[5])};
        ComboText::KeepTypedText(r.id);
        r.id->addItems(ids);
        for (const char *alignment : BitImagePage::kAlignments) {
            r.alignment->addItem(QString::fromLatin1(alignment));
        }
        connect(r.browse, &QPushButton::clicked, this, [this, k] { Run([k](BitImagePage &p) { p.Browse(k); }); });
        connect(r.prepare, &QPushButton::clicked, this, [this, k] { Run([k](BitImagePage &p) { p.Prepare(k); }); });
        connect(r.manipulate, &QCheckBox::toggled, this, &BitImagePageView::RowEdited);
        connect(r.width, &QLineEdit::textEdited, this, &BitImagePageView::RowEdited);
        connect(r.alignment, &QComboBox::activated, this, &BitImagePageView::RowEdited);
    }
    ComboText::KeepTypedText(form_->combo1053);
    form_->combo1053->addItems(ids);
    form_->combo1035->addItems({"80mm", "58mm"});
    form_->combo1037->addItems({"Size1", "Size2"});

    connect(form_->button1052, &QPushButton::clicked, this, [this] { Run([](BitImagePage &p) { p.Download(); }); });
    connect(form_->button1063, &QPushButton::clicked, this,
            [this] { Run([](BitImagePage &p) { p.ClearFilePaths(); }); });
    connect(form_->button1055, &QPushButton::clicked, this,
            [this] { Run([](BitImagePage &p) { p.PrintSelected(); }); });
    ShowTexts();
}

BitImagePageView::~BitImagePageView() = default;

QComboBox *BitImagePageView::list(int id) const
{
    return findChild<QComboBox *>("combo" + QString::number(id));
}

QLineEdit *BitImagePageView::field(int id) const
{
    return findChild<QLineEdit *>("edit" + QString::number(id));
}

QPushButton *BitImagePageView::button(int id) const
{
    return findChild<QPushButton *>("button" + QString::number(id));
}

QCheckBox *BitImagePageView::checkBox(int id) const
{
    return findChild<QCheckBox *>("check" + QString::number(id));
}

void BitImagePageView::ShowTexts()
{
    for (int k = 1; k <= BitImagePage::kRows; ++k) {
        const BitImagePage::Row &row = page_.row(k);
        const RowWidgets &r = rows_[static_cast<std::size_t>(k - 1)];
        ComboText::ShowExact(r.id, row.idText);
        r.path->setText(QString::fromStdString(row.path));
        r.path->setCursorPosition(0);
        {
            // Setting the box is not an edit of the row.
            const QSignalBlocker quiet(r.manipulate);
            r.manipulate->setChecked(row.manipulate);
        }
        r.width->setText(QString::fromStdString(row.widthText));
        r.alignment->setCurrentIndex(row.alignment);
        r.width->setEnabled(row.manipulate);
        r.alignment->setEnabled(row.manipulate);
    }
    ComboText::ShowExact(form_->combo1053, page_.printIdText);
    ComboText::ShowExact(form_->combo1035, page_.paperWidth());
    ComboText::ShowExact(form_->combo1037, page_.fontSize());
    ShowPreview();
}

void BitImagePageView::TakeTexts()
{
    for (int k = 1; k <= BitImagePage::kRows; ++k) {
        BitImagePage::Row &row = page_.row(k);
        const RowWidgets &r = rows_[static_cast<std::size_t>(k - 1)];
        row.idText = ComboText::Take(r.id);
        row.path = r.path->text().toStdString();
        row.manipulate = r.manipulate->isChecked();
        row.widthText = r.width->text().toStdString();
        row.alignment = r.alignment->currentIndex();
    }
    page_.printIdText = ComboText::Take(form_->combo1053);
    page_.SetPaper(ComboText::Take(form_->combo1035), ComboText::Take(form_->combo1037));
}

template <typename Handler>
void BitImagePageView::Run(Handler handler)
{
    TakeTexts();
    handler(page_);
    ShowTexts();
}

void BitImagePageView::RowEdited()
{
    TakeTexts();
    for (const RowWidgets &r : rows_) {
        r.width->setEnabled(r.manipulate->isChecked());
        r.alignment->setEnabled(r.manipulate->isChecked());
    }
    ShowPreview();
}

// Each chosen row's image, drawn from the bytes the converter made, one pixel a dot.
void BitImagePageView::ShowPreview()
{
    QLayout *layout = form_->previewContents->layout();
    while (QLayoutItem *item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    form_->labelPreviewPaper->setText(
        QString("%1 paper, font %2: a print area of %3 dots, shown one pixel a dot as Download would store it.")
            .arg(QString::fromStdString(page_.paperWidth()), QString::fromStdString(page_.fontSize()))
            .arg(page_.maxWidth()));
    int shown = 0;
    for (int k = 1; k <= BitImagePage::kRows; ++k) {
        const BitImagePage::Row &row = page_.row(k);
        if (row.path.empty()) {
            continue;
        }
        ++shown;
        RasterImage &image = page_.converter();
        const std::string problem = page_.Preview(k, image);
        const QImage picture = problem.empty() ? DotPicture::FromRaster(image.data(), image.size()) : QImage();
        auto *caption = new QLabel(form_->previewContents);
        caption->setObjectName(QString("previewCaption%1").arg(k));
        caption->setWordWrap(true);
        const QString id = row.idText.empty() ? QString("not chosen") : QString::fromStdString(row.idText);
        const QString head = QString("FILE # %1, Bitmap ID %2").arg(k).arg(id);
        if (picture.isNull()) {
            caption->setText(head + ": cannot be shown: " + QString::fromStdString(problem));
            layout->addWidget(caption);
            continue;
        }
        caption->setText(head + QString(": %1 x %2 dots").arg(picture.width()).arg(picture.height()));
        layout->addWidget(caption);
        auto *dots = new QLabel(form_->previewContents);
        dots->setObjectName(QString("preview%1").arg(k));
        dots->setPixmap(QPixmap::fromImage(picture));
        dots->setFrameShape(QFrame::Box);
        dots->setLineWidth(kPaperEdge);
        dots->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        layout->addWidget(dots);
    }
    if (shown == 0) {
        auto *none = new QLabel("Choose a file with Browse... to see it here.", form_->previewContents);
        none->setObjectName("previewNone");
        layout->addWidget(none);
    }
    static_cast<QVBoxLayout *>(layout)->addStretch();
}

}  // namespace rollvane
