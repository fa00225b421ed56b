#include "mainwindow/notewindow/BXNoteWindowToolbar.h"

#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/notewindow/BXNoteIconButton.h"
#include "mainwindow/notewindow/BXNoteWindowCommands.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include "ui/BXControlToolBarItem.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/documents/Document.h"
#include "platform/foundation/Localized.h"

#include <QMainWindow>
#include <QToolBar>
#include <QToolButton>

#include <array>

using platform::localized;
using platform::Toolbar;
using platform::ToolbarItem;

const QString BXNoteWindowToolbar::DefaultStyleItem
    = QStringLiteral("com.vostar.brindlex.defaultstyletool");
const QString BXNoteWindowToolbar::SpellCheckItem
    = QStringLiteral("com.vostar.brindlex.spellchecktool");
const QString BXNoteWindowToolbar::PrintItem = QStringLiteral("com.vostar.brindlex.printtool");
const QString BXNoteWindowToolbar::ShareItem = QStringLiteral("com.vostar.brindlex.sharetool");
const QString BXNoteWindowToolbar::InfoItem = QStringLiteral("com.vostar.brindlex.infotool");
const QString BXNoteWindowToolbar::RulerItem = QStringLiteral("com.vostar.brindlex.rulertool");
const QString BXNoteWindowToolbar::ShowInListItem
    = QStringLiteral("com.vostar.brindlex.showinlisttool");
const QString BXNoteWindowToolbar::DeleteItem = QStringLiteral("com.vostar.brindlex.deletetool");
const QString BXNoteWindowToolbar::ZoomItem = QStringLiteral("com.vostar.brindlex.zoomtool");
const QString BXNoteWindowToolbar::TagsItem = QStringLiteral("com.vostar.brindlex.tagstool");
const QString BXNoteWindowToolbar::TextSizeItem
    = QStringLiteral("com.vostar.brindlex.textsizetool");
const QString BXNoteWindowToolbar::WritingToolsItem
    = QStringLiteral("com.vostar.brindlex.writingtoolstool");
const QString BXNoteWindowToolbar::ImageItem = QStringLiteral("com.vostar.brindlex.imagetool");
const QString BXNoteWindowToolbar::ToolbarIdentifier = QStringLiteral("BXNoteWindowToolbar");

namespace {

struct ItemDescription {
    const QString& identifier;
    const char* label;
    const char* paletteLabel;
    const char* toolTip;
    const char* action;
    bool targetsController; // else along the responder chain
    const char* symbol;
};

const std::array<ItemDescription, 13>& itemDescriptions()
{
    using T = BXNoteWindowToolbar;
    static const std::array<ItemDescription, 13> items { {
        { T::DefaultStyleItem, "Default", "Default Style", "Apply default style to selected text",
            "setDefaultStyle:", true, "textformat" },
        { T::SpellCheckItem, "Spelling", "Check Spelling", "Show Spelling Panel",
            "showGuessPanel:", false, "textformat.abc.dottedunderline" },
        { T::PrintItem, "Print", "Print", "Print", "printDocument:", false, "printer" },
        { T::ShareItem, "Share", "Share", "Share Note", "", false, "square.and.arrow.up" },
        { T::InfoItem, "Info", "Info", "Show Info Panel", "toggleInfoPanel:", false,
            "info.circle" },
        { T::RulerItem, "Ruler", "Ruler", "Show Ruler", "toggleRuler:", true, "ruler" },
        { T::ShowInListItem, "Open in Main", "Open in Main", "Open in main window",
            "showNoteInMainWindow:", true, "list.bullet.rectangle" },
        { T::DeleteItem, "Delete Page", "Delete Page", "Delete This Page",
            "deleteSelectedNotes:", true, "trash" },
        { T::ZoomItem, "Zoom", "Zoom", "Zoom", "setZoom:", true, "plus.magnifyingglass" },
        { T::TagsItem, "Tags", "Tags", "Show the tags bar", "toggleTagsBar:", true, "tag" },
        { T::TextSizeItem, "Text Size", "Text Size", "Text Size", "modifyFont:", true,
            "textformat.size.smaller" },
        { T::WritingToolsItem, "Writing Tools", "Writing Tools", "Show Writing Tools",
            "showWritingTools:", true, "apple.writing.tools" },
        { T::ImageItem, "Edit Image", "Edit Image", "Edit the selected image", "editImage:", true,
            "photo" },
    } };
    return items;
}

const ItemDescription* descriptionFor(const QString& identifier)
{
    for (const ItemDescription& item : itemDescriptions()) {
        if (item.identifier == identifier)
            return &item;
    }
    return nullptr;
}

// A button item that keeps its label: the titles commands give their menu items ("Delete
// Note", "Show Info") are not toolbar labels.
class LabelledItem final : public ToolbarItem {
public:
    using ToolbarItem::ToolbarItem;

