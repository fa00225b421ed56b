#include "platform/foundation/UndoManager.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/testing/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A value whose every change registers its inverse, as model objects do.
struct Value {
    UndoManager& undo;
    int value = 0;

    void set(int newValue)
    {
        const int old = value;
        value = newValue;
        undo.registerUndo(this, [this, old] { set(old); });
    }
};

// Records the names of the notifications one manager posts.
struct NotificationLog {
    explicit NotificationLog(const UndoManager& manager)
    {
        NotificationCenter::defaultCenter().addObserver(
            this, {}, &manager, [this](const Notification& n) {
                names << QString(n.name).remove("NSUndoManager").remove("Notification");
            });
    }
    ~NotificationLog() { NotificationCenter::defaultCenter().removeObserver(this); }
    QStringList take() { return std::exchange(names, {}); }

    QStringList names;
};

} // namespace

TEST(UndoManager, EachTurnOfTheEventLoopIsOneUndoStep)
{
    FakeScheduler turns;
    UndoManager undo;
    Value v { undo };

    v.set(1);
    v.set(2);
    EXPECT_EQ(undo.groupingLevel(), 1);
    EXPECT_TRUE(undo.canUndo());
    turns.runUntilIdle();
    EXPECT_EQ(undo.groupingLevel(), 0);
    v.set(3);
    turns.runUntilIdle();

    undo.undo();
    EXPECT_EQ(v.value, 2);
    undo.undo();
    EXPECT_EQ(v.value, 0);
    EXPECT_FALSE(undo.canUndo());

    // Undo in the same turn as the changes closes the open group first.
    v.set(7);
    v.set(8);
    undo.undo();
    EXPECT_EQ(v.value, 0);
    EXPECT_EQ(undo.groupingLevel(), 0);
    turns.runUntilIdle();
    EXPECT_EQ(undo.groupingLevel(), 0);
}

TEST(UndoManager, UndoOfUndoIsRedoAndNamesTravelWithTheStep)
{
    FakeScheduler turns;
    UndoManager undo;
    Value v { undo };
    v.set(1);
    undo.setActionName("One");
    turns.runUntilIdle();
    // A name given before the change names the turn's step too.
    undo.setActionName("Two");
    v.set(2);
    turns.runUntilIdle();

    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Two");
    EXPECT_EQ(undo.redoMenuItemTitle(), "Redo");
    undo.undo();
    EXPECT_EQ(v.value, 1);
    EXPECT_EQ(undo.undoActionName(), "One");
    EXPECT_EQ(undo.redoActionName(), "Two");
    undo.undo();
    EXPECT_EQ(v.value, 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo");

    undo.redo();
    undo.redo();
    EXPECT_EQ(v.value, 2);
    EXPECT_EQ(undo.undoActionName(), "Two");
    EXPECT_FALSE(undo.canRedo());

    undo.undo();
    EXPECT_TRUE(undo.canRedo());
    // Redoing keeps the rest of the redo stack; a new change drops it.
    undo.undo();
    undo.redo();
    EXPECT_TRUE(undo.canRedo());
    v.set(5);
    EXPECT_FALSE(undo.canRedo());
    turns.runUntilIdle();
    undo.undo();
    EXPECT_EQ(v.value, 1);
}

TEST(UndoManager, NestedGroupsUndoAsOneStepInReverseOrder)
{
    FakeScheduler turns;
    UndoManager undo;
    QStringList ran;
    auto record
        = [&](const QString& name) { undo.registerUndo(&ran, [&ran, name] { ran << name; }); };

    undo.beginUndoGrouping();
    // The explicit group nests inside the turn's group.
    EXPECT_EQ(undo.groupingLevel(), 2);
    record("1");
    undo.beginUndoGrouping();
    record("2");
    undo.beginUndoGrouping();
    undo.endUndoGrouping(); // empty: discarded
    record("3");
    undo.endUndoGrouping();
    record("4");
    undo.endUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 1);
    turns.runUntilIdle();

    undo.undo();
    EXPECT_EQ(ran, (QStringList { "4", "3", "2", "1" }));
    EXPECT_FALSE(undo.canUndo());

    // A group left open keeps the turn's group open across turns until it is ended.
    undo.beginUndoGrouping();
    record("5");
    turns.runUntilIdle();
    EXPECT_EQ(undo.groupingLevel(), 2);
    undo.endUndoGrouping();
    turns.runUntilIdle();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_TRUE(undo.canUndo());
}

