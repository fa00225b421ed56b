#include "mainwindow/BXMainWindowToolbar.h"

#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/BXMainWindowValidation.h"
#include "mainwindow/history/BXPageController.h"
#include "mainwindow/editor/BXTextView.h"

#include "lists/noteslist/BXNotesArrayController.h"

#include "document/BXDocument.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SpellingPanel.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>

using platform::CommandRouter;
using platform::SymbolIcon;
using platform::ToolbarItem;

namespace {

const QString kDefaultItemIdentifiersKey = QStringLiteral("TB Default Item Identifiers");
const QString kShowGuessPanelAction = QStringLiteral("showGuessPanel:");
const QString kShowSharingServicePickerAction = QStringLiteral("showSharingServicePicker:");
const QString kModifyFontAction = QStringLiteral("modifyFont:");
const QString kSetZoomAction = QStringLiteral("setZoom:");

constexpr int kZoomPercentages[] = { 25, 50, 75, 100, 125, 150, 200, 300, 400 };

// Set while the default set is read from the toolbar's own configuration, which asks the
// delegate again: that nested question is answered with nothing. Shared by every main window.
bool readingToolbarDefaults = false;

// One button item: label, palette label and tool tip through the strings table, its command
// and its symbol. Without a target the command travels the responder chain.
struct ButtonItem {
    const char* identifierSuffix;
    const char* label;
    const char* paletteLabel;
    const char* toolTip;
    const char* action;
    bool controllerTarget;
    const char* symbol;
};

const ButtonItem kButtonItems[] = {
    { "newnotetool", "toolbarNewButtonLabel", "toolbarNewButtonPaletteLabel", nullptr,
        "addNote:", false, "square.and.pencil" },
    { "deletetool", "toolbarDeleteButtonLabel", "toolbarDeleteButtonPaletteLabel", nullptr,
        "deleteSelectedNotes:", false, "trash" },
    { "locktool", "Password", "Password", "Password", "toggleLock:", false, "lock" },
    { "imagetool", "Edit Image", "Edit Image", "Edit the selected image", "editImage:", false,
        "photo" },
    { "tagstool", "Tags", "Tags", "Show the tags bar", "toggleTagsBar:", true, "tag" },
    { "defaultstyletool", "Default", "Default Style", "Apply default style to selected text",
        "setDefaultStyle:", true, "textformat" },
    { "spellchecktool", "Spelling", "Check Spelling", "Show Spelling Panel",
        "showGuessPanel:", false, "textformat.abc.dottedunderline" },
    { "printtool", "Print", "Print", "Print the selected notes", "printDocument:", false,
        "printer" },
    { "sharetool", "Share", "Share", "Share Note", "showSharingServicePicker:", false,
        "square.and.arrow.up" },
    { "infotool", "Info", "Info", "Show Info Panel", "toggleInfoPanel:", false, "info.circle" },
    { "rulertool", "Ruler", "Ruler", "Show Ruler", "toggleRuler:", true, "ruler" },
    { "sidebartool", "Sidebar", "Sidebar", "Show or Hide the Sidebar", "toggleLists:", true,
        "sidebar.left" },
    { "writingtoolstool", "Writing Tools", "Writing Tools", "Show Writing Tools",
        "showWritingTools:", true, "apple.writing.tools" },
};

QString identifierFor(const char* suffix)
{
    return QStringLiteral("com.vostar.brindlex.") + QLatin1String(suffix);
}

void describe(ToolbarItem* item, const char* label, const char* paletteLabel, const char* toolTip,
    const char* symbol)
{
    item->setLabel(platform::localized(QLatin1String(label)));
    item->setPaletteLabel(platform::localized(QLatin1String(paletteLabel)));
    if (toolTip)
        item->setToolTip(platform::localized(QLatin1String(toolTip)));
    item->setIcon(SymbolIcon::named(QLatin1String(symbol)));
}

platform::SegmentedControl* makeSegments(int segmentWidth, const char* first, const char* second)
{
    auto* segments = new platform::SegmentedControl;
    segments->setSegmentCount(2);
    segments->setTracking(platform::SegmentedControl::Tracking::Momentary);
    segments->setWidth(0, segmentWidth);
    segments->setWidth(1, segmentWidth);
    segments->setIcon(0, SymbolIcon::named(QLatin1String(first)));
    segments->setIcon(1, SymbolIcon::named(QLatin1String(second)));
    return segments;
}

} // namespace

