#pragma once

#include <QObject>

class QWidget;

namespace rollvane {

// Discards Enter, Esc and Space for the main window and everything in it (the tab pages and
// their controls), so none of these keys acts there. Space still types a space into a one-line
// text field (an edit field, or an editable list's); elsewhere it would press a button or open a
// list. Modal dialogs are separate windows and keep their keys.
class KeyboardFilter final : public QObject {
    Q_OBJECT

public:
    explicit KeyboardFilter(QWidget *mainWindow);

    static bool IsDiscardedKey(int key);
    // A one-line text field, where Space types a space.
    static bool TypesText(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *mainWindow_;
};

}  // namespace rollvane
