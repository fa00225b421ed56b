#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarCustomizationDialog.h"
#include "platform/appkit/ToolbarDelegate.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/appkit/TrackingSeparatorItem.h"
#include "platform/foundation/UserDefaults.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QSplitter>
#include <QTextEdit>
#include <QUuid>

using namespace platform;

namespace {

const QString kSidebar = QStringLiteral("sidebar");
const QString kNew = QStringLiteral("new");
const QString kDelete = QStringLiteral("delete");
const QString kRecents = QStringLiteral("recents");
const QString kZoom = QStringLiteral("zoom");
const QString kInfo = QStringLiteral("info");
const QString kTracking = QStringLiteral("notesseparator");

// A window's toolbar as the main window builds it: symbols, a navigational sidebar item, view
// items with fixed bounds and a separator over the splitter's first divider.
class WindowDelegate final : public ToolbarDelegate {
public:
    ToolbarItem* itemForItemIdentifier(Toolbar*, const QString& identifier, bool) override
    {
        if (identifier == kTracking)
            return new TrackingSeparatorItem(identifier, splitter, 0);
        const std::tuple<QString, const char*, const char*> plain[] = {
            { kSidebar, "Sidebar", "sidebar.left" },
            { kNew, "New Note", "square.and.pencil" },
            { kDelete, "Delete", "trash" },
            { kInfo, "Info", "info.circle" },
        };
        for (const auto& [name, label, symbol] : plain) {
            if (name != identifier)
                continue;
            auto* item = new ToolbarItem(identifier);
            item->setLabel(QLatin1String(label));
            item->setPaletteLabel(QLatin1String(label));
            item->setIcon(SymbolIcon::named(QLatin1String(symbol)));
            item->setNavigational(identifier == kSidebar);
            return item;
        }
        auto* item = new ToolbarItem(identifier);
        if (identifier == kRecents) {
            item->setLabel(QStringLiteral("Recents"));
            item->setIcon(SymbolIcon::named(QStringLiteral("chevron.backward")));
            auto* control = new SegmentedControl;
            control->setTracking(SegmentedControl::Tracking::Momentary);
            control->setSegmentCount(2);
            control->setIcon(0, SymbolIcon::named(QStringLiteral("chevron.backward")));
            control->setIcon(1, SymbolIcon::named(QStringLiteral("chevron.forward")));
            control->setLabel(0, QStringLiteral("Back"));
            control->setLabel(1, QStringLiteral("Forward"));
            item->setView(control);
            item->setMinSize({ 52, 25 });
            item->setMaxSize({ 52, 25 });
            return item;
        }
        if (identifier == kZoom) {
            item->setLabel(QStringLiteral("Zoom"));
            auto* zoom = new PopUpButton;
            for (int percent : { 50, 100, 125, 150, 200 })
                zoom->addItem(QStringLiteral("%1%").arg(percent), percent);
            zoom->selectItemWithTag(125);
            item->setView(zoom);
            item->setMinSize({ 82, 24 });
            item->setMaxSize({ 82, 24 });
            return item;
        }
        delete item;
        return nullptr;
    }
    QStringList allowedItemIdentifiers(Toolbar*) const override
    {
        return { kSidebar, kNew, kDelete, kRecents, kZoom, kInfo, kTracking,
            QStringLiteral("openinmain") };
    }
    QStringList defaultItemIdentifiers(Toolbar*) const override
    {
        return { kSidebar, kTracking, kNew, kDelete, kRecents,
            Toolbar::kFlexibleSpaceItemIdentifier, kZoom };
    }

