#pragma once

#include <QObject>

class QWidget;

namespace rollvane {

// Discards Enter, Esc and Space for the main window and everything in it (the tab pages and
// their controls), so none of these keys acts there and no space can be typed. Modal dialogs
// are separate windows and keep their keys.
class KeyboardFilter final : public QObject {
    Q_OBJECT

public:
    explicit KeyboardFilter(QWidget *mainWindow);

    static bool IsDiscardedKey(int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *mainWindow_;
};

}  // namespace rollvane
