#pragma once

#include "platform/controllers/Command.h"

#include <optional>

namespace platform {

// Anything that can answer commands: a view, a window controller, a document, the application.
// The command router asks respondsTo() along the chain and sends validate() and perform() to the
// first responder that takes the action.
class Responder {
public:
    virtual ~Responder() = default;

    virtual bool respondsTo(const QString& action) const = 0;
    // nullopt: no opinion, so the sender is enabled because a target exists. The responder may set
    // the command's check state.
    virtual std::optional<bool> validate(Command& command) const
    {
        Q_UNUSED(command);
        return std::nullopt;
    }
    virtual void perform(const Command& command) = 0;
    // The title the sender should show for the command in the current state ("Remove
    // Password"); nullopt keeps the sender's own.
    virtual std::optional<QString> titleFor(const Command& command) const
    {
        Q_UNUSED(command);
        return std::nullopt;
    }
};

} // namespace platform