BXMainWindowToolbar::BXMainWindowToolbar(BXMainWindowController* controller)
    : QObject(controller), m_controller(controller)
{ }

BXMainWindowToolbar::~BXMainWindowToolbar()
{
    // The toolbar may outlive this delegate for a moment while the window goes.
    if (m_toolbar)
        m_toolbar->setDelegate(nullptr);
}

void BXMainWindowToolbar::setSearchField(QWidget* field)
{
    m_searchField = field;
    if (!field)
        return;
    field->setMinimumWidth(kSearchFieldMinimumWidth);
    field->setMaximumWidth(kSearchFieldMaximumWidth);
}

void BXMainWindowToolbar::install()
{
    if (m_toolbar)
        return;
    m_toolbar = new platform::Toolbar(kToolbarIdentifier, m_controller->mainWindow());
    m_controller->splitView()->installSeparatorWithIdentifier(kNotesSeparator, 1);
    QStringList defaults { kSidebarTool, kNewNoteTool, kDeleteTool, kNotesSeparator,
        kNavigationTool, kTextSizeTool, kZoomTool, kLockTool,
        platform::Toolbar::kFlexibleSpaceItemIdentifier, kShareTool, kPrintTool };
    if (m_searchField)
        defaults << kSearchTool;
    m_toolbar->setDefaultItemIdentifiers(defaults);
    connect(
        m_toolbar, &platform::Toolbar::willAddItem, this, &BXMainWindowToolbar::toolbarWillAddItem);
    connect(m_toolbar, &platform::Toolbar::didRemoveItem, this,
        &BXMainWindowToolbar::searchItemRemoved);
    m_toolbar->setAutosavesConfiguration(true);
    m_toolbar->setDelegate(this);
    m_controller->mainWindow()->addToolBar(m_toolbar);
    placeNotesSeparator();
}

QStringList BXMainWindowToolbar::allToolbarItems()
{
    return { kSidebarTool, kNewNoteTool, kDeleteTool, kNavigationTool, kTextSizeTool, kRulerTool,
        kSpellCheckTool, kTagsTool, kLockTool, kImageTool, kInfoTool, kPrintTool, kShareTool,
        kShowInListTool, kZoomTool, kWritingToolsTool };
}

QStringList BXMainWindowToolbar::allowedItemIdentifiers(platform::Toolbar*) const
{
    QStringList allowed = allToolbarItems();
    allowed << m_controller->splitView()->separatorIdentifiers();
    if (m_searchField)
        allowed << kSearchTool;
    return allowed;
}

QStringList BXMainWindowToolbar::defaultItemIdentifiers(platform::Toolbar* toolbar) const
{
    if (readingToolbarDefaults || !toolbar)
        return {};
    const QVariantMap saved
        = platform::UserDefaults::standard().dictionaryForKey(toolbar->configurationKey());
    QStringList identifiers = saved.value(kDefaultItemIdentifiersKey).toStringList();
    if (identifiers.isEmpty()) {
        readingToolbarDefaults = true;
        identifiers
            = toolbar->configurationDictionary().value(kDefaultItemIdentifiersKey).toStringList();
        readingToolbarDefaults = false;
    }
    return identifiers;
}

