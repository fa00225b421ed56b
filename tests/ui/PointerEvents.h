#pragma once

#include <QApplication>
#include <QEnterEvent>
#include <QWidget>

// The pointer entering and leaving a widget, delivered at once as the window system would.
inline void sendEnter(QWidget* widget)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(widget, &enter);
}

inline void sendLeave(QWidget* widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}
