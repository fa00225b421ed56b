#pragma once

#include "platform/documents/WindowTracker.h"

#include <QPointer>

class QWidget;

namespace platform {

// Follows the application's top-level windows: a window moves to the front when it is shown
// or activated and leaves the order when it is hidden or destroyed; the key window is the
// active one; an activated window that has a WindowController and is not a panel becomes the
// main window, and when the main window goes the frontmost remaining such window takes over.
// Qt knows no stacking order, so "front to back" is the order of the latest show or
// activation. Main thread only.
class ApplicationWindowTracker final : public WindowTracker {
    Q_OBJECT

public:
    explicit ApplicationWindowTracker(QObject* parent = nullptr);
    ~ApplicationWindowTracker() override;

    // Makes one tracker for the application's life and installs it as the current one.
    static void install();

    WindowController* mainWindowController() const override;
    WindowController* keyWindowController() const override;
    QList<WindowController*> orderedWindowControllers() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bringToFront(QWidget* window);
    void remove(QWidget* window);
    void windowDestroyed(QObject* window);
    // Re-reads the key window and picks the main one; emits what changed.
    void update();

    QList<QPointer<QWidget>> m_order; // front to back, visible windows only
    QPointer<QWidget> m_main;
    QPointer<WindowController> m_mainController;
    QPointer<WindowController> m_keyController;
};

} // namespace platform