    void validate() override
    {
        const QString label = text();
        ToolbarItem::validate();
        if (text() != label)
            setText(label);
    }
};

constexpr std::array<int, 9> kZoomPercents { 25, 50, 75, 100, 125, 150, 200, 300, 400 };

} // namespace

BXNoteWindowToolbar::BXNoteWindowToolbar(BXNoteWindowController& controller)
    : m_controller(controller)
{ }

BXNoteWindowToolbar::~BXNoteWindowToolbar() = default;

void BXNoteWindowToolbar::install(QMainWindow* window)
{
    // The icon stands where a title bar would show the document's icon: first, on its own bar.
    m_iconBar = new QToolBar(window);
    m_iconBar->setObjectName(QStringLiteral("noteIconBar"));
    m_iconBar->setMovable(false);
    m_iconBar->setFloatable(false);
    m_noteIcon = new BXNoteIconButton(m_controller, m_iconBar);
    m_iconBar->addWidget(m_noteIcon);
    window->addToolBar(Qt::TopToolBarArea, m_iconBar);

    m_toolbar = new Toolbar(ToolbarIdentifier, window);
    m_toolbar->setMovable(false);
    m_toolbar->setDisplayMode(Toolbar::DisplayMode::IconAndLabel);
    connect(m_toolbar, &Toolbar::willAddItem, this, &BXNoteWindowToolbar::toolbarWillAddItem);
    window->addToolBar(Qt::TopToolBarArea, m_toolbar);
    m_toolbar->setDelegate(this);
}

Toolbar* BXNoteWindowToolbar::toolbar() const
{
    return m_toolbar;
}

BXNoteIconButton* BXNoteWindowToolbar::noteIcon() const
{
    return m_noteIcon;
}

platform::PopUpButton* BXNoteWindowToolbar::zoomPopup() const
{
    ToolbarItem* item = m_toolbar ? m_toolbar->itemWithIdentifier(ZoomItem) : nullptr;
    return item ? qobject_cast<platform::PopUpButton*>(item->view()) : nullptr;
}

