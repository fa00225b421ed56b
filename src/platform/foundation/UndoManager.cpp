#include "UndoManager.h"

#include "Dispatch.h"
#include "Localized.h"
#include "Log.h"
#include "NotificationCenter.h"

#include <algorithm>

namespace platform {

const QString UndoManager::CheckpointNotification
    = QStringLiteral("NSUndoManagerCheckpointNotification");
const QString UndoManager::WillUndoChangeNotification
    = QStringLiteral("NSUndoManagerWillUndoChangeNotification");
const QString UndoManager::WillRedoChangeNotification
    = QStringLiteral("NSUndoManagerWillRedoChangeNotification");
const QString UndoManager::DidUndoChangeNotification
    = QStringLiteral("NSUndoManagerDidUndoChangeNotification");
const QString UndoManager::DidRedoChangeNotification
    = QStringLiteral("NSUndoManagerDidRedoChangeNotification");
const QString UndoManager::DidOpenUndoGroupNotification
    = QStringLiteral("NSUndoManagerDidOpenUndoGroupNotification");
const QString UndoManager::WillCloseUndoGroupNotification
    = QStringLiteral("NSUndoManagerWillCloseUndoGroupNotification");
const QString UndoManager::DidCloseUndoGroupNotification
    = QStringLiteral("NSUndoManagerDidCloseUndoGroupNotification");
const QString UndoManager::GroupIsDiscardableKey
    = QStringLiteral("NSUndoManagerGroupIsDiscardableKey");

namespace {

struct Group;

// One recorded step: an action, or a nested group that closed inside its parent.
struct Item {
    const void* target = nullptr;
    std::function<void()> action;
    std::unique_ptr<Group> group;
};

struct Group {
    std::vector<Item> items;
    QString actionName;
    bool discardable = false;
};

using Stack = std::vector<std::unique_ptr<Group>>; // the most recent group last

bool hasActions(const Group& group)
{
    return std::any_of(group.items.begin(), group.items.end(),
        [](const Item& item) { return item.action ? true : hasActions(*item.group); });
}

void removeTarget(Group& group, const void* target)
{
    for (Item& item : group.items) {
        if (item.group)
            removeTarget(*item.group, target);
    }
    std::erase_if(
        group.items, [target](const Item& item) { return item.action && item.target == target; });
}

bool hasTarget(const Group& group, const void* target)
{
    return std::any_of(group.items.begin(), group.items.end(), [target](const Item& item) {
        return item.action ? item.target == target : hasTarget(*item.group, target);
    });
}

// Last registered, first undone; a nested group counts as one step at its place.
void perform(const Group& group)
{
    for (auto it = group.items.rbegin(); it != group.items.rend(); ++it) {
        if (it->action)
            it->action();
        else
            perform(*it->group);
    }
}

} // namespace

struct UndoManager::Impl {
    enum class State { Normal, Undoing, Redoing };

    explicit Impl(UndoManager* owner) : q(owner) { }

    void post(const QString& name, const QVariantMap& userInfo = {})
    {
        NotificationCenter::defaultCenter().post(name, q, userInfo);
    }

    // The stack that closing groups go to.
    Stack& recordingStack() { return state == State::Undoing ? redoStack : undoStack; }

    // The group that undo (or redo) would act on: the open group while it records for that
    // side and holds actions, else the top of the stack.
    const Group* nextGroup(bool undoSide) const
    {
        const bool recordsUndo = state != State::Undoing;
        if (!open.empty() && recordsUndo == undoSide && hasActions(*open.front()))
            return open.front().get();
        const Stack& stack = undoSide ? undoStack : redoStack;
        return stack.empty() ? nullptr : stack.back().get();
    }

    // The group that action names and the discardable mark apply to.
    Group* namedGroup()
    {
        if (open.empty() && state == State::Normal && groupsByEvent)
            openTurnGroup();
        if (!open.empty())
            return open.front().get();
        Stack& stack = recordingStack();
        return stack.empty() ? nullptr : stack.back().get();
    }

    void openGroup()
    {
        post(CheckpointNotification);
        open.push_back(std::make_unique<Group>());
        post(DidOpenUndoGroupNotification);
    }

    void openTurnGroup()
    {
        openGroup();
        scheduleTurnEnd();
    }

