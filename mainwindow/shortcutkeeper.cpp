#include "mainwindow/shortcutkeeper.h"

#include <QKeyEvent>
#include <QWidget>

ShortcutKeeper::ShortcutKeeper(QList<QKeySequence> shortcuts, QObject* parent)
    : QObject(parent), shortcuts_(std::move(shortcuts)) {}

void ShortcutKeeper::watchFocusableWidgets(QWidget* top) {
    for (QWidget* widget : top->findChildren<QWidget*>()) {
        if (widget->focusPolicy() != Qt::NoFocus)
            widget->installEventFilter(this);
    }
}

bool ShortcutKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    if (!shortcuts_.contains(pressed))
        return false;
    // An ignored override leaves the key to the shortcut; the field never sees the claim.
    event->ignore();
    return true;
}
