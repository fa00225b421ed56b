#pragma once

#include "Responder.h"

#include <functional>

namespace platform {

class UndoManager;

// Undo and Redo of a window, whichever of its views has the focus: the steps of the undo
// manager the window names at the moment, enabled when there is a step and titled after it
// ("Undo Delete Note"). A window controller answers with it after its views had their turn.
// Main thread only.
class UndoCommands final : public Responder {
public:
    static const QString UndoAction;
    static const QString RedoAction;

    using UndoManagerProvider = std::function<UndoManager*()>;
    explicit UndoCommands(UndoManagerProvider undoManager);

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(Command& command) const override;
    void perform(const Command& command) override;
    std::optional<QString> titleFor(const Command& command) const override;

private:
    UndoManagerProvider m_undoManager;
};

} // namespace platform
