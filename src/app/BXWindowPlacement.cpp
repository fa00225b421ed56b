#include "app/BXWindowPlacement.h"

#include "ui/WindowAdditions.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

BXWindowPlacement::BXWindowPlacement(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

bool BXWindowPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType()
        || (event->type() != QEvent::Show && event->type() != QEvent::Resize))
        return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow()
        || (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog))
        return false;
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        // Shown before the window system maps it: it opens inside the screen, never partly off
        // it.
        WindowAdditions::fitIntoAvailableArea(window);
    } else if (event->type() == QEvent::Resize && window->windowType() == Qt::Dialog
        && window->isVisible()) {
        // A dialog grows downwards from where it stands: it moves up, and shrinks where it
        // must, so its buttons stay on the screen.
        WindowAdditions::fitIntoAvailableArea(window);
    }
    return false;
}
