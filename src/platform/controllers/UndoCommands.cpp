#include "UndoCommands.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"

namespace platform {

const QString UndoCommands::UndoAction = QStringLiteral("undo:");
const QString UndoCommands::RedoAction = QStringLiteral("redo:");

UndoCommands::UndoCommands(UndoManagerProvider undoManager) : m_undoManager(std::move(undoManager))
{ }

bool UndoCommands::respondsTo(const QString& action) const
{
    return action == UndoAction || action == RedoAction;
}

std::optional<bool> UndoCommands::validate(Command& command) const
{
    const UndoManager* manager = m_undoManager();
    if (command.action == UndoAction)
        return manager && manager->canUndo();
    if (command.action == RedoAction)
        return manager && manager->canRedo();
    return std::nullopt;
}

void UndoCommands::perform(const Command& command)
{
    UndoManager* manager = m_undoManager();
    if (!manager)
        return;
    if (command.action == UndoAction && manager->canUndo())
        manager->undo();
    else if (command.action == RedoAction && manager->canRedo())
        manager->redo();
}

std::optional<QString> UndoCommands::titleFor(const Command& command) const
{
    if (!respondsTo(command.action))
        return std::nullopt;
    const bool undo = command.action == UndoAction;
    if (const UndoManager* manager = m_undoManager())
        return undo ? manager->undoMenuItemTitle() : manager->redoMenuItemTitle();
    return localized(undo ? QStringLiteral("Undo") : QStringLiteral("Redo"));
}

} // namespace platform
