#include "rollvane/gui/InterfacePropertiesView.h"

#include "rollvane/app/InterfacePropertiesDialog.h"
#include "rollvane/gui/ComboText.h"
#include "ui_InterfacePropertiesView.h"

#include <QIntValidator>
#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>

namespace rollvane {

namespace {

void Fill(QComboBox *combo, const std::vector<std::string> &items)
{
    ComboText::KeepTypedText(combo);
    for (const auto &item : items) {
        combo->addItem(QString::fromStdString(item));
    }
}

}  // namespace

InterfacePropertiesView::InterfacePropertiesView(InterfacePropertiesDialog &dialog, UserInterface &ui, QWidget *parent)
    : QDialog(parent), dialog_(dialog), ui_(ui), form_(std::make_unique<Ui::InterfacePropertiesView>())
{
    form_->setupUi(this);
    Fill(form_->combo1000, InterfacePropertiesDialog::PortItems());
    Fill(form_->combo1001, InterfacePropertiesDialog::BaudItems());
    Fill(form_->combo1103, InterfacePropertiesDialog::DataBitsItems());
    Fill(form_->combo1003, InterfacePropertiesDialog::StopBitsItems());
    Fill(form_->combo1002, InterfacePropertiesDialog::ParityItems());
    Fill(form_->combo1007, InterfacePropertiesDialog::FlowItems());
    Fill(form_->combo1098, InterfacePropertiesDialog::ProtocolItems());
    Fill(form_->combo1099, InterfacePropertiesDialog::NetPortItems());
    form_->combo1000->setMaxVisibleItems(24);

    for (int i = 0; i < 4; ++i) {
        QLineEdit *octet = octets()[static_cast<std::size_t>(i)];
        octet->setValidator(new QIntValidator(0, 255, octet));
        octet->installEventFilter(this);
        connect(octet, &QLineEdit::textEdited, this, [this, i] { OctetEdited(i); });
    }
    connect(form_->buttons, &QDialogButtonBox::accepted, this, &InterfacePropertiesView::accept);
    connect(form_->buttons, &QDialogButtonBox::rejected, this, &InterfacePropertiesView::reject);

    // Opening: the members in their controls, the IP address enabled, the serial fields
    // disabled, then the enabling rule of the selected port.
    ShowSettings();
    const auto address = dialog_.settings().ipAddress;
    for (int i = 0; i < 4; ++i) {
        octets()[static_cast<std::size_t>(i)]->setText(QString::number((address >> (24 - 8 * i)) & 0xFF));
    }
    form_->ip1102->setEnabled(true);
    for (QWidget *w : {static_cast<QWidget *>(form_->combo1001), static_cast<QWidget *>(form_->combo1003),
                       static_cast<QWidget *>(form_->combo1002), static_cast<QWidget *>(form_->combo1007),
                       static_cast<QWidget *>(form_->combo1103), static_cast<QWidget *>(form_->edit1004)}) {
        w->setEnabled(false);
    }
    ApplyEnabling();
    connect(form_->combo1000, &QComboBox::currentIndexChanged, this, &InterfacePropertiesView::ApplyEnabling);
}

InterfacePropertiesView::~InterfacePropertiesView() = default;

QComboBox *InterfacePropertiesView::combo(int id) const
{
    switch (id) {
    case 1000:
        return form_->combo1000;
    case 1001:
        return form_->combo1001;
    case 1002:
        return form_->combo1002;
    case 1003:
        return form_->combo1003;
    case 1007:
        return form_->combo1007;
    case 1098:
        return form_->combo1098;
    case 1099:
        return form_->combo1099;
    case 1103:
        return form_->combo1103;
    default:
        return nullptr;
    }
}

void InterfacePropertiesView::SetOctet(int index, int value)
{
    if (index >= 0 && index < 4) {
        QLineEdit *octet = octets()[static_cast<std::size_t>(index)];
        octet->setText(QString::number(value));
        emit octet->textEdited(octet->text());
    }
}

std::array<QLineEdit *, 4> InterfacePropertiesView::octets() const
{
    return {form_->ipOctet0, form_->ipOctet1, form_->ipOctet2, form_->ipOctet3};
}

void InterfacePropertiesView::ShowSettings()
{
    // Exact items only: an unlisted text such as "NULL" stands as typed text.
    const InterfaceSettings &s = dialog_.settings();
    const QSignalBlocker block(form_->combo1000);
    ComboText::ShowExact(form_->combo1000, s.portText);
    ComboText::ShowExact(form_->combo1001, s.baudText);
    ComboText::ShowExact(form_->combo1002, s.parityText);
    ComboText::ShowExact(form_->combo1003, s.stopBitsText);
    ComboText::ShowExact(form_->combo1103, s.dataBitsText);
    ComboText::ShowExact(form_->combo1007, s.flowText);
    ComboText::ShowExact(form_->combo1098, s.protocolText);
    ComboText::ShowExact(form_->combo1099, s.netPortText);
}

void InterfacePropertiesView::ReadBack()
{
    InterfaceSettings &s = dialog_.settings();
    s.portText = ComboText::Take(form_->combo1000);
    s.baudText = ComboText::Take(form_->combo1001);
    s.parityText = ComboText::Take(form_->combo1002);
    s.stopBitsText = ComboText::Take(form_->combo1003);
    s.dataBitsText = ComboText::Take(form_->combo1103);
    s.flowText = ComboText::Take(form_->combo1007);
    s.protocolText = ComboText::Take(form_->combo1098);
    s.netPortText = ComboText::Take(form_->combo1099);
}

void InterfacePropertiesView::ApplyEnabling()
{
    ReadBack();
    const auto enabling = InterfacePropertiesDialog::EnablingFor(form_->combo1000->currentIndex());
    if (!enabling) {
        return;
    }
    form_->ip1102->setEnabled(enabling->ipAddress);
    for (QComboBox *c : {form_->combo1001, form_->combo1003, form_->combo1002, form_->combo1007, form_->combo1103}) {
        c->setEnabled(enabling->serialFields);
    }
}

uint32_t InterfacePropertiesView::addressFromControls() const
{
    uint32_t address = 0;
    for (QLineEdit *octet : octets()) {
        address = (address << 8) | static_cast<uint32_t>(std::clamp(octet->text().toInt(), 0, 255));
    }
    return address;
}

void InterfacePropertiesView::OctetEdited(int index)
{
    QLineEdit *octet = octets()[static_cast<std::size_t>(index)];
    const QString typed = octet->text();
    if (typed.toInt() > 255) {
        // Refused where it was typed, never cut down in silence.
        octet->setText("255");
        octet->selectAll();
        dialog_.SetIpAddress(addressFromControls());
        ui_.ShowMessage(typed.toStdString() + " is not a valid entry: a field of an IP address is 0 to 255.",
                        "Interface Properties", MessageIcon::Exclamation);
        return;
    }
    dialog_.SetIpAddress(addressFromControls());
    // A full field moves on, as a "." would.
    if (typed.size() == 3 && octet->cursorPosition() == 3) {
        MoveToOctet(index + 1);
    }
}

void InterfacePropertiesView::MoveToOctet(int index)
{
    if (index < 4) {
        QLineEdit *next = octets()[static_cast<std::size_t>(index)];
        next->setFocus(Qt::TabFocusReason);
        next->selectAll();
    }
}

bool InterfacePropertiesView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    const auto *key = static_cast<QKeyEvent *>(event);
    // The keypad's decimal key gives "," in some keyboard layouts.
    const bool dot =
        key->key() == Qt::Key_Period || (key->key() == Qt::Key_Comma && key->modifiers() & Qt::KeypadModifier);
    const auto fields = octets();
    const auto found = std::find(fields.begin(), fields.end(), watched);
    if (!dot || found == fields.end()) {
        return QDialog::eventFilter(watched, event);
    }
    // A field that is empty, or wholly selected because focus has just moved into it, keeps
    // the focus: "127" moves on by itself and the "." after it is not a second move.
    QLineEdit *octet = *found;
    if (!octet->text().isEmpty() && octet->selectedText() != octet->text()) {
        MoveToOctet(static_cast<int>(found - fields.begin()) + 1);
    }
    return true;
}

void InterfacePropertiesView::accept()
{
    ReadBack();
    if (dialog_.Accept(ui_)) {
        QDialog::accept();
        return;
    }
    ShowSettings();
}

}  // namespace rollvane
