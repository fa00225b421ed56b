#include "platform/appkit/FocusKeys.h"

#include <QKeyEvent>

namespace platform {

std::optional<bool> FocusKeys::controlTabDirection(const QKeyEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return std::nullopt;
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((key != Qt::Key_Tab && key != Qt::Key_Backtab)
        || (modifiers & ~Qt::ShiftModifier) != Qt::ControlModifier)
        return std::nullopt;
    // The window system names Shift+Tab Backtab, with or without the Shift flag.
    return key == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier);
}

} // namespace platform