    void scheduleTurnEnd()
    {
        if (closeTask)
            return;
        // With an explicit group still open the turn's group stays open; the endUndoGrouping
        // that leaves only the turn's group open schedules its end again.
        closeTask = Scheduler::current().schedule(0, [this] {
            closeTask = 0;
            if (open.size() == 1 && state == State::Normal)
                closeGroup();
        });
    }

    void closeGroup()
    {
        const Group* closing = open.back().get();
        post(CheckpointNotification);
        post(WillCloseUndoGroupNotification);
        // A handler may have closed it already.
        if (open.empty() || open.back().get() != closing)
            return;
        std::unique_ptr<Group> group = std::move(open.back());
        open.pop_back();
        const bool discardable = open.empty() ? group->discardable : open.front()->discardable;
        if (hasActions(*group)) {
            if (!open.empty()) {
                open.back()->items.push_back(Item { nullptr, {}, std::move(group) });
            } else {
                Stack& stack = recordingStack();
                stack.push_back(std::move(group));
                trim(stack);
            }
        }
        post(DidCloseUndoGroupNotification, { { GroupIsDiscardableKey, discardable } });
    }

    void trim(Stack& stack)
    {
        if (levels > 0 && static_cast<int>(stack.size()) > levels)
            stack.erase(stack.begin(), stack.end() - levels);
    }

    void revert(bool undoing)
    {
        if (state != State::Normal) {
            log("%@ was called while undoing or redoing; ignored", undoing ? "undo" : "redo");
            return;
        }
        if (!open.empty()) {
            log("%@ was called with %d open undo groups; ignored", undoing ? "undo" : "redo",
                static_cast<int>(open.size()));
            return;
        }
        Stack& source = undoing ? undoStack : redoStack;
        if (source.empty())
            return;
        post(CheckpointNotification);
        post(undoing ? WillUndoChangeNotification : WillRedoChangeNotification);
        // The handlers may have emptied the stack or opened a group.
        if (source.empty() || !open.empty() || state != State::Normal)
            return;
        // Detached first, so actions that remove or add actions never touch the running group.
        const std::unique_ptr<Group> group = std::move(source.back());
        source.pop_back();

        state = undoing ? State::Undoing : State::Redoing;
        openGroup();
        if (!open.empty()) {
            open.front()->actionName = group->actionName;
            open.front()->discardable = group->discardable;
        }
        perform(*group);
        // Also closes groups that actions left open.
        while (!open.empty())
            closeGroup();
        state = State::Normal;
        post(undoing ? DidUndoChangeNotification : DidRedoChangeNotification);
    }

