#include "rollvane/gui/KeyboardFilter.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace rollvane {

KeyboardFilter::KeyboardFilter(QWidget *mainWindow) : QObject(mainWindow), mainWindow_(mainWindow) {}

bool KeyboardFilter::IsDiscardedKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_Space;
}

bool KeyboardFilter::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) {
        return false;
    }
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != mainWindow_) {
        return false;
    }
    const int key = static_cast<QKeyEvent *>(event)->key();
    // A message line needs its spaces; a button or a list must not be pressed by them.
    if (key == Qt::Key_Space && TypesText(widget)) {
        return false;
    }
    return IsDiscardedKey(key);
}

bool KeyboardFilter::TypesText(const QWidget *widget)
{
    if (qobject_cast<const QLineEdit *>(widget)) {
        return true;
    }
    // An editable list hands its keys on to its edit field.
    const auto *combo = qobject_cast<const QComboBox *>(widget);
    return combo && combo->isEditable();
}

}  // namespace rollvane