    QSplitter* splitter = nullptr;
};

QStringList identifiersOf(const Toolbar& toolbar)
{
    QStringList identifiers;
    for (const ToolbarItem* item : toolbar.items())
        identifiers << item->itemIdentifier();
    return identifiers;
}

// A main window: the toolbar over a splitter of sidebar, list and text.
class ToolbarWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        identifier = QStringLiteral("Window-") + QUuid::createUuid().toString(QUuid::Id128);
        splitter = new QSplitter(&window);
        for (const char* name : { "sidebar", "list", "text" }) {
            auto* pane = new QTextEdit(QLatin1String(name));
            splitter->addWidget(pane);
        }
        window.setCentralWidget(splitter);
        delegate.splitter = splitter;
        window.resize(720, 300);
        splitter->setSizes({ 150, 220, 350 });
    }
    Toolbar* makeToolbar(bool autosaves)
    {
        auto* toolbar = new Toolbar(identifier, &window);
        window.addToolBar(toolbar);
        toolbar->setAutosavesConfiguration(autosaves);
        toolbar->setDelegate(&delegate);
        return toolbar;
    }
    QString configurationKey() const
    {
        return QStringLiteral("NSToolbar Configuration ") + identifier;
    }

    QString identifier;
    WindowDelegate delegate;
    QMainWindow window;
    QSplitter* splitter = nullptr;
};

} // namespace

TEST_F(ToolbarWindowTest, SavedConfigurationsRoundTripDropUnknownItemsAndFallBackWhenDamaged)
{
    const QStringList defaults = delegate.defaultItemIdentifiers(nullptr);
    {
        Toolbar* toolbar = makeToolbar(true);
        EXPECT_EQ(identifiersOf(*toolbar), defaults);
        toolbar->insertItemWithItemIdentifier(kInfo, 3);
        toolbar->setDisplayMode(Toolbar::DisplayMode::IconOnly);
        const QVariantMap configuration = toolbar->configurationDictionary();
        EXPECT_EQ(configuration.value(QStringLiteral("TB Default Item Identifiers")).toStringList(),
            defaults);
        EXPECT_EQ(UserDefaults::standard().dictionaryForKey(configurationKey()), configuration);
        delete toolbar;
    }
    Toolbar* again = makeToolbar(true);
    QStringList expected = defaults;
    expected.insert(3, kInfo);
    EXPECT_EQ(identifiersOf(*again), expected);
    EXPECT_EQ(again->displayMode(), Toolbar::DisplayMode::IconOnly);
    delete again;

    const struct {
        const char* name;
        QVariant items;
        QStringList expected;
    } cases[] = {
        { "unknown and refused identifiers dropped, repeats once",
            QStringList { kNew, QStringLiteral("gone"), QStringLiteral("openinmain"), kNew,
                Toolbar::kSpaceItemIdentifier, Toolbar::kSpaceItemIdentifier },
            { kNew, Toolbar::kSpaceItemIdentifier, Toolbar::kSpaceItemIdentifier } },
        { "a string in place of the list", QStringLiteral("new"), defaults },
        { "numbers in the list", QVariantList { 1, 2 }, defaults },
        { "a dictionary in place of the list", QVariantMap { { kNew, 1 } }, defaults },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UserDefaults::standard().setDictionary(configurationKey(),
            { { QStringLiteral("TB Item Identifiers"), c.items },
                { QStringLiteral("TB Display Mode"), QStringLiteral("garbage") } });
        Toolbar* toolbar = makeToolbar(true);
        EXPECT_EQ(identifiersOf(*toolbar), c.expected);
        EXPECT_EQ(toolbar->displayMode(), Toolbar::DisplayMode::Default);
        delete toolbar;
    }
}

TEST_F(ToolbarWindowTest, NavigationalItemsLeadAndViewItemsKeepTheirBounds)
{
    UserDefaults::standard().setDictionary(configurationKey(),
        { { QStringLiteral("TB Item Identifiers"), QStringList { kNew, kSidebar, kRecents } } });
    Toolbar* toolbar = makeToolbar(true);
    EXPECT_EQ(identifiersOf(*toolbar), (QStringList { kSidebar, kNew, kRecents }));
    toolbar->moveItem(2, 0);
    EXPECT_EQ(identifiersOf(*toolbar), (QStringList { kSidebar, kRecents, kNew }));
    toolbar->moveItem(0, 2);
    EXPECT_EQ(identifiersOf(*toolbar), (QStringList { kSidebar, kRecents, kNew }));
    const QList<QAction*> shown = toolbar->actions();
    EXPECT_EQ(QList<QAction*>(shown.begin(), shown.end()),
        QList<QAction*>(
            { toolbar->items().at(0), toolbar->items().at(1), toolbar->items().at(2) }));

    QWidget* recents = toolbar->itemWithIdentifier(kRecents)->view();
    EXPECT_EQ(recents->minimumSize(), QSize(52, 25));
    EXPECT_EQ(recents->maximumSize(), QSize(52, 25));
}