    UndoManager* q;
    Stack undoStack;
    Stack redoStack;
    Stack open; // the outermost open group first
    State state = State::Normal;
    bool groupsByEvent = true;
    int disableCount = 0;
    int levels = 0;
    Scheduler::TaskId closeTask = 0;
};

UndoManager::UndoManager() : d(std::make_unique<Impl>(this)) { }

UndoManager::~UndoManager()
{
    if (d->closeTask)
        Scheduler::current().cancel(d->closeTask);
}

void UndoManager::registerUndo(const void* target, std::function<void()> action)
{
    if (d->disableCount > 0 || !action)
        return;
    if (d->open.empty()) {
        if (d->state != Impl::State::Normal) {
            // An action closed the undo's own group; collect the rest in a new one.
            d->openGroup();
        } else if (d->groupsByEvent) {
            d->openTurnGroup();
        } else {
            log("undo registered with no open undo group; ignored");
            return;
        }
        if (d->open.empty())
            return;
    }
    if (d->state == Impl::State::Normal)
        d->redoStack.clear();
    d->open.back()->items.push_back(Item { target, std::move(action), nullptr });
    d->post(CheckpointNotification);
}

void UndoManager::beginUndoGrouping()
{
    if (d->open.empty() && d->state == Impl::State::Normal && d->groupsByEvent)
        d->openTurnGroup();
    d->openGroup();
}

void UndoManager::endUndoGrouping()
{
    if (d->open.empty()) {
        log("endUndoGrouping was called with no open undo group; ignored");
        return;
    }
    d->closeGroup();
    if (d->open.size() == 1 && d->state == Impl::State::Normal && d->groupsByEvent)
        d->scheduleTurnEnd();
}

void UndoManager::endTurnGroup()
{
    // The turn's end still comes; it closes whatever group the rest of the turn opens.
    if (d->open.size() == 1 && d->state == Impl::State::Normal && d->groupsByEvent)
        d->closeGroup();
}

int UndoManager::groupingLevel() const
{
    return static_cast<int>(d->open.size());
}

bool UndoManager::groupsByEvent() const
{
    return d->groupsByEvent;
}

void UndoManager::setGroupsByEvent(bool groupsByEvent)
{
    d->groupsByEvent = groupsByEvent;
}

void UndoManager::disableUndoRegistration()
{
    ++d->disableCount;
}

void UndoManager::enableUndoRegistration()
{
    if (d->disableCount == 0) {
        log("enableUndoRegistration was called more often than disableUndoRegistration");
        return;
    }
    --d->disableCount;
}

bool UndoManager::isUndoRegistrationEnabled() const
{
    return d->disableCount == 0;
}

void UndoManager::undo()
{
    if (d->state == Impl::State::Normal && d->groupsByEvent && d->open.size() == 1)
        endUndoGrouping();
    undoNestedGroup();
}

void UndoManager::redo()
{
    // A turn group open now holds no actions (any registration would have cleared the redo
    // stack), so closing it discards it.
    if (d->state == Impl::State::Normal && d->groupsByEvent && d->open.size() == 1)
        endUndoGrouping();
    d->revert(false);
}

void UndoManager::undoNestedGroup()
{
    d->revert(true);
}

bool UndoManager::canUndo() const
{
    return d->nextGroup(true) != nullptr;
}

bool UndoManager::canRedo() const
{
    return d->nextGroup(false) != nullptr;
}

bool UndoManager::isUndoing() const
{
    return d->state == Impl::State::Undoing;
}

bool UndoManager::isRedoing() const
{
    return d->state == Impl::State::Redoing;
}

void UndoManager::removeAllActions()
{
    d->undoStack.clear();
    d->redoStack.clear();
    for (const auto& group : d->open)
        *group = Group();
    d->disableCount = 0;
}

void UndoManager::removeAllActionsWithTarget(const void* target)
{
    for (Stack* stack : { &d->undoStack, &d->redoStack }) {
        for (const auto& group : *stack)
            removeTarget(*group, target);
        std::erase_if(*stack, [](const auto& group) { return !hasActions(*group); });
    }
    for (const auto& group : d->open)
        removeTarget(*group, target);
}

bool UndoManager::targetWaitsBelowNextRedo(const void* target) const
{
    const auto holds = [target](const auto& group) { return hasTarget(*group, target); };
    if (d->redoStack.empty() || std::any_of(d->undoStack.begin(), d->undoStack.end(), holds)
        || std::any_of(d->open.begin(), d->open.end(), holds) || holds(d->redoStack.back()))
        return false;
    return std::any_of(d->redoStack.begin(), d->redoStack.end() - 1, holds);
}

void UndoManager::setActionName(const QString& name)
{
    if (Group* group = d->namedGroup())
        group->actionName = name;
}

QString UndoManager::undoActionName() const
{
    const Group* group = d->nextGroup(true);
    return group ? group->actionName : QString();
}

QString UndoManager::redoActionName() const
{
    const Group* group = d->nextGroup(false);
    return group ? group->actionName : QString();
}

QString UndoManager::undoMenuItemTitle() const
{
    const QString name = undoActionName();
    return name.isEmpty() ? localized(QStringLiteral("Undo"))
                          : localizedFormat(QStringLiteral("Undo %@"), name);
}

QString UndoManager::redoMenuItemTitle() const
{
    const QString name = redoActionName();
    return name.isEmpty() ? localized(QStringLiteral("Redo"))
                          : localizedFormat(QStringLiteral("Redo %@"), name);
}

void UndoManager::setActionIsDiscardable(bool discardable)
{
    if (Group* group = d->namedGroup())
        group->discardable = discardable;
}

bool UndoManager::undoActionIsDiscardable() const
{
    const Group* group = d->nextGroup(true);
    return group && group->discardable;
}

bool UndoManager::redoActionIsDiscardable() const
{
    const Group* group = d->nextGroup(false);
    return group && group->discardable;
}

int UndoManager::levelsOfUndo() const
{
    return d->levels;
}

void UndoManager::setLevelsOfUndo(int levels)
{
    d->levels = std::max(0, levels);
    d->trim(d->undoStack);
    d->trim(d->redoStack);
}

} // namespace platform
