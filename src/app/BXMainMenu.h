#pragma once

#include <QString>

class BXDocumentController;
class QMenu;
class QMenuBar;

// The application's menus, built in code and put on every document window and start window.
// Items carry the action their command sends through the command router; an item no responder
// answers is disabled when its menu opens. Menus are found by tag: 201 File, 401 Note, 601
// View, 102 Help; tag 3 is the Tags submenu. The Window menu lists the windows by document.
class BXMainMenu final {
public:
    BXMainMenu() = delete;

    // A new menu bar for one window, owned by the caller (usually the window).
    static QMenuBar* build(BXDocumentController& controller);
    // The menu of the top-level item with `tag`, or of the item in `menu` with `tag`.
    static QMenu* menuWithTag(const QMenuBar* bar, int tag);
    static QMenu* submenuWithTag(const QMenu* menu, int tag);
    // Icon-theme name of a symbol name; empty for symbols without one, which are skipped.
    static QString themeIconForSymbol(const QString& symbol);
};