TEST_F(ToolbarWindowTest, TheCustomisationDialogAddsRemovesReordersAndRestores)
{
    Toolbar* toolbar = makeToolbar(true);
    window.show();
    ToolbarCustomizationDialog* dialog = toolbar->runCustomizationPalette();
    EXPECT_EQ(toolbar->runCustomizationPalette(), dialog);
    QListWidget* allowed = dialog->allowedList();
    QListWidget* current = dialog->currentList();
    // The item the factory refuses is not offered; the standard ones are.
    QStringList offered;
    for (int row = 0; row < allowed->count(); ++row)
        offered << allowed->item(row)->data(Qt::UserRole).toString();
    EXPECT_FALSE(offered.contains(QStringLiteral("openinmain")));
    EXPECT_TRUE(offered.contains(Toolbar::kSeparatorItemIdentifier));
    EXPECT_EQ(current->count(), toolbar->items().size());

    current->setCurrentRow(3); // delete
    allowed->setCurrentRow(int(offered.indexOf(kInfo)));
    dialog->addSelected();
    EXPECT_EQ(identifiersOf(*toolbar).at(4), kInfo);
    dialog->addSelected(); // shown already: not twice
    EXPECT_EQ(identifiersOf(*toolbar).count(kInfo), 1);
    dialog->moveSelected(-1);
    EXPECT_EQ(identifiersOf(*toolbar).at(3), kInfo);
    EXPECT_EQ(current->currentRow(), 3);
    current->setCurrentRow(2);
    dialog->removeSelected();
    EXPECT_FALSE(identifiersOf(*toolbar).contains(kNew));
    EXPECT_EQ(UserDefaults::standard()
                  .dictionaryForKey(configurationKey())
                  .value(QStringLiteral("TB Item Identifiers"))
                  .toStringList(),
        identifiersOf(*toolbar));
    bxtest::saveScreenshot(dialog->grab().toImage(), QStringLiteral("toolbar-customisation"));

    dialog->restoreDefaults();
    EXPECT_EQ(identifiersOf(*toolbar), delegate.defaultItemIdentifiers(toolbar));
    EXPECT_EQ(current->count(), toolbar->items().size());
    dialog->close();
}

TEST_F(ToolbarWindowTest, TheTrackingSeparatorStandsOverTheDividerInEveryDisplayMode)
{
    Toolbar* toolbar = makeToolbar(false);
    window.show();
    QCoreApplication::processEvents();
    const auto lineEdge = [&] {
        QWidget* view = toolbar->itemWithIdentifier(kTracking)->view();
        return view->mapToGlobal(QPoint(view->width(), 0)).x();
    };
    const auto dividerCentre = [&] {
        QSplitterHandle* handle = splitter->handle(1);
        return handle->mapToGlobal(QPoint(handle->width() / 2, 0)).x();
    };
    EXPECT_NEAR(lineEdge(), dividerCentre(), 2);
    splitter->setSizes({ 240, 180, 300 });
    QCoreApplication::processEvents();
    EXPECT_NEAR(lineEdge(), dividerCentre(), 2);

    const std::pair<Toolbar::DisplayMode, const char*> modes[] = {
        { Toolbar::DisplayMode::IconAndLabel, "icon-and-label" },
        { Toolbar::DisplayMode::IconOnly, "icon-only" },
        { Toolbar::DisplayMode::LabelOnly, "label-only" },
    };
    for (const auto& [mode, name] : modes) {
        SCOPED_TRACE(name);
        toolbar->setDisplayMode(mode);
        QCoreApplication::processEvents();
        EXPECT_EQ(qobject_cast<SegmentedControl*>(toolbar->itemWithIdentifier(kRecents)->view())
                      ->isTextOnly(),
            mode == Toolbar::DisplayMode::LabelOnly);
        EXPECT_NEAR(lineEdge(), dividerCentre(), 2);
        bxtest::saveScreenshot(
            window.grab().toImage(), QStringLiteral("toolbar-window-") + QLatin1String(name));
    }
}
