#include "app/BXMainMenu.h"

#include "app/BXDocumentController.h"
#include "app/BXWindowMenu.h"
#include "mainwindow/editor/BXFormatMenu.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/MenuAccessKeys.h"
#include "platform/appkit/MenuBarKeyboard.h"
#include "platform/appkit/SharingServices.h"
#include "platform/foundation/Localized.h"

#include <QIcon>
#include <QMenuBar>

namespace {

constexpr const char* kTagProperty = "menuTag";

// An item's keys: a standard key brings every binding the platform has for it (Close is
// Ctrl+W as well as Ctrl+F4), which one QKeySequence made from it would drop.
struct Shortcut {
    Shortcut() = default;
    Shortcut(QKeySequence::StandardKey key) : keys(QKeySequence::keyBindings(key)) { }
    Shortcut(const QKeySequence& sequence) : keys { sequence } { }

    QList<QKeySequence> keys;
};

// One item: its title, its command, its tag, its shortcut, its symbol, whether it shows a
// check mark and the access key it keeps where users know one from other applications (the
// others get theirs when the menu shows); no title is a separator.
struct Item {
    const char* title;
    const char* action = nullptr;
    int tag = 0;
    Shortcut shortcut = {};
    const char* symbol = nullptr;
    bool checkable = false;
    QChar accessKey = {};
};

// `key` is the menu's access key, where its title has that letter.
QMenu* addMenu(QMenuBar* bar, const QString& title, int tag, QChar key)
{
    QMenu* menu = bar->addMenu(platform::MenuAccessKeys::marked(platform::localized(title), key));
    menu->menuAction()->setProperty(kTagProperty, tag);
    platform::CommandRouter::shared().attachMenu(menu);
    return menu;
}

QMenu* addSubmenu(QMenu* parent, const QString& title, int tag = 0, const char* symbol = nullptr)
{
    QMenu* menu = parent->addMenu(platform::localized(title));
    menu->menuAction()->setProperty(kTagProperty, tag);
    if (symbol) {
        const QString icon = BXMainMenu::themeIconForSymbol(QString::fromLatin1(symbol));
        if (!icon.isEmpty() && QIcon::hasThemeIcon(icon))
            menu->setIcon(QIcon::fromTheme(icon));
    }
    platform::CommandRouter::shared().attachMenu(menu);
    return menu;
}

void addItems(QMenu* menu, std::initializer_list<Item> items)
{
    for (const Item& item : items) {
        if (!item.title) {
            menu->addSeparator();
            continue;
        }
        const QString title = platform::localized(QString::fromUtf8(item.title));
        QAction* action = menu->addAction(item.accessKey.isNull()
                ? title
                : platform::MenuAccessKeys::marked(title, item.accessKey));
        action->setProperty(kTagProperty, item.tag);
        action->setCheckable(item.checkable);
        if (item.action)
            platform::CommandRouter::setAction(action, QString::fromLatin1(item.action), item.tag);
        if (!item.shortcut.keys.isEmpty())
            action->setShortcuts(item.shortcut.keys);
        // The image only when the theme has one: a missing symbol is skipped.
        if (item.symbol) {
            const QString icon = BXMainMenu::themeIconForSymbol(QString::fromLatin1(item.symbol));
            if (!icon.isEmpty() && QIcon::hasThemeIcon(icon))
                action->setIcon(QIcon::fromTheme(icon));
        }
    }
}

const Item kSeparator { nullptr };

} // namespace