ToolbarItem* BXMainWindowToolbar::itemForItemIdentifier(
    platform::Toolbar*, const QString& identifier, bool willBeInsertedIntoToolbar)
{
    for (const ButtonItem& button : kButtonItems) {
        if (identifier != identifierFor(button.identifierSuffix))
            continue;
        auto* item = new ToolbarItem(identifier);
        describe(item, button.label, button.paletteLabel, button.toolTip, button.symbol);
        item->setAction(QLatin1String(button.action));
        if (button.controllerTarget)
            item->setTarget(m_controller);
        return item;
    }
    if (identifier == kNavigationTool) {
        auto* item = new ToolbarItem(identifier);
        describe(item, "Recents", "Recent Notes", "Recent Notes", "chevron.backward");
        item->setView(makeSegments(25, "chevron.backward", "chevron.forward"));
        item->setMinSize(QSize(52, 25));
        item->setMaxSize(QSize(52, 25));
        return item;
    }
    if (identifier == kTextSizeTool) {
        auto* item = new ToolbarItem(identifier);
        describe(item, "Text Size", "Text Size", "Text Size", "textformat.size.smaller");
        platform::SegmentedControl* segments
            = makeSegments(32, "textformat.size.smaller", "textformat.size.larger");
        segments->setTag(0, kSmallerTag);
        segments->setTag(1, kLargerTag);
        segments->setLabel(0, platform::localized(QStringLiteral("Smaller")));
        segments->setLabel(1, platform::localized(QStringLiteral("Bigger")));
        // Whoever edits text answers the font size change, so it goes along the chain.
        CommandRouter::setAction(segments, kModifyFontAction);
        item->setView(segments);
        item->setMinSize(QSize(65, 24));
        item->setMaxSize(QSize(65, 24));
        return item;
    }
    if (identifier == kZoomTool) {
        auto* item = new ToolbarItem(identifier);
        describe(item, "Zoom", "Zoom", "Zoom", "plus.magnifyingglass");
        auto* popup = new platform::PopUpButton;
        for (const int percent : kZoomPercentages) {
            QAction* zoom = popup->addItem(QStringLiteral("%1%").arg(percent), percent);
            CommandRouter::setAction(zoom, kSetZoomAction, percent);
            CommandRouter::setTarget(zoom, m_controller);
        }
        item->setAction(kSetZoomAction);
        item->setTarget(m_controller);
        item->setView(popup);
        item->setMinSize(QSize(82, 24));
        item->setMaxSize(QSize(82, 24));
        return item;
    }
    if (identifier == kSearchTool && m_searchField) {
        auto* item = new ToolbarItem(identifier);
        item->setLabel(platform::localized(QStringLiteral("Search")));
        item->setPaletteLabel(platform::localized(QStringLiteral("Search")));
        // An item made only to be described must not take the field along when it goes.
        if (!willBeInsertedIntoToolbar) {
            item->setIcon(SymbolIcon::named(QStringLiteral("magnifyingglass")));
            return item;
        }
        // The field lives in a holder of the item's own: the toolbar deletes the items it
        // drops, and the field must outlive them.
        auto* holder = new QWidget;
        auto* layout = new QHBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_searchField);
        m_searchField->show();
        item->setView(holder);
        // In the overflow menu of a narrow window the item brings the field up beside it.
        auto* form
            = new QAction(SymbolIcon::named(QStringLiteral("magnifyingglass")), item->label());
        connect(form, &QAction::triggered, this, &BXMainWindowToolbar::revealSearchField);
        item->setMenuFormRepresentation(form);
        return item;
    }
    if (identifier == kNotesSeparator)
        return m_controller->splitView()->separatorForIdentifier(identifier);
    return nullptr;
}

void BXMainWindowToolbar::toolbarWillAddItem(ToolbarItem* item)
{
    const QString identifier = item->itemIdentifier();
    if (identifier == kSidebarTool) {
        item->setNavigational(true);
    } else if (identifier == kNavigationTool) {
        if (auto* segments = qobject_cast<platform::SegmentedControl*>(item->view())) {
            BXPageController* pages = m_controller->history()->pageController();
            pages->setUpNavigationControl(segments);
            auto* form = new QAction(item->label());
            form->setMenu(pages->makeNavigationMenuForm(segments));
            item->setMenuFormRepresentation(form);
        }
    } else if (identifier == kLockTool) {
        const auto* document = qobject_cast<BXDocument*>(m_controller->document());
        setLockImage(document && document->requirePassword(), item);
    } else if (identifier == kZoomTool) {
        if (auto* popup = qobject_cast<platform::PopUpButton*>(item->view()))
            m_controller->textDelegate()->setZoomPopup(popup);
    } else if (identifier == kSearchTool) {
        if (item->icon().isNull())
            item->setIcon(SymbolIcon::named(QStringLiteral("magnifyingglass")));
    }
}

