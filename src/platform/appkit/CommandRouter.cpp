#include "CommandRouter.h"

#include "UserInput.h"

#include "platform/controllers/Responder.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/NotificationCenter.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

constexpr const char* kActionProperty = "platformAction";
constexpr const char* kTagProperty = "platformTag";
constexpr const char* kTargetProperty = "platformTarget";
constexpr const char* kRepresentedObjectProperty = "platformRepresentedObject";
constexpr const char* kSendsOnTriggerProperty = "platformSendsOnTrigger";

void appendResponder(QObject* object, QList<Responder*>& chain)
{
    if (auto* responder = dynamic_cast<Responder*>(object); responder && !chain.contains(responder))
        chain.append(responder);
}

} // namespace

CommandRouter::CommandRouter()
{
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &CommandRouter::noteActiveWindow);
}

CommandRouter& CommandRouter::shared()
{
    static auto* router = new CommandRouter;
    return *router;
}

void CommandRouter::setAction(QObject* sender, const QString& action, int tag)
{
    sender->setProperty(kActionProperty, action);
    sender->setProperty(kTagProperty, tag);
}

QString CommandRouter::action(const QObject* sender)
{
    return sender ? sender->property(kActionProperty).toString() : QString();
}

int CommandRouter::tag(const QObject* sender)
{
    return sender ? sender->property(kTagProperty).toInt() : 0;
}

void CommandRouter::setTarget(QObject* sender, QObject* target)
{
    sender->setProperty(kTargetProperty, QVariant::fromValue(QPointer<QObject>(target)));
}

QObject* CommandRouter::target(const QObject* sender)
{
    return sender ? sender->property(kTargetProperty).value<QPointer<QObject>>().data() : nullptr;
}

void CommandRouter::setRepresentedObject(QObject* sender, const QVariant& object)
{
    sender->setProperty(kRepresentedObjectProperty, object);
}

QVariant CommandRouter::representedObject(const QObject* sender)
{
    return sender ? sender->property(kRepresentedObjectProperty) : QVariant();
}

Command CommandRouter::commandFor(const QObject* sender)
{
    Command command;
    command.action = action(sender);
    command.tag = tag(sender);
    command.representedObject = representedObject(sender);
    if (sender && sender->property("checkable").toBool())
        command.checked = sender->property("checked").toBool();
    return command;
}

bool CommandRouter::isPanel(const QWidget* window)
{
    if (!window)
        return false;
    return qobject_cast<const QDialog*>(window) || window->windowType() == Qt::Tool;
}

QWidget* CommandRouter::keyWindow() const
{
    return QApplication::activeWindow();
}

QWidget* CommandRouter::mainWindow() const
{
    QWidget* key = keyWindow();
    if (key && !isPanel(key))
        return key;
    return m_mainWindow;
}

void CommandRouter::noteActiveWindow()
{
    QWidget* key = keyWindow();
    if (key && !isPanel(key))
        m_mainWindow = key;
}

void CommandRouter::appendChainOf(QWidget* window, QList<Responder*>& chain) const
{
    QWidget* focus = window->focusWidget();
    for (QWidget* widget = focus; widget && widget != window; widget = widget->parentWidget())
        appendResponder(widget, chain);
    appendResponder(window, chain);
    if (WindowController* controller = WindowController::forWindow(window)) {
        appendResponder(controller, chain);
        appendResponder(controller->document(), chain);
    }
}

QList<Responder*> CommandRouter::responderChain() const
{
    QList<Responder*> chain;
    QWidget* key = keyWindow();
    if (key)
        appendChainOf(key, chain);
    QWidget* main = mainWindow();
    if (main && main != key)
        appendChainOf(main, chain);
    if (m_applicationResponder && !chain.contains(m_applicationResponder))
        chain.append(m_applicationResponder);
    return chain;
}

Responder* CommandRouter::targetForAction(const QString& action, QObject* target) const
{
    if (action.isEmpty())
        return nullptr;
    if (target) {
        auto* responder = dynamic_cast<Responder*>(target);
        return responder && responder->respondsTo(action) ? responder : nullptr;
    }
    const QList<Responder*> chain = responderChain();
    for (Responder* responder : chain) {
        if (responder->respondsTo(action))
            return responder;
    }
    return nullptr;
}

bool CommandRouter::validate(Command& command, QObject* target) const
{
    Responder* responder = targetForAction(command.action, target);
    return responder && responder->validate(command).value_or(true);
}

bool CommandRouter::validateSender(QObject* sender) const
{
    Command command = commandFor(sender);
    Responder* responder = targetForAction(command.action, target(sender));
    const bool enabled = responder && responder->validate(command).value_or(true);
    sender->setProperty("enabled", enabled);
    // A responder may name what the command acts on (an index) while validating it.
    if (command.representedObject != representedObject(sender))
        setRepresentedObject(sender, command.representedObject);
    if (command.checked && sender->property("checkable").toBool())
        sender->setProperty("checked", *command.checked);
    if (const std::optional<QString> title
        = responder ? responder->titleFor(command) : std::nullopt)
        sender->setProperty("text", *title);
    return enabled;
}

bool CommandRouter::sendAction(const Command& command, QObject* target)
{
    Command checked = command;
    Responder* responder = targetForAction(command.action, target);
    if (!responder || !responder->validate(checked).value_or(true)) {
        UserInput::current().beep();
        return false;
    }
    responder->perform(command);
    emit actionSent(command);
    return true;
}

bool CommandRouter::sendAction(QObject* sender)
{
    return sendAction(commandFor(sender), target(sender));
}

void CommandRouter::connectAction(QAction* action)
{
    action->setProperty(kSendsOnTriggerProperty, true);
    connect(action, &QAction::triggered, this, [this, action] { sendAction(action); });
}

void CommandRouter::connectButton(QAbstractButton* button, bool onPress)
{
    if (onPress)
        connect(button, &QAbstractButton::pressed, this, [this, button] { sendAction(button); });
    else
        connect(button, &QAbstractButton::clicked, this, [this, button] { sendAction(button); });
}

void CommandRouter::attachMenu(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        const QList<QAction*> actions = menu->actions();
        for (QAction* action : actions) {
            if (!CommandRouter::action(action).isEmpty())
                validateSender(action);
        }
    });
    // An item's key equivalent is checked when pressed, as a click on the item is (the
    // trigger below validates it): the state validated while the menu showed would otherwise
    // keep the key dead, or live, until the menu shows again.
    connect(menu, &QMenu::aboutToHide, this, [menu] {
        const QList<QAction*> actions = menu->actions();
        for (QAction* action : actions) {
            if (!CommandRouter::action(action).isEmpty())
                action->setEnabled(true);
        }
    });
    connect(menu, &QMenu::triggered, this, [this, menu](QAction* action) {
        // A submenu's trigger also reaches its parent menus; only the item's own menu sends.
        if (CommandRouter::action(action).isEmpty() || !action->associatedObjects().contains(menu))
            return;
        // An item wired on its own has sent its command already: once is what the user asked.
        if (action->property(kSendsOnTriggerProperty).toBool())
            return;
        Command command = commandFor(action);
        if (!validate(command, target(action))) {
            UserInput::current().beep();
            return;
        }
        NotificationCenter::defaultCenter().post(MenuWillSendActionNotification, menu,
            { { QStringLiteral("MenuItem"), QVariant::fromValue<QObject*>(action) } });
        sendAction(action);
    });
}

} // namespace platform