QString BXMainMenu::themeIconForSymbol(const QString& symbol)
{
    static const QHash<QString, QString> icons {
        { QStringLiteral("questionmark.circle"), QStringLiteral("help-contents") },
        { QStringLiteral("arrow.up.right"), QStringLiteral("go-up") },
        { QStringLiteral("heart"), QStringLiteral("emblem-favorite") },
        { QStringLiteral("arrow.up.forward"), QStringLiteral("document-open-recent") },
        { QStringLiteral("lock.fill"), QStringLiteral("system-lock-screen") },
        { QStringLiteral("square.and.arrow.down"), QStringLiteral("document-import") },
        { QStringLiteral("square.and.arrow.up"), QStringLiteral("document-export") },
        { QStringLiteral("plus.square"), QStringLiteral("document-new") },
        { QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy") },
        { QStringLiteral("pencil"), QStringLiteral("document-edit") },
        { QStringLiteral("square.and.arrow.up.on.square"), QStringLiteral("window-new") },
        { QStringLiteral("list.bullet"), QStringLiteral("view-list-text") },
        { QStringLiteral("trash"), QStringLiteral("edit-delete") },
        { QStringLiteral("line.3.horizontal.decrease.circle"), QStringLiteral("view-filter") },
        { QStringLiteral("chevron.left"), QStringLiteral("go-previous") },
        { QStringLiteral("chevron.right"), QStringLiteral("go-next") },
        { QStringLiteral("clock"), QStringLiteral("document-open-recent") },
        { QStringLiteral("tag"), QStringLiteral("tag") },
        { QStringLiteral("plus.circle"), QStringLiteral("list-add") },
        { QStringLiteral("sidebar.left"), QStringLiteral("view-left-pane") },
        { QStringLiteral("tablecolumns"), QStringLiteral("view-split-left-right") },
        { QStringLiteral("arrow.up.arrow.down"), QStringLiteral("view-sort") },
        { QStringLiteral("info.circle"), QStringLiteral("dialog-information") },
        { QStringLiteral("toolbar"), QStringLiteral("configure-toolbars") },
        { QStringLiteral("magnifyingglass"), QStringLiteral("zoom") },
        { QStringLiteral("plus.magnifyingglass"), QStringLiteral("zoom-in") },
        { QStringLiteral("minus.magnifyingglass"), QStringLiteral("zoom-out") },
        { QStringLiteral("1.magnifyingglass"), QStringLiteral("zoom-original") },
    };
    return icons.value(symbol);
}

QMenu* BXMainMenu::menuWithTag(const QMenuBar* bar, int tag)
{
    for (QAction* action : bar->actions()) {
        if (action->menu() && action->property(kTagProperty).toInt() == tag)
            return action->menu();
    }
    return nullptr;
}

QMenu* BXMainMenu::submenuWithTag(const QMenu* menu, int tag)
{
    for (QAction* action : menu->actions()) {
        if (action->menu() && action->property(kTagProperty).toInt() == tag)
            return action->menu();
    }
    return nullptr;
}

QMenuBar* BXMainMenu::build(BXDocumentController& controller)
{
    auto* bar = new QMenuBar;

    QMenu* file = addMenu(bar, QStringLiteral("File"), 201, u'F');
    addItems(file,
        { { "New", "newDocument:", 0, QKeySequence::New },
            { "Open…", "openDocument:", 0, QKeySequence::Open },
            { "Open Recent…", "showWelcome:", 0, {}, "arrow.up.forward" }, kSeparator,
            { "Close", "performClose:", 0, QKeySequence::Close },
            { "Save", "saveDocument:", 0, QKeySequence::Save },
            { "Save As…", "saveDocumentAs:", 0, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) },
            { "Duplicate", "duplicateDocument:" }, { "Rename…", "renameDocument:" },
            { "Move To…", "moveDocument:" },
            { "Require Password", "toggleLock:", 1, {}, "lock.fill" }, kSeparator,
            { "Import…", "importNotes:", 0, {}, "square.and.arrow.down" } });
    addItems(addSubmenu(file, QStringLiteral("Export"), 0, "square.and.arrow.up"),
        { { "Export Note…", "exportSelectedNotes:", 0, {}, "square.and.arrow.up" },
            { "Export Found Notes…", "exportFoundNotes:", 0, {}, "square.and.arrow.up" } });
    // Sent down the responder chain to the front window, which shares its selected text.
    platform::SharingServices::shared().fillMenu(
        addSubmenu(file, QStringLiteral("Share"), 0, "square.and.arrow.up"));
    addItems(file,
        { kSeparator, { "Print…", "printDocument:", 0, QKeySequence::Print, nullptr, false, u'p' },
            kSeparator,
            { "Preferences…", "showPreferencesPanel:", 0, QKeySequence(Qt::CTRL | Qt::Key_Comma) },
            kSeparator,
            { "Quit", "terminate:", 0, QKeySequence(Qt::CTRL | Qt::Key_Q), nullptr, false,
                u'q' } });

    QMenu* edit = addMenu(bar, QStringLiteral("Edit"), 0, u'E');
    addItems(edit,
        { { "Undo", "undo:", 0, QKeySequence::Undo }, { "Redo", "redo:", 0, QKeySequence::Redo },
            kSeparator, { "Cut", "cut:", 0, QKeySequence::Cut, nullptr, false, u't' },
            { "Copy", "copy:", 0, QKeySequence::Copy, nullptr, false, u'c' },
            { "Paste", "paste:", 0, QKeySequence::Paste },
            { "Select All", "selectAll:", 0, QKeySequence::SelectAll }, kSeparator,
            { "Edit Image…", "editImage:" } });
    QMenu* format = BXFormatMenu::build(bar);
    format->setTitle(platform::MenuAccessKeys::marked(format->title(), u'o'));
    bar->addMenu(format);

    QMenu* note = addMenu(bar, QStringLiteral("Note"), 401, u'N');
    addItems(note,
        { { "New Page", "addNote:", 0, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
              "plus.square" },
            { "Duplicate", "duplicateSelectedNotes:", 0, QKeySequence(Qt::CTRL | Qt::Key_D),
                "doc.on.doc" },
            { "Rename", "renameNote:", 0, {}, "pencil" },
            { "Open in Separate Window", "openSelectedNotesInSeparateWindow:", 0, {},
                "square.and.arrow.up.on.square" },
            { "Show Page in List", "showNoteInMainWindow:", 0, {}, "list.bullet" } });
    addItems(note,
        { { "Delete", "deleteSelectedNotes:", 0, {}, "trash" },
            { "Delete All Found", "deleteFoundNotes:", 0, {}, "trash" },
            { "Remove All Found From Tag", "unlinkFoundNotes:", 0, {}, "tag" }, kSeparator });
    addItems(addSubmenu(note, QStringLiteral("Filter"), 0, "line.3.horizontal.decrease.circle"),
        { { "Find…", "search:", 0, QKeySequence::Find },
            { "Find Next", "continueSearch:", 1, QKeySequence::FindNext },
            { "Find Previous", "continueSearch:", 0, QKeySequence::FindPrevious } });
    addItems(note,
        { { "Previous Recent", "navigate:", -2, QKeySequence::Back, "chevron.left" },
            { "Next Recent", "navigate:", -1, QKeySequence::Forward, "chevron.right" } });
    // The recent notes of the document in front, filled by its main window.
    QMenu* recents = addSubmenu(note, QStringLiteral("Recents"), 100, "clock");
    recents->setObjectName(QStringLiteral("recentNotesMenu"));
    addItems(addSubmenu(note, QStringLiteral("Tags"), 3, "tag"),
        { { "New Tag", "addCategory:", 0, {}, "plus.circle" },
            { "Rename Tag", "renameCategory:", 0, {}, "pencil" },
            { "Delete Tag", "deleteSelectedCategories:", 0, {}, "trash" }, kSeparator,
            { "Sort Tags by Name", "reorderTags:", 0, {}, "arrow.up.arrow.down" },
            { "Sort Selected Tags by Name", "reorderTags:", 1, {}, "arrow.up.arrow.down" } });

    // Zoom takes Ctrl+Alt: Ctrl with + and - makes the selected text bigger and smaller, and
    // Ctrl+I is Italic.
    QMenu* view = addMenu(bar, QStringLiteral("View"), 601, u'V');
    addItems(view,
        { { "Hide Sidebar", "toggleLists:", 0, {}, "sidebar.left" },
            { "Hide Tags", "toggleTagsBar:", 0, {}, "tag" },
            { "Show Info", "toggleInfoPanel:", 0, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I),
                "info.circle" },
            { "Show Toolbar", "toggleToolbarShown:", 0, {}, "toolbar" }, kSeparator });
    addItems(addSubmenu(view, QStringLiteral("Columns"), 0, "tablecolumns"),
        { { "Date Created", "toggleShowNoteCreatedColumn:", 0, {}, nullptr, true },
            { "Date Modified", "toggleShowNoteModifiedColumn:", 0, {}, nullptr, true } });
    addItems(addSubmenu(view, QStringLiteral("Sort By"), 0, "arrow.up.arrow.down"),
        { { "Page Name", "setNotesSortDescriptors:", 0, {}, nullptr, true },
            { "Date Created", "setNotesSortDescriptors:", 1, {}, nullptr, true },
            { "Date Modified", "setNotesSortDescriptors:", 2, {}, nullptr, true } });
    addItems(addSubmenu(view, QStringLiteral("Sidebar"), 0, "sidebar.left"),
        { { "Recent Notes", "toggleShowRecentNotesCategory:", 0, {}, nullptr, true },
            { "No Category", "toggleShowNoCategory:", 0, {}, nullptr, true } });
    addItems(view, { kSeparator });
    addItems(addSubmenu(view, QStringLiteral("Zoom"), 0, "magnifyingglass"),
        { { "Zoom In", "increaseZoom:", 0, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Plus),
              "plus.magnifyingglass" },
            { "Zoom Out", "decreaseZoom:", 0, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Minus),
                "minus.magnifyingglass" },
            { "Actual Size", "resetZoom:", 0, QKeySequence(Qt::CTRL | Qt::Key_0),
                "1.magnifyingglass" } });

    QMenu* history = addMenu(bar, QStringLiteral("History"), 0, u's');
    history->setObjectName(QStringLiteral("historyMenu"));
    if (!controller.historyMenu())
        controller.setHistoryMenu(recents);

    QMenu* window = addMenu(bar, QStringLiteral("Window"), 0, u'W');
    addItems(window,
        { { "Minimize", "performMiniaturize:", 0, QKeySequence(Qt::CTRL | Qt::Key_M) },
            { "Zoom", "performZoom:", 0 } });
    QObject::connect(window, &QMenu::aboutToShow, window, [window, &controller] {
        BXWindowMenu::rebuild(window, BXWindowMenu::documentWindows(controller));
    });

    QMenu* help = addMenu(bar, QStringLiteral("Help"), 102, u'H');
    addItems(help,
        { { "Help", "openURL:", 0, QKeySequence::HelpContents, "questionmark.circle" },
            { "Site", "openURL:", 1, {}, "arrow.up.right" },
            { "Store", "openURL:", 2, {}, "arrow.up.right" }, kSeparator,
            { "Check for Updates…", "checkVersion:" },
            { "Acknowledgments", "showAcknowledgments:", 0, {}, "heart" },
            { "menuAboutMarrowquill", "showAboutPanel:" } });

    platform::MenuAccessKeys::keep(bar);
    platform::MenuBarKeyboard::install(bar);
    return bar;
}
