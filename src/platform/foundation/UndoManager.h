#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// Records inverse actions in groups so the user's changes can be undone and redone.
//
// With groupsByEvent (the default) the first registration, explicit group or action name in a
// turn of the event loop opens that turn's group, which closes on the next turn (through the
// current Scheduler); explicit groups nest inside it, so everything done in one turn is undone
// as one step. Groups without actions are discarded when they close. While undoing,
// registrations go to the redo stack, and while redoing to the undo stack; any other
// registration clears the redo stack. Notifications are posted on
// NotificationCenter::defaultCenter() with this manager as sender; during the will-undo and
// will-redo notifications the action names are still readable. Misuse (ending a group that is
// not open, undoing inside an open explicit group or from within an action) is logged and
// ignored. Main thread only.
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
    // User info key of the did-close notification: whether the group was marked discardable.
    static const QString GroupIsDiscardableKey;

    UndoManager();
    ~UndoManager();
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // Records `action` as the inverse of a change to `target` (compared by address, used by
    // removeAllActionsWithTarget). Ignored while registration is disabled.
    void registerUndo(const void* target, std::function<void()> action);

    void beginUndoGrouping();
    void endUndoGrouping();
    // Closes the turn's group now, with no explicit group open inside it, so that what the
    // rest of this turn records is a step of its own.
    void endTurnGroup();
    int groupingLevel() const;
    bool groupsByEvent() const;
    void setGroupsByEvent(bool groupsByEvent);

    // Counted: registration is enabled again after as many enables as disables.
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const;

    // Closes the turn's open group first, then undoes the last group as one step, recording
    // the inverse actions on the redo stack under the same action name.
    void undo();
    void redo();
    // Undoes the last closed group without closing an open one first.
    void undoNestedGroup();
    bool canUndo() const;
    bool canRedo() const;
    bool isUndoing() const;
    bool isRedoing() const;

    // Clears both stacks and the actions of open groups (which stay open), and enables
    // registration again.
    void removeAllActions();
    // Drops the actions of `target` everywhere, then the groups left without actions.
    void removeAllActionsWithTarget(const void* target);
    // Whether `target`'s actions are all on the redo stack below its top step: only redoing
    // another step first reaches them.
    bool targetWaitsBelowNextRedo(const void* target) const;

    // Names the group being recorded (or, while undoing/redoing, the group being built on the
    // other stack).
    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;
    // "Undo <name>", or "Undo" for an unnamed group; likewise for redo.
    QString undoMenuItemTitle() const;
    QString redoMenuItemTitle() const;

    // Marks the group being recorded as one that changes nothing the user needs to keep
    // (such as a selection); reported with the did-close notification.
    void setActionIsDiscardable(bool discardable);
    bool undoActionIsDiscardable() const;
    bool redoActionIsDiscardable() const;

    // 0 means unlimited; the oldest groups are dropped beyond the limit.
    int levelsOfUndo() const;
    void setLevelsOfUndo(int levels);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
