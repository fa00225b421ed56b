#pragma once

#include <QList>
#include <QObject>

namespace platform {

class WindowController;

// Which of the application's windows the user works in, as the model sees it: the key window
// takes the keyboard (it may be a panel); the main window is the last activated document
// window, never a panel, and stays main while a panel or another application is active. The
// user interface installs the implementation that follows the real windows at start-up; tests
// install a fake. Without one nothing is tracked and every answer is empty. Main thread only.
class WindowTracker : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The controller of the main window; null when there is none or it has no controller.
    virtual WindowController* mainWindowController() const = 0;
    // The controller of the key window; null when the key window has none (most panels) or
    // no window of the application is active.
    virtual WindowController* keyWindowController() const = 0;
    // The controllers of the visible windows, front to back.
    virtual QList<WindowController*> orderedWindowControllers() const = 0;

    // The tracker in force. Objects that follow its signals connect when they are made, so
    // install the tracker before them.
    static WindowTracker& current();
    // Installs `tracker` (not owned) and returns the one it replaces, for putting back;
    // nullptr returns to the one that tracks nothing.
    static WindowTracker* setCurrent(WindowTracker* tracker);

signals:
    void mainWindowControllerChanged(WindowController* controller);
    void keyWindowControllerChanged(WindowController* controller);
};

} // namespace platform
