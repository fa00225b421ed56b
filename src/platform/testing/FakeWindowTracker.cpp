#include "FakeWindowTracker.h"

#include "platform/documents/WindowController.h"

namespace platform {

FakeWindowTracker::FakeWindowTracker() : m_previous(WindowTracker::setCurrent(this)) { }

FakeWindowTracker::~FakeWindowTracker()
{
    WindowTracker::setCurrent(m_previous);
}

QList<WindowController*> FakeWindowTracker::orderedWindowControllers() const
{
    QList<WindowController*> controllers;
    for (const QPointer<WindowController>& controller : m_order) {
        if (controller)
            controllers.append(controller);
    }
    return controllers;
}

void FakeWindowTracker::setMainWindowController(WindowController* controller)
{
    if (m_main == controller)
        return;
    m_main = controller;
    emit mainWindowControllerChanged(controller);
}

void FakeWindowTracker::setKeyWindowController(WindowController* controller)
{
    if (m_key == controller)
        return;
    m_key = controller;
    emit keyWindowControllerChanged(controller);
}

void FakeWindowTracker::setOrderedWindowControllers(const QList<WindowController*>& controllers)
{
    m_order.clear();
    for (WindowController* controller : controllers)
        m_order.append(controller);
}

void FakeWindowTracker::activate(WindowController* controller)
{
    m_order.removeAll(controller);
    m_order.prepend(controller);
    setKeyWindowController(controller);
    setMainWindowController(controller);
}

} // namespace platform