TEST(UndoManager, EndingTheTurnGroupEarlySplitsTheTurnIntoNamedSteps)
{
    FakeScheduler turns;
    UndoManager undo;
    Value v { undo };
    v.set(1);
    undo.setActionName("Add");
    undo.endTurnGroup();
    EXPECT_EQ(undo.groupingLevel(), 0);
    // What the rest of the turn records is a step of its own, closed when the turn ends.
    v.set(2);
    v.set(3);
    undo.setActionName("Type");
    EXPECT_EQ(undo.groupingLevel(), 1);
    turns.runUntilIdle();
    EXPECT_EQ(undo.groupingLevel(), 0);

    EXPECT_EQ(undo.undoActionName(), "Type");
    undo.undo();
    EXPECT_EQ(v.value, 1);
    EXPECT_EQ(undo.undoActionName(), "Add");
    undo.undo();
    EXPECT_EQ(v.value, 0);
    undo.redo();
    EXPECT_EQ(undo.redoActionName(), "Type");
    undo.redo();
    EXPECT_EQ(v.value, 3);

    // An explicit group still open keeps the turn's group open, and an empty one ended early
    // leaves nothing to undo.
    undo.beginUndoGrouping();
    v.set(4);
    undo.setActionName("Four");
    undo.endTurnGroup();
    EXPECT_EQ(undo.groupingLevel(), 2);
    undo.endUndoGrouping();
    turns.runUntilIdle();
    undo.setActionName("Nothing");
    undo.endTurnGroup();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_EQ(undo.undoActionName(), "Four");
    undo.undo();
    EXPECT_EQ(v.value, 3);
}

TEST(UndoManager, EmptyGroupsLeaveNothingToUndo)
{
    FakeScheduler turns;
    UndoManager undo;
    NotificationLog log(undo);
    undo.beginUndoGrouping();
    undo.setActionName("Nothing");
    undo.endUndoGrouping();
    turns.runUntilIdle();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.undoActionName(), "");
    EXPECT_TRUE(log.take().contains("DidCloseUndoGroup"));

    // A turn whose only change was unregistered leaves nothing behind either.
    Value v { undo };
    undo.disableUndoRegistration();
    v.set(1);
    undo.enableUndoRegistration();
    turns.runUntilIdle();
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, RegistrationIsDisabledUntilEveryDisableIsMatched)
{
    FakeScheduler turns;
    UndoManager undo;
    Value v { undo };
    LogCapture capture;

    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    v.set(1);
    undo.enableUndoRegistration();
    EXPECT_FALSE(undo.isUndoRegistrationEnabled());
    v.set(2);
    undo.enableUndoRegistration();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());
    EXPECT_FALSE(undo.canUndo());

    // An unmatched enable is refused instead of letting the count go negative.
    undo.enableUndoRegistration();
    EXPECT_TRUE(capture.contains("enableUndoRegistration"));
    undo.disableUndoRegistration();
    v.set(3);
    EXPECT_FALSE(undo.canUndo());
    undo.enableUndoRegistration();

    v.set(4);
    turns.runUntilIdle();
    undo.undo();
    EXPECT_EQ(v.value, 3);
}

TEST(UndoManager, RemovingATargetDropsItsActionsAndTheGroupsLeftEmpty)
{
    FakeScheduler turns;
    UndoManager undo;
    int a = 0, b = 0;
    QStringList ran;
    auto record = [&](const int* target, const QString& name) {
        undo.registerUndo(target, [&ran, name] { ran << name; });
    };

    record(&a, "a1");
    turns.runUntilIdle();
    record(&a, "a2");
    undo.beginUndoGrouping();
    record(&b, "b2");
    record(&a, "a2-nested");
    undo.endUndoGrouping();
    turns.runUntilIdle();
    record(&b, "b3");
    undo.beginUndoGrouping();
    record(&a, "a3-nested");
    undo.endUndoGrouping();
    undo.setActionName("Third");
    turns.runUntilIdle();
    record(&a, "a4-open");
    record(&b, "b4-open");

    undo.removeAllActionsWithTarget(&a);
    EXPECT_EQ(undo.undoActionName(), ""); // the open group still holds b4
    undo.undo();
    EXPECT_EQ(undo.undoActionName(), "Third");
    undo.undo();
    undo.undo();
    EXPECT_EQ(ran, (QStringList { "b4-open", "b3", "b2" }));
    EXPECT_FALSE(undo.canUndo()); // the group of a1 alone is gone

    // The redo stack is cleaned the same way.
    Value first { undo }, second { undo };
    first.set(1);
    second.set(1);
    turns.runUntilIdle();
    undo.undo();
    undo.removeAllActionsWithTarget(&first);
    undo.redo();
    EXPECT_EQ(first.value, 0);
    EXPECT_EQ(second.value, 1);
    undo.removeAllActionsWithTarget(&second);
    EXPECT_FALSE(undo.canUndo());
}

