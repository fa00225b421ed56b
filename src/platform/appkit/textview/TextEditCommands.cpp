#include "TextEditCommands.h"

#include <QHash>
#include <QKeyEvent>
#include <QKeySequence>

namespace platform {

namespace {

const QString kPasteAction = QStringLiteral("paste:");
const QString kToggleRulerAction = QStringLiteral("toggleRuler:");

// The commands that the keyboard already performs: the menu sends the same keys.
const QHash<QString, QKeySequence::StandardKey>& keyedActions()
{
    static const QHash<QString, QKeySequence::StandardKey> actions {
        { QStringLiteral("cut:"), QKeySequence::Cut },
        { QStringLiteral("copy:"), QKeySequence::Copy },
        { QStringLiteral("selectAll:"), QKeySequence::SelectAll },
    };
    return actions;
}

} // namespace

bool TextEditCommands::respondsTo(const QString& action) const
{
    return action == kPasteAction || action == kToggleRulerAction
        || keyedActions().contains(action);
}

std::optional<bool> TextEditCommands::validate(Command& command) const
{
    if (command.action == kPasteAction)
        return m_view.isEditable();
    if (const auto keyed = keyedActions().constFind(command.action);
        keyed != keyedActions().cend()) {
        const bool selected = m_view.hasSelection();
        if (*keyed == QKeySequence::Cut)
            return m_view.isEditable() && selected;
        return *keyed == QKeySequence::SelectAll || selected;
    }
    if (command.action == kToggleRulerAction) {
        command.checked = m_view.isRulerVisible();
        return true;
    }
    return std::nullopt;
}

void TextEditCommands::perform(const Command& command)
{
    if (command.action == kPasteAction) {
        m_view.paste();
        return;
    }
    if (const auto keyed = keyedActions().constFind(command.action);
        keyed != keyedActions().cend()) {
        const QKeyCombination key = QKeySequence(*keyed)[0];
        QKeyEvent event(QEvent::KeyPress, key.key(), key.keyboardModifiers());
        m_view.pressKey(event);
        return;
    }
    if (command.action == kToggleRulerAction)
        m_view.setRulerVisible(!m_view.isRulerVisible());
}

} // namespace platform
