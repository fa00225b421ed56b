#include "document/BXUndoMessages.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"

using platform::NotificationCenter;
using platform::UndoManager;

namespace {

BXUndoMessages::Messenger& installedMessenger()
{
    static BXUndoMessages::Messenger messenger;
    return messenger;
}

} // namespace

void BXUndoMessages::setMessenger(Messenger messenger)
{
    installedMessenger() = std::move(messenger);
}

QString BXUndoMessages::undoMessage(const QString& actionName)
{
    return platform::localizedFormat(QStringLiteral("Undone\n%@"), actionName);
}

QString BXUndoMessages::redoMessage(const QString& actionName)
{
    return platform::localizedFormat(QStringLiteral("Redone\n%@"), actionName);
}

BXUndoMessages::BXUndoMessages(UndoManager* undoManager, std::function<QWidget*()> mainWindow)
    : m_undoManager(undoManager), m_mainWindow(std::move(mainWindow))
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, UndoManager::WillUndoChangeNotification, undoManager,
        [this](const platform::Notification&) { undoManagerWillUndo(); });
    center.addObserver(this, UndoManager::WillRedoChangeNotification, undoManager,
        [this](const platform::Notification&) { undoManagerWillRedo(); });
}

BXUndoMessages::~BXUndoMessages()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void BXUndoMessages::undoManagerWillUndo()
{
    scheduleMessage(undoMessage(m_undoManager->undoActionName()));
}

void BXUndoMessages::undoManagerWillRedo()
{
    scheduleMessage(redoMessage(m_undoManager->redoActionName()));
}

void BXUndoMessages::scheduleMessage(const QString& message)
{
    platform::dispatchAfter(kDelay, this, [this, message] {
        emit messageReady(message);
        if (QWidget* window = m_mainWindow(); window && installedMessenger())
            installedMessenger()(window, message);
    });
}