// A step on one target (adding a note), then one on another (typing into it): the typing waits
// below the next redo only while both are undone and the first is not redone yet.
TEST(UndoManager, ATargetWaitsBelowTheNextRedoOnlyWhileAnotherStepMustBeRedoneFirst)
{
    struct Case {
        const char* name;
        int undos;
        int redos;
        bool openGroupTypes;
        bool waits;
    };
    const Case cases[] = {
        { "nothing undone", 0, 0, false, false },
        { "the typing undone, next to redo", 1, 0, false, false },
        { "both undone", 2, 0, false, true },
        { "both undone, then typing in an open group", 2, 0, true, false },
        { "the first step redone", 2, 1, false, false },
        { "both redone", 2, 2, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeScheduler turns;
        UndoManager undo;
        Value list { undo }, text { undo };
        int untouched = 0;
        list.set(1);
        turns.runUntilIdle();
        text.set(1);
        turns.runUntilIdle();
        for (int i = 0; i < c.undos; ++i)
            undo.undo();
        for (int i = 0; i < c.redos; ++i)
            undo.redo();
        if (c.openGroupTypes)
            undo.registerUndo(&text, [] {});
        EXPECT_EQ(undo.targetWaitsBelowNextRedo(&text), c.waits);
        EXPECT_FALSE(undo.targetWaitsBelowNextRedo(&list));
        EXPECT_FALSE(undo.targetWaitsBelowNextRedo(&untouched));
    }
}

TEST(UndoManager, LevelsOfUndoKeepOnlyTheNewestSteps)
{
    FakeScheduler turns;
    UndoManager undo;
    Value v { undo };
    undo.setLevelsOfUndo(3);
    for (int i = 1; i <= 5; ++i) {
        v.set(i);
        turns.runUntilIdle();
    }
    int steps = 0;
    while (undo.canUndo()) {
        undo.undo();
        ++steps;
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(v.value, 2);

    undo.setLevelsOfUndo(1);
    EXPECT_TRUE(undo.canRedo());
    undo.redo();
    EXPECT_FALSE(undo.canRedo());
    EXPECT_EQ(v.value, 3);

    undo.setLevelsOfUndo(0);
    for (int i = 0; i < 200; ++i) {
        v.set(i);
        turns.runUntilIdle();
    }
    steps = 0;
    while (undo.canUndo()) {
        undo.undo();
        ++steps;
    }
    EXPECT_EQ(steps, 201);
}

TEST(UndoManager, NotificationsAnnounceEachStageWithNamesStillReadable)
{
    FakeScheduler turns;
    UndoManager undo;
    Value v { undo };
    NotificationLog log(undo);
    QStringList namesSeen;
    int observer = 0;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(&observer, UndoManager::WillUndoChangeNotification, &undo,
        [&](const Notification&) { namesSeen << "will-undo:" + undo.undoActionName(); });
    center.addObserver(&observer, UndoManager::DidUndoChangeNotification, &undo,
        [&](const Notification&) { namesSeen << "did-undo:" + undo.redoActionName(); });
    center.addObserver(&observer, UndoManager::WillRedoChangeNotification, &undo,
        [&](const Notification&) { namesSeen << "will-redo:" + undo.redoActionName(); });

    v.set(1);
    undo.setActionName("Typing");
    EXPECT_EQ(log.take(), (QStringList { "Checkpoint", "DidOpenUndoGroup", "Checkpoint" }));
    turns.runUntilIdle();
    EXPECT_EQ(
        log.take(), (QStringList { "Checkpoint", "WillCloseUndoGroup", "DidCloseUndoGroup" }));

    undo.undo();
    EXPECT_EQ(log.take(),
        (QStringList { "Checkpoint", "WillUndoChange", "Checkpoint", "DidOpenUndoGroup",
            "Checkpoint", "Checkpoint", "WillCloseUndoGroup", "DidCloseUndoGroup",
            "DidUndoChange" }));
    undo.redo();
    EXPECT_TRUE(log.take().contains("DidRedoChange"));
    EXPECT_EQ(
        namesSeen, (QStringList { "will-undo:Typing", "did-undo:Typing", "will-redo:Typing" }));
    center.removeObserver(&observer);

    // Another manager's notifications carry their own sender.
    UndoManager other;
    Value w { other };
    w.set(1);
    turns.runUntilIdle();
    EXPECT_TRUE(log.take().isEmpty());
}

TEST(UndoManager, DiscardableStepsAreReportedWhenTheirGroupCloses)
{
    FakeScheduler turns;
    UndoManager undo;
    Value v { undo };
    QVariantMap closedInfo;
    int observer = 0;
    NotificationCenter::defaultCenter().addObserver(&observer,
        UndoManager::DidCloseUndoGroupNotification, &undo,
        [&](const Notification& n) { closedInfo = n.userInfo; });
    undo.setActionIsDiscardable(true);
    v.set(1);
    turns.runUntilIdle();
    NotificationCenter::defaultCenter().removeObserver(&observer);
    EXPECT_TRUE(closedInfo.value(UndoManager::GroupIsDiscardableKey).toBool());
    EXPECT_TRUE(undo.undoActionIsDiscardable());
    undo.undo();
    EXPECT_TRUE(undo.redoActionIsDiscardable());
}

TEST(UndoManager, ActionsThatReenterTheManagerCannotBreakIt)
{
    FakeScheduler turns;
    UndoManager undo;
    int target = 0, other = 0;
    QStringList ran;
    LogCapture capture;

    struct Case {
        const char* name;
        std::function<void()> action;
        QString ranFirst;
        QString ranOnRedo; // empty: nothing to redo
    } cases[] = {
        { "undo inside an action",
            [&] {
                undo.undo();
                ran << "undo";
            },
            "undo", "" },
        { "redo inside an action",
            [&] {
                undo.redo();
                ran << "redo";
            },
            "redo", "" },
        { "removes all actions",
            [&] {
                undo.removeAllActions();
                undo.registerUndo(&target, [&] { ran << "re-registered"; });
                ran << "remove-all";
            },
            "remove-all", "re-registered" },
        { "removes its own target",
            [&] {
                undo.removeAllActionsWithTarget(&target);
                ran << "remove-target";
            },
            "remove-target", "" },
        { "closes the undo's own group",
            [&] {
                undo.endUndoGrouping();
                undo.endUndoGrouping();
                undo.registerUndo(&other, [&] { ran << "inverse"; });
                undo.beginUndoGrouping();
                ran << "unbalanced";
            },
            "unbalanced", "inverse" },
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        undo.removeAllActions();
        ran.clear();
        undo.registerUndo(&other, [&] { ran << "earlier"; });
        turns.runUntilIdle();
        undo.registerUndo(&target, c.action);
        turns.runUntilIdle();

        undo.undo();
        EXPECT_EQ(ran, QStringList { c.ranFirst });
        EXPECT_FALSE(undo.isUndoing());
        EXPECT_EQ(undo.groupingLevel(), 0);
        EXPECT_EQ(undo.canRedo(), !c.ranOnRedo.isEmpty());
        undo.redo();
        EXPECT_FALSE(undo.isRedoing());
        EXPECT_EQ(undo.groupingLevel(), 0);
        if (!c.ranOnRedo.isEmpty()) {
            EXPECT_EQ(ran.last(), c.ranOnRedo);
        }
        turns.runUntilIdle();
    }
    EXPECT_TRUE(capture.contains("while undoing or redoing"));
}

TEST(UndoManager, ActionsRegisteringTheirInverseSurviveManyRoundTrips)
{
    FakeScheduler turns;
    UndoManager undo;
    Value v { undo };
    undo.beginUndoGrouping();
    for (int i = 1; i <= 10; ++i)
        v.set(i);
    undo.endUndoGrouping();
    turns.runUntilIdle();
    for (int round = 0; round < 20; ++round) {
        undo.undo();
        ASSERT_EQ(v.value, 0);
        undo.redo();
        ASSERT_EQ(v.value, 10);
    }
}

TEST(UndoManager, WithoutEventGroupingChangesNeedAnExplicitGroup)
{
    FakeScheduler turns;
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value v { undo };
    LogCapture capture;

    v.set(1);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_TRUE(capture.contains("no open undo group"));

    undo.beginUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 1);
    v.set(2);
    turns.runUntilIdle();
    EXPECT_EQ(undo.groupingLevel(), 1); // no turn closes it
    undo.undo();
    EXPECT_EQ(v.value, 2); // refused while the group is open
    undo.endUndoGrouping();
    undo.setActionName("Named after closing");
    EXPECT_EQ(undo.undoActionName(), "Named after closing");
    undo.undo();
    EXPECT_EQ(v.value, 1);

    undo.endUndoGrouping();
    EXPECT_TRUE(capture.contains("endUndoGrouping was called with no open undo group"));
}

TEST(UndoManager, DestroyedManagerLeavesNoPendingWork)
{
    FakeScheduler turns;
    {
        UndoManager undo;
        Value v { undo };
        v.set(1);
        EXPECT_EQ(turns.pendingCount(), 1);
    }
    EXPECT_EQ(turns.pendingCount(), 0);
    turns.runUntilIdle();
}
