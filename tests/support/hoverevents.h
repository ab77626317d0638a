#pragma once

#include <QCoreApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QWidget>

// The events a widget gets when the mouse comes over it and leaves it again, sent directly so
// that no real pointer is needed.

inline void hoverEnter(QWidget* widget) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(widget, &event);
}

inline void hoverLeave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}
