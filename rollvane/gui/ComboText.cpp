#include "rollvane/gui/ComboText.h"

#include <QLineEdit>

namespace rollvane {

void ComboText::KeepTypedText(QComboBox *combo)
{
    // Without a completer, Qt matches the typed text only exactly and with regard to case.
    if (combo->isEditable()) {
        combo->setCompleter(nullptr);
    }
}

void ComboText::ShowExact(QComboBox *combo, const std::string &text)
{
    ShowAt(combo, combo->findText(QString::fromStdString(text), Qt::MatchExactly | Qt::MatchCaseSensitive), text);
}

void ComboText::ShowAt(QComboBox *combo, int index, const std::string &text)
{
    combo->setCurrentIndex(index);
    if (index < 0 && combo->isEditable()) {
        combo->setEditText(QString::fromStdString(text));
    }
}

std::string ComboText::Take(const QComboBox *combo)
{
    return combo->currentText().toStdString();
}

}  // namespace rollvane
