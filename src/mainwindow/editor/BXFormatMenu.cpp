#include "mainwindow/editor/BXFormatMenu.h"

#include "platform/appkit/CommandRouter.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>

namespace {

struct Item {
    const char* title; // null: a separator
    const char* action = nullptr;
    int tag = 0;
    QKeyCombination keys = {};
    bool checkable = false;
};

const Item kSeparator { nullptr };

// Command is Ctrl, Option is Alt and Control is Meta.
constexpr Qt::Modifier kCommand = Qt::CTRL;

const QList<Item>& fontItems()
{
    static const QList<Item> items {
        { "Show Fonts", "orderFrontFontPanel:", 0, kCommand | Qt::Key_T },
        kSeparator,
        { "Bold", "addFontTrait:", 2, kCommand | Qt::Key_B },
        { "Italic", "addFontTrait:", 1, kCommand | Qt::Key_I },
        { "Underline", "underline:", 0, kCommand | Qt::Key_U },
        { "Default Style", "setDefaultStyle:", 0, Qt::CTRL | Qt::SHIFT | Qt::Key_D },
        kSeparator,
        { "Bigger", "modifyFont:", 3, kCommand | Qt::Key_Plus },
        { "Smaller", "modifyFont:", 4, kCommand | Qt::Key_Minus },
        kSeparator,
    };
    return items;
}

const QList<Item>& fontTailItems()
{
    static const QList<Item> items {
        kSeparator,
        { "Show Colors", "orderFrontColorPanel:", 0, Qt::CTRL | Qt::SHIFT | Qt::Key_C },
        kSeparator,
        { "Copy Style", "copyFont:", 0, Qt::CTRL | Qt::ALT | Qt::Key_C },
        { "Paste Style", "pasteFont:", 0, Qt::CTRL | Qt::ALT | Qt::Key_V },
        { "Styles\u2026", "orderFrontStylesPanel:" },
    };
    return items;
}

const QList<Item>& alignmentItems()
{
    static const QList<Item> items {
        { "Align Left", "alignLeft:", 0, kCommand | Qt::Key_BraceLeft },
        { "Center", "alignCenter:", 0, kCommand | Qt::Key_Bar },
        { "Justify", "alignJustified:" },
        { "Align Right", "alignRight:", 0, kCommand | Qt::Key_BraceRight },
        kSeparator,
    };
    return items;
}

const QList<Item>& textTailItems()
{
    static const QList<Item> items {
        kSeparator,
        { "Show Ruler", "toggleRuler:", 0, kCommand | Qt::Key_R, true },
        { "Copy Ruler", "copyRuler:", 0, Qt::CTRL | Qt::META | Qt::Key_C },
        { "Paste Ruler", "pasteRuler:", 0, Qt::CTRL | Qt::META | Qt::Key_V },
        kSeparator,
        { "Table...", "orderFrontTablePanel:" },
        { "List...", "orderFrontListPanel:" },
        { "Spacing...", "orderFrontSpacingPanel:" },
    };
    return items;
}

// The direction titles start with a tab, which a QMenu would take for the start of a shortcut:
// they show indented by spaces and keep the exact title in "menuTitle".
const QList<Item>& directionItems()
{
    static const QList<Item> items {
        { "Paragraph" },
        { "\tDefault", "makeBaseWritingDirectionNatural:", 0, {}, true },
        { "\tLeft to Right", "makeBaseWritingDirectionLeftToRight:", 0, {}, true },
        { "\tRight to Left", "makeBaseWritingDirectionRightToLeft:", 0, {}, true },
        kSeparator,
        { "Selection" },
        { "\tDefault", "makeTextWritingDirectionNatural:", 0, {}, true },
        { "\tLeft to Right", "makeTextWritingDirectionLeftToRight:", 0, {}, true },
        { "\tRight to Left", "makeTextWritingDirectionRightToLeft:", 0, {}, true },
    };
    return items;
}

QMenu* addSubmenu(QMenu* parent, const QString& title)
{
    auto* menu = new QMenu(title, parent);
    parent->addMenu(menu);
    platform::CommandRouter::shared().attachMenu(menu);
    return menu;
}

void addItems(QMenu* menu, const QList<Item>& items)
{
    for (const Item& item : items) {
        if (!item.title) {
            menu->addSeparator();
            continue;
        }
        const QString title = QString::fromUtf8(item.title);
        QString shown = title;
        if (shown.startsWith(u'\t'))
            shown.replace(0, 1, QStringLiteral("    "));
        QAction* action = menu->addAction(shown);
        action->setProperty("menuTitle", title);
        if (!item.action) {
            // A heading.
            action->setEnabled(false);
            continue;
        }
        platform::CommandRouter::setAction(action, QString::fromLatin1(item.action), item.tag);
        action->setCheckable(item.checkable);
        if (item.keys != QKeyCombination()) {
            action->setShortcut(QKeySequence(item.keys));
            // Shown only: the note text view takes the keys (see commandForKey()).
            action->setShortcutContext(Qt::WidgetShortcut);
        }
    }
}

void addPlainItems(QMenu* menu, std::initializer_list<std::pair<const char*, const char*>> items)
{
    QList<Item> list;
    for (const auto& [title, action] : items)
        list.append(Item { title, action });
    addItems(menu, list);
}

} // namespace

