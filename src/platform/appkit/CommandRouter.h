#pragma once

#include "platform/controllers/Command.h"

#include <QObject>
#include <QPointer>
#include <QVariant>

#include <optional>

class QAbstractButton;
class QAction;
class QMenu;
class QWidget;

namespace platform {

class Responder;

// Posted before a menu item sends its action; the sender is the menu, the user info holds the
// item under "MenuItem".
inline const QString MenuWillSendActionNotification
    = QStringLiteral("NSMenuWillSendActionNotification");

// Sends the commands of menu items, toolbar items and buttons to the responder that takes
// them. A sender (a QAction or a button) carries its action name, tag, optional explicit target
// and represented object as properties set here. Without an explicit target the command goes
// along the responder chain: the key window's focus widget and its ancestors, the window, its
// WindowController and that controller's document; when the key window is a panel, the main
// window's chain follows; the application responder ends the chain. Anything in the chain that
// is not a Responder is passed over. Main thread only; emits actionSent() after each command.
class CommandRouter final : public QObject {
    Q_OBJECT

public:
    static CommandRouter& shared();

    // What a sender carries.
    static void setAction(QObject* sender, const QString& action, int tag = 0);
    static QString action(const QObject* sender);
    static int tag(const QObject* sender);
    // `target` must be a Responder to take commands; null returns the sender to the chain.
    static void setTarget(QObject* sender, QObject* target);
    static QObject* target(const QObject* sender);
    static void setRepresentedObject(QObject* sender, const QVariant& object);
    static QVariant representedObject(const QObject* sender);
    // The sender's command, with its check state when it is checkable.
    static Command commandFor(const QObject* sender);

    // Not owned; the last link of every chain.
    void setApplicationResponder(Responder* responder) { m_applicationResponder = responder; }
    Responder* applicationResponder() const { return m_applicationResponder; }

    // The active window, and the last active window that is not a panel (dialogs and tool
    // windows are panels).
    QWidget* keyWindow() const;
    QWidget* mainWindow() const;
    static bool isPanel(const QWidget* window);

    QList<Responder*> responderChain() const;
    // The responder `action` goes to: the explicit `target` when it is a responder that takes
    // it (a target that does not take it gets nothing), else the first in the chain that does.
    Responder* targetForAction(const QString& action, QObject* target = nullptr) const;

    // Whether `command` could be sent now: a target exists and does not refuse it. The
    // target may set the command's check state.
    bool validate(Command& command, QObject* target = nullptr) const;
    // Enables or disables `sender` and updates its check state; answers the enabled state.
    bool validateSender(QObject* sender) const;

    // Checks the command once more and performs it; an invalid one beeps and answers false.
    bool sendAction(const Command& command, QObject* target = nullptr);
    bool sendAction(QObject* sender);

    // Wiring. An action sends its command when triggered; a button when clicked or, with
    // `onPress`, as soon as the mouse goes down.
    void connectAction(QAction* action);
    void connectButton(QAbstractButton* button, bool onPress = false);
    // Validates the menu's actions each time it is about to show, and posts
    // MenuWillSendActionNotification before one of its items sends its command; an item wired
    // with connectAction() sends on its own and is left to that. Attach each submenu too.
    void attachMenu(QMenu* menu);

    // Asks every toolbar to validate its items on the next turn; for changes of selection and
    // the like that the router does not see.
    void setNeedsValidation() { emit validationNeeded(); }

signals:
    void actionSent(const platform::Command& command);
    void validationNeeded();

private:
    CommandRouter();
    void appendChainOf(QWidget* window, QList<Responder*>& chain) const;
    void noteActiveWindow();

    Responder* m_applicationResponder = nullptr;
    QPointer<QWidget> m_mainWindow;
};

} // namespace platform
