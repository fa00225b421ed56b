#pragma once

#include "platform/controllers/Command.h"

#include <optional>

class QString;

namespace platform {

class TextView;

// The standard text-formatting commands a TextView takes: the font and colour panels and
// what they send, traits, underline, size, kerning, ligatures, baseline, copying and pasting
// styles and rulers, alignment, paragraph direction, and the list and spacing panels. Every
// change is a user edit of the view (mirrored, written back, undoable). Stateless; main
// thread only.
class TextFormatCommands final {
public:
    TextFormatCommands() = delete;

    static bool respondsTo(const QString& action);
    // Disabled while the view is not editable, pasting without a copied style; sets the check
    // mark of the paragraph direction items.
    static std::optional<bool> validate(const TextView& view, Command& command);
    static void perform(TextView& view, const Command& command);
};

} // namespace platform
