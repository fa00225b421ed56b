#include "BXSegmentedToolbarItem.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/controllers/Responder.h"

void BXSegmentedToolbarItem::validate()
{
    auto* responder = dynamic_cast<platform::Responder*>(target());
    if (!responder)
        return;
    platform::Command command = platform::CommandRouter::commandFor(this);
    if (const std::optional<bool> answer = responder->validate(command))
        setEnabled(*answer);
}