BXFormatMenu::BXFormatMenu(QWidget* owner) : m_owner(owner) { }

QMenu* BXFormatMenu::build(QWidget* parent)
{
    auto* format = new QMenu(QStringLiteral("Format"), parent);
    platform::CommandRouter::shared().attachMenu(format);

    QMenu* font = addSubmenu(format, QStringLiteral("Font"));
    addItems(font, fontItems());
    addPlainItems(addSubmenu(font, QStringLiteral("Kern")),
        { { "Use Default", "useStandardKerning:" }, { "Use None", "turnOffKerning:" },
            { "Tighten", "tightenKerning:" }, { "Loosen", "loosenKerning:" } });
    addPlainItems(addSubmenu(font, QStringLiteral("Ligatures")),
        { { "Use Default", "useStandardLigatures:" }, { "Use None", "turnOffLigatures:" },
            { "Use All", "useAllLigatures:" } });
    addPlainItems(addSubmenu(font, QStringLiteral("Baseline")),
        { { "Use Default", "unscript:" }, { "Superscript", "superscript:" },
            { "Subscript", "subscript:" }, { "Raise", "raiseBaseline:" },
            { "Lower", "lowerBaseline:" } });
    addItems(font, fontTailItems());

    QMenu* text = addSubmenu(format, QStringLiteral("Text"));
    addItems(text, alignmentItems());
    addItems(addSubmenu(text, QStringLiteral("Writing Direction")), directionItems());
    addItems(text, textTailItems());
    return format;
}

std::optional<platform::Command> BXFormatMenu::commandForKey(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const auto key = Qt::Key(event->key());
    // "+", "{" and "|" are typed with Shift on many layouts; the key names them already.
    const bool shiftedSymbol = !(key >= Qt::Key_A && key <= Qt::Key_Z);
    for (const QList<Item>* items :
        { &fontItems(), &fontTailItems(), &alignmentItems(), &textTailItems() }) {
        for (const Item& item : *items) {
            if (!item.action || item.keys.key() != key)
                continue;
            const Qt::KeyboardModifiers wanted = item.keys.keyboardModifiers();
            if (modifiers == wanted || (shiftedSymbol && modifiers == (wanted | Qt::ShiftModifier)))
                return platform::Command { QString::fromLatin1(item.action), item.tag, {},
                    std::nullopt };
        }
    }
    return std::nullopt;
}

QMenu* BXFormatMenu::formatPopupMenuIfNeeded()
{
    if (!m_menu)
        m_menu = build(m_owner);
    return m_menu;
}

void BXFormatMenu::formatButtonClicked(QWidget* button)
{
    QMenu* menu = formatPopupMenuIfNeeded();
    menu->popup(button->mapToGlobal(QPoint(0, button->height() + kPopUpOffset)));
}
