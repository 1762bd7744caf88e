#include "rollvane/gui/MessagesPageView.h"

#include "rollvane/gui/ComboText.h"
#include "rollvane/messages/MessagesPage.h"
#include "ui_MessagesPageView.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace rollvane {

namespace {

// The options of an attribute list as it shows them: sorted.
template <std::size_t N>
QStringList Sorted(const std::array<const char *, N> &options)
{
    QStringList texts;
    for (const char *option : options) {
        texts << QString::fromLatin1(option);
    }
    texts.sort();
    return texts;
}

}  // namespace

MessagesPageView::MessagesPageView(MessagesPage &page, QWidget *parent)
    : QWidget(parent), page_(page), form_(std::make_unique<Ui::MessagesPageView>())
{
    form_->setupUi(this);
    // The kind is chosen, never typed, and keeps its own order.
    for (const char *kind : MessagesPage::kKinds) {
        form_->combo1046->addItem(QString::fromLatin1(kind));
    }
    const QStringList switches = Sorted(MessagesPage::kSwitches);
    const std::pair<QComboBox *, QStringList> attributes[] = {
        {form_->combo1056, Sorted(MessagesPage::kUnderlines)},
        {form_->combo1057, switches},
        {form_->combo1058, switches},
        {form_->combo1059, switches},
        {form_->combo1060, Sorted(MessagesPage::kColors)},
        {form_->combo1061, switches},
    };
    for (const auto &[combo, options] : attributes) {
        ComboText::KeepTypedText(combo);
        combo->addItems(options);
    }
    connect(form_->button1048, &QPushButton::clicked, this, &MessagesPageView::Download);
    ShowTexts();
}

MessagesPageView::~MessagesPageView() = default;

QComboBox *MessagesPageView::list(int id) const
{
    return findChild<QComboBox *>("combo" + QString::number(id));
}

QLineEdit *MessagesPageView::field(int id) const
{
    return findChild<QLineEdit *>("edit" + QString::number(id));
}

QPushButton *MessagesPageView::button(int id) const
{
    return findChild<QPushButton *>("button" + QString::number(id));
}

void MessagesPageView::ShowTexts()
{
    ComboText::ShowExact(form_->combo1046, page_.kindText);
    // The printer takes the lines in the platform's own 8-bit encoding.
    form_->edit1045->setText(QString::fromLocal8Bit(page_.line1));
    form_->edit1047->setText(QString::fromLocal8Bit(page_.line2));
    ComboText::ShowExact(form_->combo1056, page_.underlineText);
    ComboText::ShowExact(form_->combo1057, page_.doubleHeightText);
    ComboText::ShowExact(form_->combo1058, page_.doubleWidthText);
    ComboText::ShowExact(form_->combo1059, page_.emphasizedText);
    ComboText::ShowExact(form_->combo1060, page_.colorText);
    ComboText::ShowExact(form_->combo1061, page_.inverseText);
}

void MessagesPageView::TakeTexts()
{
    page_.kindText = ComboText::Take(form_->combo1046);
    page_.line1 = form_->edit1045->text().toLocal8Bit().toStdString();
    page_.line2 = form_->edit1047->text().toLocal8Bit().toStdString();
    page_.underlineText = ComboText::Take(form_->combo1056);
    page_.doubleHeightText = ComboText::Take(form_->combo1057);
    page_.doubleWidthText = ComboText::Take(form_->combo1058);
    page_.emphasizedText = ComboText::Take(form_->combo1059);
    page_.colorText = ComboText::Take(form_->combo1060);
    page_.inverseText = ComboText::Take(form_->combo1061);
}

void MessagesPageView::Download()
{
    TakeTexts();
    page_.DownloadMessages();
    ShowTexts();
}

}  // namespace rollvane