ToolbarItem* BXNoteWindowToolbar::itemForItemIdentifier(Toolbar*, const QString& identifier, bool)
{
    const ItemDescription* description = descriptionFor(identifier);
    if (!description)
        return nullptr;
    const QString action = QString::fromLatin1(description->action);
    ToolbarItem* item = nullptr;
    if (identifier == ZoomItem) {
        auto* popup = new platform::PopUpButton;
        for (const int percent : kZoomPercents) {
            QAction* entry = popup->addItem(QStringLiteral("%1%").arg(percent), percent);
            platform::CommandRouter::setAction(entry, action, percent);
        }
        connect(popup, &platform::PopUpButton::itemChosen, &m_controller,
            [this](QAction* entry) { m_controller.commands()->setZoom(entry->text()); });
        item = new BXControlToolBarItem({ { QStringLiteral("identifier"), identifier },
            { QStringLiteral("view"), QVariant::fromValue<QWidget*>(popup) } });
        item->setMinSize(QSize(kZoomPopupWidth, kControlHeight));
        item->setMaxSize(QSize(kZoomPopupWidth, kControlHeight));
    } else if (identifier == TextSizeItem) {
        auto* segments = new platform::SegmentedControl;
        segments->setSegmentCount(2);
        segments->setTracking(platform::SegmentedControl::Tracking::Momentary);
        for (int segment = 0; segment < 2; ++segment) {
            segments->setWidth(segment, kSegmentWidth);
            segments->setTag(segment, segment == 0 ? kSmallerTag : kLargerTag);
        }
        connect(segments, &platform::SegmentedControl::segmentClicked, &m_controller,
            [this, segments](int segment) {
                platform::Command command;
                command.action = QStringLiteral("modifyFont:");
                command.tag = segments->tag(segment);
                m_controller.perform(command);
            });
        item = new BXControlToolBarItem({ { QStringLiteral("identifier"), identifier },
            { QStringLiteral("view"), QVariant::fromValue<QWidget*>(segments) } });
        item->setMinSize(QSize(kTextSizeWidth, kControlHeight));
        item->setMaxSize(QSize(kTextSizeWidth, kControlHeight));
    } else if (identifier == ShareItem) {
        // No command of its own: the button opens the sharing picker right under itself.
        auto* button = new QToolButton;
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, &m_controller,
            [this, button] { m_controller.commands()->showSharingServicePicker(button); });
        item = new ToolbarItem(identifier);
        item->setView(button);
    } else {
        item = new LabelledItem(identifier);
    }
    item->setLabel(localized(QString::fromLatin1(description->label)));
    item->setPaletteLabel(localized(QString::fromLatin1(description->paletteLabel)));
    item->setToolTip(localized(QString::fromLatin1(description->toolTip)));
    if (!action.isEmpty())
        item->setAction(action);
    if (description->targetsController)
        item->setTarget(&m_controller);
    const QIcon icon = platform::SymbolIcon::named(QString::fromLatin1(description->symbol));
    if (identifier == ShareItem) {
        // Labelled like the button items beside it.
        auto* button = static_cast<QToolButton*>(item->view());
        button->setIcon(icon);
        button->setText(item->label());
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    } else if (!item->view()) {
        item->setIcon(icon);
    }
    return item;
}

QStringList BXNoteWindowToolbar::allowedItemIdentifiers(Toolbar*) const
{
    QStringList identifiers;
    for (const ItemDescription& item : itemDescriptions())
        identifiers << item.identifier;
    identifiers << Toolbar::kSpaceItemIdentifier << Toolbar::kFlexibleSpaceItemIdentifier
                << Toolbar::kSeparatorItemIdentifier;
    return identifiers;
}

QStringList BXNoteWindowToolbar::defaultItemIdentifiers(Toolbar*) const
{
    // Writing Tools has nothing behind it on this platform, so it is only offered.
    return { ShowInListItem, DeleteItem, Toolbar::kSeparatorItemIdentifier, DefaultStyleItem,
        TextSizeItem, ZoomItem, ImageItem, Toolbar::kFlexibleSpaceItemIdentifier, RulerItem,
        TagsItem, SpellCheckItem, InfoItem, PrintItem, ShareItem };
}

void BXNoteWindowToolbar::toolbarWillAddItem(ToolbarItem* item)
{
    const ItemDescription* description = item ? descriptionFor(item->itemIdentifier()) : nullptr;
    if (!description)
        return;
    const QString identifier = item->itemIdentifier();
    if (identifier == ZoomItem) {
        if (auto* popup = qobject_cast<platform::PopUpButton*>(item->view()))
            BXMainWindowTextDelegate::updateZoomPopup(popup, m_controller.noteTextZoomFactor());
        return;
    }
    if (identifier == TextSizeItem) {
        if (auto* segments = qobject_cast<platform::SegmentedControl*>(item->view())) {
            segments->setIcon(
                0, platform::SymbolIcon::named(QStringLiteral("textformat.size.smaller")));
            segments->setIcon(
                1, platform::SymbolIcon::named(QStringLiteral("textformat.size.larger")));
        }
        return;
    }
    const QIcon icon = platform::SymbolIcon::named(QString::fromLatin1(description->symbol));
    if (identifier == ShareItem)
        static_cast<QToolButton*>(item->view())->setIcon(icon);
    else
        item->setIcon(icon);
}
