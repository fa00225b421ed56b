#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// Records inverse actions in groups so the user's changes can be undone and redone.
//
// With groupsByEvent (the default) the first registration in a turn of the event loop opens a
// group that closes on the next turn (through the current Scheduler). Explicit groups nest.
// While undoing, registrations go to the redo stack, and while redoing to the undo stack.
// Notifications are posted on NotificationCenter::defaultCenter() with this manager as sender;
// during the will-undo/will-redo notifications the action names are still readable.
// Main thread only.
class UndoManager final {
public:
    static const QString CheckpointNotification;
    static const QString WillUndoChangeNotification;
    static const QString WillRedoChangeNotification;
    static const QString DidUndoChangeNotification;
    static const QString DidRedoChangeNotification;
    static const QString DidOpenUndoGroupNotification;
    static const QString WillCloseUndoGroupNotification;
    static const QString DidCloseUndoGroupNotification;

    UndoManager();
    ~UndoManager();
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // Records `action` as the inverse of a change to `target` (compared by address, used by
    // removeAllActionsWithTarget). Ignored while registration is disabled.
    void registerUndo(const void* target, std::function<void()> action);

    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const;
    bool groupsByEvent() const;
    void setGroupsByEvent(bool groupsByEvent);

    // Counted: registration is enabled again after as many enables as disables.
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const;

    // Closes an open automatic group first, then undoes the last group.
    void undo();
    void redo();
    void undoNestedGroup();
    bool canUndo() const;
    bool canRedo() const;
    bool isUndoing() const;
    bool isRedoing() const;

    void removeAllActions();
    void removeAllActionsWithTarget(const void* target);

    // Names the group being recorded (or, while undoing/redoing, the group being built on the
    // other stack).
    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;
    QString undoMenuItemTitle() const;
    QString redoMenuItemTitle() const;

    // 0 means unlimited; the oldest groups are dropped beyond the limit.
    int levelsOfUndo() const;
    void setLevelsOfUndo(int levels);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
