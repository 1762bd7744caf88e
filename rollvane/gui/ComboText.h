#pragma once

#include <QComboBox>
#include <string>

namespace rollvane {

// Moving item texts in and out of editable drop-down lists.
class ComboText {
public:
    // Makes an editable list keep what is typed. Qt's default completer completes inline without
    // regard to case and, when focus leaves, swaps the text for the option it matches ("com1"
    // becomes "COM1", "Dis" becomes "Disabled"); the dialogs must see the text as typed.
    static void KeepTypedText(QComboBox *combo);
    // Selects the item equal to text, else puts text into the edit field with no selection.
    static void ShowExact(QComboBox *combo, const std::string &text);
    // Selects the item at index, or, when index is -1, puts text into the edit field.
    static void ShowAt(QComboBox *combo, int index, const std::string &text);
    // The edit field's text (what the person sees), or the selected item's when not editable.
    static std::string Take(const QComboBox *combo);
};

}  // namespace rollvane
