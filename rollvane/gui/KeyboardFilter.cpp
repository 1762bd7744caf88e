#include "rollvane/gui/KeyboardFilter.h"

#include <QKeyEvent>
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
    return IsDiscardedKey(static_cast<QKeyEvent *>(event)->key());
}

}  // namespace rollvane
