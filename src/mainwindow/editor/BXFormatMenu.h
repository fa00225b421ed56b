#pragma once

#include "platform/controllers/Command.h"

#include <QPointer>

#include <optional>

class QKeyEvent;
class QMenu;
class QWidget;

// The Format menu: the note text view's formatting commands and the window's Default Style,
// under "Font" and "Text". build() makes one for the menu bar; each window controller keeps
// its own for its Format button, built the first time it is needed and never rebuilt. The
// items carry no target: their commands go along the responder chain. Their key equivalents
// are shown in the menu and taken by the note text view (commandForKey()), so they never
// collide with the menu bar's other shortcuts. Main thread only.
class BXFormatMenu final {
public:
    // Below the button's bottom edge, in points.
    static constexpr int kPopUpOffset = 5;

    // `owner` (the window) parents the menu.
    explicit BXFormatMenu(QWidget* owner);

    static QMenu* build(QWidget* parent);
    // The command a key press stands for, when it is the key equivalent of one of the items.
    static std::optional<platform::Command> commandForKey(const QKeyEvent* event);

    QMenu* formatPopupMenu() const { return m_menu; }
    QMenu* formatPopupMenuIfNeeded();
    // Pops the menu up below the bottom left corner of `button`.
    void formatButtonClicked(QWidget* button);

private:
    QPointer<QWidget> m_owner;
    QPointer<QMenu> m_menu;
};