bool BXMainWindowToolbar::validateToolbarItem(ToolbarItem* item) const
{
    const QString identifier = item->itemIdentifier();
    if (identifier == kTagsTool)
        return item->isEnabled() && !m_controller->listsCollapsed();
    if (identifier == kDefaultStyleTool)
        return item->isEnabled() && textViewIsFirstResponder();
    if (identifier == kTextSizeTool) {
        // A view item does not validate itself: ask the chain for the command here.
        return textViewIsFirstResponder()
            && CommandRouter::shared().targetForAction(kModifyFontAction) != nullptr;
    }
    if (identifier == kDeleteTool)
        item->setLabel(m_controller->notesController()->deleteToolLabel());
    if (identifier == kShareTool)
        return item->isEnabled() && m_controller->validation()->isNoteSelected();
    if (identifier == kNavigationTool) {
        if (auto* segments = qobject_cast<platform::SegmentedControl*>(item->view()))
            m_controller->history()->pageController()->updateNavigationButton(segments);
    }
    return item->isEnabled();
}

void BXMainWindowToolbar::setLockImage(bool locked)
{
    if (ToolbarItem* item = m_toolbar ? m_toolbar->itemWithIdentifier(kLockTool) : nullptr)
        setLockImage(locked, item);
}

void BXMainWindowToolbar::setLockImage(bool locked, ToolbarItem* item)
{
    item->setIcon(SymbolIcon::named(locked ? QStringLiteral("lock") : QStringLiteral("lock.open")));
}

std::optional<int> BXMainWindowToolbar::guessedInsertionIndexForToolbarItemIdentifiers(
    const QStringList& identifiers, const QStringList& items, QStringList* missing,
    const QVariantMap& option)
{
    QStringList absent;
    for (const QString& identifier : identifiers) {
        if (!items.contains(identifier))
            absent << identifier;
    }
    if (missing)
        *missing = absent;
    if (absent.isEmpty())
        return std::nullopt;
    const int adjacent
        = items.indexOf(option.value(QStringLiteral("AdjacentIdentifier")).toString());
    if (adjacent >= 0)
        return option.value(QStringLiteral("Before")).toBool() ? adjacent : adjacent + 1;
    if (items.isEmpty())
        return 0;
    const qulonglong location = option.value(QStringLiteral("Location")).toULongLong();
    return int(std::min<qulonglong>(location, qulonglong(items.size() - 1)));
}

int BXMainWindowToolbar::notesSeparatorIndex(const QStringList& items, std::optional<int> oldIndex)
{
    const int sidebar = std::max(int(items.lastIndexOf(kSidebarTrackingSeparator)), 0);
    // Without a sidebar separator that is index 1, past the end of an empty toolbar.
    return std::clamp(oldIndex ? *oldIndex : sidebar + 1, 0, int(items.size()));
}

void BXMainWindowToolbar::placeNotesSeparator()
{
    QStringList items;
    for (const ToolbarItem* item : m_toolbar->items())
        items << item->itemIdentifier();
    std::optional<int> oldIndex;
    if (const int found = items.lastIndexOf(kNotesSeparator); found >= 0) {
        oldIndex = found;
        m_toolbar->removeItemAtIndex(found);
        items.removeAt(found);
    }
    m_toolbar->insertItemWithItemIdentifier(kNotesSeparator, notesSeparatorIndex(items, oldIndex));
}

