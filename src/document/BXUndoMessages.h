#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace platform {
class UndoManager;
}

// Announces a document's undo and redo: "Undone" or "Redone" over the action's name, shown
// over the document's main window 0.1 s after the undo manager starts, once the window shows
// the state the step led to. Owned by the document; main thread; emits messageReady() as the
// message shows.
class BXUndoMessages final : public QObject {
    Q_OBJECT

public:
    static constexpr double kDelay = 0.1;

    // Shows a message over a window; the user interface installs it.
    using Messenger = std::function<void(QWidget* window, const QString& message)>;
    static void setMessenger(Messenger messenger);

    static QString undoMessage(const QString& actionName);
    static QString redoMessage(const QString& actionName);

    // Follows `undoManager` (not owned, outlives this); `mainWindow` answers, when a message
    // shows, the window it shows over (null: none).
    BXUndoMessages(platform::UndoManager* undoManager, std::function<QWidget*()> mainWindow);
    ~BXUndoMessages() override;

    // The action's name is taken now, the message shown later.
    void undoManagerWillUndo();
    void undoManagerWillRedo();

signals:
    void messageReady(const QString& message);

private:
    void scheduleMessage(const QString& message);

    platform::UndoManager* m_undoManager;
    std::function<QWidget*()> m_mainWindow;
};
