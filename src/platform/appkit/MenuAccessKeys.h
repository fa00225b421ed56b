#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

namespace platform {

// Gives every item of a menu an access key, the underlined letter Linux applications show: Alt
// with a menu bar title's key opens that menu, an item's key alone chooses it in its open menu.
// No two items of one menu share a key. Keys are given when a menu shows, after whatever fills
// or retitles its items, and a key stays with its item while the item's title still holds the
// letter, so that titles that change (Undo Typing, Show or Hide Sidebar) keep their keys where
// they can. One shared instance watches the menus; main thread only.
class MenuAccessKeys final : public QObject {
    Q_OBJECT

public:
    // Keys for the bar's titles now, and for each of its menus and submenus whenever one shows.
    static void keep(QMenuBar* bar);
    // Keys for the menu's items (and its submenus') now and whenever it shows.
    static void keep(QMenu* menu);
    // Gives the items that have none a key that no other item in `actions` has.
    static void assign(const QList<QAction*>& actions);

    // `title` with `key` marked at its first occurrence (the start of a word preferred);
    // unchanged when the title has no such letter.
    static QString marked(const QString& title, QChar key);
    // A title of the user's own (a note's, a window's) as an item shows it: its ampersands are
    // letters, not marks.
    static QString literal(QString title) { return title.replace(u'&', QStringLiteral("&&")); }
    // The title as shown, without its access-key marks.
    static QString plainTitle(const QString& text);
    // The marked key of `text`, lower case; null when it has none.
    static QChar accessKey(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MenuAccessKeys() = default;
    static MenuAccessKeys& shared();
};

} // namespace platform
