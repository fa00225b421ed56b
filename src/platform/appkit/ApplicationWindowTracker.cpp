#include "ApplicationWindowTracker.h"

#include "CommandRouter.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace platform {

namespace {

bool isDocumentWindow(const QWidget* window)
{
    return window && !CommandRouter::isPanel(window) && WindowController::forWindow(window);
}

} // namespace

ApplicationWindowTracker::ApplicationWindowTracker(QObject* parent) : WindowTracker(parent)
{
    qApp->installEventFilter(this);
}

ApplicationWindowTracker::~ApplicationWindowTracker()
{
    if (qApp)
        qApp->removeEventFilter(this);
    if (&WindowTracker::current() == this)
        WindowTracker::setCurrent(nullptr);
}

void ApplicationWindowTracker::install()
{
    // Each start-up in a test process installs again; one tracker follows every window.
    if (dynamic_cast<ApplicationWindowTracker*>(&WindowTracker::current()))
        return;
    WindowTracker::setCurrent(new ApplicationWindowTracker(qApp));
}

WindowController* ApplicationWindowTracker::mainWindowController() const
{
    return m_mainController;
}

WindowController* ApplicationWindowTracker::keyWindowController() const
{
    return m_keyController;
}

QList<WindowController*> ApplicationWindowTracker::orderedWindowControllers() const
{
    QList<WindowController*> controllers;
    for (const QPointer<QWidget>& window : m_order) {
        WindowController* controller = WindowController::forWindow(window);
        if (controller && !controllers.contains(controller))
            controllers.append(controller);
    }
    return controllers;
}

bool ApplicationWindowTracker::eventFilter(QObject* watched, QEvent* event)
{
    // Every event of the application passes here: test the type before anything else.
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::WindowActivate
        && type != QEvent::WindowDeactivate)
        return false;
    if (!watched->isWidgetType())
        return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow() || window->windowType() == Qt::Popup
        || window->windowType() == Qt::ToolTip)
        return false;
    switch (type) {
    case QEvent::Show:
        bringToFront(window);
        break;
    case QEvent::WindowActivate:
        bringToFront(window);
        if (isDocumentWindow(window))
            m_main = window;
        break;
    case QEvent::Hide:
        // A minimised window keeps its place; only a window taken off the screen leaves.
        if (!window->isMinimized())
            remove(window);
        break;
    default:
        break;
    }
    update();
    return false;
}

void ApplicationWindowTracker::bringToFront(QWidget* window)
{
    const qsizetype index = m_order.indexOf(window);
    if (index == 0)
        return;
    if (index > 0)
        m_order.removeAt(index);
    else
        connect(window, &QObject::destroyed, this, &ApplicationWindowTracker::windowDestroyed,
            Qt::UniqueConnection);
    m_order.prepend(window);
}

void ApplicationWindowTracker::remove(QWidget* window)
{
    m_order.removeAll(window);
    disconnect(window, &QObject::destroyed, this, &ApplicationWindowTracker::windowDestroyed);
    if (m_main == window)
        m_main = nullptr;
}

void ApplicationWindowTracker::windowDestroyed(QObject* window)
{
    m_order.removeIf([window](const QPointer<QWidget>& entry) {
        return !entry || static_cast<QObject*>(entry.data()) == window;
    });
    if (!m_main || static_cast<QObject*>(m_main.data()) == window)
        m_main = nullptr;
    update();
}

void ApplicationWindowTracker::update()
{
    if (!m_main) {
        for (const QPointer<QWidget>& window : std::as_const(m_order)) {
            if (isDocumentWindow(window)) {
                m_main = window;
                break;
            }
        }
    }
    WindowController* main = WindowController::forWindow(m_main);
    WindowController* key = WindowController::forWindow(QApplication::activeWindow());
    if (main != m_mainController) {
        m_mainController = main;
        emit mainWindowControllerChanged(main);
    }
    if (key != m_keyController) {
        m_keyController = key;
        emit keyWindowControllerChanged(key);
    }
}

} // namespace platform
