#pragma once

#include "platform/controllers/Command.h"

#include <QString>

#include <functional>
#include <optional>

class QKeyEvent;

namespace platform {

// The Edit menu's commands a text view answers besides undo, redo and formatting: Paste; Cut,
// Copy and Select All, performed as the keys that do them; and Show Ruler. Asks its view
// through callbacks; owned by the view, main thread only.
class TextEditCommands final {
public:
    struct View {
        std::function<bool()> isEditable;
        std::function<bool()> hasSelection;
        std::function<void()> paste;
        std::function<void(QKeyEvent& event)> pressKey;
        std::function<bool()> isRulerVisible;
        std::function<void(bool visible)> setRulerVisible;
    };

    explicit TextEditCommands(View view) : m_view(std::move(view)) { }

    bool respondsTo(const QString& action) const;
    // Nullopt for an action it does not answer.
    std::optional<bool> validate(Command& command) const;
    void perform(const Command& command);

private:
    View m_view;
};

} // namespace platform