bool BXMainWindowToolbar::textViewIsFirstResponder() const
{
    const BXMainWindow* window = m_controller->mainWindow();
    return window && window->focusWidget() == m_controller->noteTextView();
}

void BXMainWindowToolbar::revealSearchField()
{
    if (!m_searchField || !m_toolbar)
        return;
    m_toolbar->setVisible(true);
    ToolbarItem* item = m_toolbar->itemWithIdentifier(kSearchTool);
    QWidget* anchor = item ? m_toolbar->anchorForItem(item) : nullptr;
    // Cut off by a narrow window: the field comes up under the » button, inside the window so
    // that the keyboard stays with it, for as long as it keeps the focus.
    if (item && anchor && anchor != m_toolbar->widgetForAction(item)) {
        QWidget* window = m_controller->mainWindow();
        if (!m_searchPopover) {
            m_searchPopover = new QFrame(window);
            m_searchPopover->setFrameShape(QFrame::StyledPanel);
            m_searchPopover->setAutoFillBackground(true);
            auto* layout = new QHBoxLayout(m_searchPopover);
            layout->setContentsMargins(6, 6, 6, 6);
            connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
                if (m_searchPopover && m_searchPopover->isVisible()
                    && !(now && m_searchPopover->isAncestorOf(now)))
                    returnSearchField();
            });
        }
        m_searchPopover->layout()->addWidget(m_searchField);
        m_searchField->setMinimumWidth(kSearchFieldMaximumWidth);
        m_searchField->show();
        m_searchPopover->adjustSize();
        const QPoint below = anchor->mapTo(window, QPoint(anchor->width(), anchor->height()));
        m_searchPopover->move(
            std::max(0, std::min(below.x(), window->width()) - m_searchPopover->width()),
            below.y());
        m_searchPopover->show();
        m_searchPopover->raise();
    }
    m_searchField->setFocus(Qt::ShortcutFocusReason);
    if (auto* field = qobject_cast<QLineEdit*>(m_searchField.data()))
        field->selectAll();
}

void BXMainWindowToolbar::returnSearchField()
{
    if (m_searchPopover)
        m_searchPopover->hide();
    if (!m_searchField || !m_toolbar)
        return;
    m_searchField->setMinimumWidth(kSearchFieldMinimumWidth);
    ToolbarItem* item = m_toolbar->itemWithIdentifier(kSearchTool);
    if (QWidget* holder = item ? item->view() : nullptr) {
        holder->layout()->addWidget(m_searchField);
        return;
    }
    searchItemRemoved(nullptr);
}

void BXMainWindowToolbar::searchItemRemoved(ToolbarItem* item)
{
    if ((item && item->itemIdentifier() != kSearchTool) || !m_searchField || !m_toolbar)
        return;
    // Kept, hidden, for the next search item.
    m_searchField->hide();
    m_searchField->setParent(m_toolbar);
}

void BXMainWindowToolbar::showGuessPanel()
{
    if (!m_spellingPanel) {
        m_spellingPanel = new platform::SpellingPanel(m_controller->mainWindow());
        m_spellingPanel->setTextView(m_controller->noteTextView());
    }
    m_spellingPanel->show();
    m_spellingPanel->raise();
    m_spellingPanel->findNext();
}

QMenu* BXMainWindowToolbar::showSharingServicePicker()
{
    ToolbarItem* item = m_toolbar ? m_toolbar->itemWithIdentifier(kShareTool) : nullptr;
    QWidget* button = item ? m_toolbar->anchorForItem(item) : nullptr;
    return m_controller->textDelegate()->showSharingServicePicker(
        button ? button : m_controller->noteTextView());
}

bool BXMainWindowToolbar::respondsTo(const QString& action) const
{
    return action == kShowGuessPanelAction || action == kShowSharingServicePickerAction;
}

void BXMainWindowToolbar::perform(const platform::Command& command)
{
    if (command.action == kShowGuessPanelAction)
        showGuessPanel();
    else if (command.action == kShowSharingServicePickerAction)
        showSharingServicePicker();
}
