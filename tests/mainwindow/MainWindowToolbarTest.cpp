#include "MainWindowFixture.h"

#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/search/BXSearchField.h"

#include "lists/BXTableView.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SharingServices.h"
#include "platform/appkit/SpellingPanel.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarCustomizationDialog.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>

using platform::SymbolIcon;
using platform::Toolbar;
using platform::ToolbarItem;
using Tools = BXMainWindowToolbar;

namespace {

class MainWindowToolbarTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        platform::UserDefaults::standard().removeObject(
            QStringLiteral("NSToolbar Configuration ") + Tools::kToolbarIdentifier);
    }

    Toolbar* toolbar() const { return controller->mainToolbar()->toolbar(); }
    ToolbarItem* item(const QString& identifier) const
    {
        return toolbar()->itemWithIdentifier(identifier);
    }
    QStringList identifiers() const
    {
        QStringList shown;
        for (const ToolbarItem* each : toolbar()->items())
            shown << each->itemIdentifier();
        return shown;
    }
    ToolbarItem* readd(const QString& identifier)
    {
        const int index = int(identifiers().indexOf(identifier));
        if (index >= 0)
            toolbar()->removeItemAtIndex(index);
        settle();
        return toolbar()->insertItemWithItemIdentifier(identifier, int(toolbar()->items().size()));
    }
    void validate() { toolbar()->validateVisibleItems(); }
};

TEST_F(MainWindowToolbarTest, FactoryBuildsTheSixteenItemsAndNothingElse)
{
    makeFile({ QStringLiteral("One") });
    openWindow();
    const QStringList all = Tools::allToolbarItems();
    ASSERT_EQ(all.size(), 16);
    EXPECT_EQ(all.first(), Tools::kSidebarTool);
    EXPECT_EQ(all.at(13), Tools::kShowInListTool);
    EXPECT_EQ(all.last(), Tools::kWritingToolsTool);
    const QStringList allowed = controller->mainToolbar()->allowedItemIdentifiers(toolbar());
    EXPECT_TRUE(allowed.contains(Tools::kNotesSeparator));
    EXPECT_FALSE(allowed.contains(Tools::kDefaultStyleTool));

    Tools* tools = controller->mainToolbar();
    for (const QString& identifier : { Tools::kShowInListTool, QStringLiteral("unknown") }) {
        SCOPED_TRACE(identifier.toStdString());
        EXPECT_EQ(tools->itemForItemIdentifier(toolbar(), identifier, true), nullptr);
    }
    std::unique_ptr<ToolbarItem> sizes(
        tools->itemForItemIdentifier(toolbar(), Tools::kTextSizeTool, true));
    auto* segments = qobject_cast<platform::SegmentedControl*>(sizes->view());
    ASSERT_TRUE(segments);
    EXPECT_EQ(segments->tag(0), 4);
    EXPECT_EQ(segments->tag(1), 3);
    EXPECT_EQ(sizes->maxSize(), QSize(65, 24));
    EXPECT_EQ(platform::CommandRouter::action(segments), QStringLiteral("modifyFont:"));
}

TEST_F(MainWindowToolbarTest, FinishingSetsLockImageZoomTitleAndSidebarPlace)
{
    makeFile({ QStringLiteral("One") });
    openWindow();
    EXPECT_TRUE(item(Tools::kSidebarTool)->isNavigational());
    EXPECT_EQ(identifiers().first(), Tools::kSidebarTool);
    EXPECT_EQ(SymbolIcon::symbolName(item(Tools::kLockTool)->icon()), QStringLiteral("lock.open"));

    document->setRequirePassword(true, QStringLiteral("secret"));
    EXPECT_EQ(SymbolIcon::symbolName(item(Tools::kLockTool)->icon()), QStringLiteral("lock"));
    ToolbarItem* lock = readd(Tools::kLockTool);
    ASSERT_TRUE(lock);
    EXPECT_EQ(SymbolIcon::symbolName(lock->icon()), QStringLiteral("lock"));

    controller->zoomToFactor(1.5);
    ToolbarItem* zoom = readd(Tools::kZoomTool);
    ASSERT_TRUE(zoom);
    auto* popup = qobject_cast<platform::PopUpButton*>(zoom->view());
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->title(), QStringLiteral("150%"));
    ASSERT_EQ(popup->items().size(), 9);
    EXPECT_EQ(popup->items().at(4)->text(), QStringLiteral("125%"));
    // The pop-up follows later zooms too.
    controller->zoomToFactor(0.29);
    EXPECT_EQ(popup->title(), QStringLiteral("29%"));
}

TEST_F(MainWindowToolbarTest, DefaultSetIsTheRecordedOneWithoutAskingItselfAgain)
{
    makeFile({ QStringLiteral("One") });
    openWindow();
    Tools* tools = controller->mainToolbar();
    // Nothing saved: the toolbar's own set, read through its configuration, which asks the
    // delegate once more and must hear nothing back instead of recursing.
    platform::UserDefaults::standard().removeObject(toolbar()->configurationKey());
    const QStringList own = tools->defaultItemIdentifiers(toolbar());
    ASSERT_FALSE(own.isEmpty());
    EXPECT_EQ(own, toolbar()->defaultItemIdentifiers());

    QVariantMap saved;
    saved.insert(QStringLiteral("TB Default Item Identifiers"),
        QStringList { Tools::kPrintTool, Tools::kInfoTool });
    platform::UserDefaults::standard().setDictionary(toolbar()->configurationKey(), saved);
    EXPECT_EQ(tools->defaultItemIdentifiers(toolbar()),
        (QStringList { Tools::kPrintTool, Tools::kInfoTool }));
}

TEST(MainWindowToolbarIndexTest, InsertionIndexTable)
{
    const QStringList items { "x", "y", "z" };
    const struct {
        QStringList request;
        QStringList items;
        QVariantMap option;
        std::optional<int> index;
        QStringList missing;
    } cases[] = {
        { { "w" }, items, { { "AdjacentIdentifier", "y" }, { "Before", false } }, 2, { "w" } },
        { { "w" }, items, { { "AdjacentIdentifier", "y" }, { "Before", true } }, 1, { "w" } },
        { { "w" }, items, { { "AdjacentIdentifier", "q" }, { "Location", 7 } }, 2, { "w" } },
        { { "w", "x" }, items, { { "Location", 1 } }, 1, { "w" } },
        { { "x", "z" }, items, { { "Location", 0 } }, std::nullopt, {} },
        { {}, items, {}, std::nullopt, {} },
        { { "w" }, {}, { { "Location", 5 } }, 0, { "w" } },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.request.join(u',').toStdString());
        QStringList missing { "stale" };
        EXPECT_EQ(Tools::guessedInsertionIndexForToolbarItemIdentifiers(
                      each.request, each.items, &missing, each.option),
            each.index);
        EXPECT_EQ(missing, each.missing);
    }
}

TEST(MainWindowToolbarIndexTest, NotesSeparatorGoesAfterTheSidebarAndNeverPastTheEnd)
{
    const QString sidebar = Tools::kSidebarTrackingSeparator;
    const struct {
        QStringList items;
        std::optional<int> oldIndex;
        int index;
    } cases[] = {
        { {}, std::nullopt, 0 },
        { { "a" }, std::nullopt, 1 },
        { { "a", "b", "c" }, std::nullopt, 1 },
        { { "a", "b", sidebar, "c" }, std::nullopt, 3 },
        { { "a", "b", "c" }, 2, 2 },
        { { "a" }, 4, 1 },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.items.join(u',').toStdString());
        EXPECT_EQ(Tools::notesSeparatorIndex(each.items, each.oldIndex), each.index);
    }
}

TEST_F(MainWindowToolbarTest, ItemsFollowTheirRulesAndTheResponders)
{
    makeFile({ QStringLiteral("One"), QStringLiteral("Two") });
    openWindow();
    for (const QString& identifier : { Tools::kTagsTool, Tools::kInfoTool })
        toolbar()->insertItemWithItemIdentifier(identifier, int(toolbar()->items().size()));
    select({});
    validate();
    EXPECT_FALSE(item(Tools::kShareTool)->isEnabled());
    EXPECT_TRUE(item(Tools::kNewNoteTool)->isEnabled());
    EXPECT_TRUE(item(Tools::kTagsTool)->isEnabled());
    EXPECT_TRUE(item(Tools::kInfoTool)->isEnabled());
    EXPECT_TRUE(item(Tools::kSidebarTool)->isEnabled());

    select({ noteTitled(QStringLiteral("One")) });
    controller->notesTableView()->setFocus();
    validate();
    EXPECT_TRUE(item(Tools::kShareTool)->isEnabled());
    EXPECT_FALSE(item(Tools::kTextSizeTool)->isEnabled());
    EXPECT_EQ(item(Tools::kDeleteTool)->label(), QStringLiteral("Delete Note"));

    // The sidebar item hides the sidebar; the tags rule follows it.
    item(Tools::kSidebarTool)->trigger();
    settle();
    EXPECT_TRUE(controller->listsCollapsed());
    validate();
    EXPECT_FALSE(item(Tools::kTagsTool)->isEnabled());
    item(Tools::kSidebarTool)->trigger();
    settle();
    EXPECT_FALSE(controller->listsCollapsed());

    const int beeps = input.beepCount();
    toolbar()->insertItemWithItemIdentifier(Tools::kWritingToolsTool, 3);
    item(Tools::kWritingToolsTool)->trigger();
    EXPECT_EQ(input.beepCount(), beeps + 1);
}

TEST_F(MainWindowToolbarTest, ShareAndSpellingItemsOpenTheirMenuAndPanel)
{
    makeFile({ QStringLiteral("Garden\nThe tulpis need water") });
    openWindow();
    select({ noteTitled(QStringLiteral("Garden")) });
    textView->setFocus();
    QMenu* menu = controller->mainToolbar()->showSharingServicePicker();
    ASSERT_TRUE(menu);
    EXPECT_EQ(
        menu->actions().size(), qsizetype(platform::SharingServices::shared().services().size()));
    menu->close();

    toolbar()->insertItemWithItemIdentifier(Tools::kSpellCheckTool, 3);
    validate();
    item(Tools::kSpellCheckTool)->trigger();
    settle();
    platform::SpellingPanel* panel = controller->mainToolbar()->spellingPanel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->word(), QStringLiteral("tulpis"));
    panel->grab().save(QCoreApplication::applicationDirPath() + "/toolbar-spelling-panel.png");
}

TEST_F(MainWindowToolbarTest, ConfigurationSurvivesReopeningAndDamageGivesTheDefaults)
{
    makeFile({ QStringLiteral("One") });
    openWindow();
    const QStringList defaults = identifiers();
    EXPECT_EQ(defaults.indexOf(Tools::kNotesSeparator), 3);
    toolbar()->insertItemWithItemIdentifier(Tools::kInfoTool, 2);
    toolbar()->setDisplayMode(Toolbar::DisplayMode::IconOnly);
    const QStringList arranged = identifiers();
    closeWindow();

    openWindow();
    EXPECT_EQ(identifiers(), arranged);
    EXPECT_EQ(toolbar()->displayMode(), Toolbar::DisplayMode::IconOnly);
    closeWindow();

    // Unknown identifiers are dropped; the notes separator keeps its saved place.
    const QString key = QStringLiteral("NSToolbar Configuration ") + Tools::kToolbarIdentifier;
    QVariantMap saved = platform::UserDefaults::standard().dictionaryForKey(key);
    saved.insert(QStringLiteral("TB Item Identifiers"),
        QStringList { Tools::kSidebarTool, QStringLiteral("com.example.gone"), Tools::kPrintTool,
            Tools::kNotesSeparator, Tools::kInfoTool });
    platform::UserDefaults::standard().setDictionary(key, saved);
    openWindow();
    EXPECT_EQ(identifiers(),
        (QStringList {
            Tools::kSidebarTool, Tools::kPrintTool, Tools::kNotesSeparator, Tools::kInfoTool }));
    closeWindow();

    saved.insert(QStringLiteral("TB Item Identifiers"), 42);
    platform::UserDefaults::standard().setDictionary(key, saved);
    openWindow();
    EXPECT_EQ(identifiers(), defaults);
}

TEST_F(MainWindowToolbarTest, SearchItemHostsTheFieldWhichKeepsWhatIsTyped)
{
    makeFile({ QStringLiteral("One") });
    openWindow();
    QLineEdit* field = controller->search()->searchField();
    ToolbarItem* search = toolbar()->itemWithIdentifier(Tools::kSearchTool);
    ASSERT_TRUE(search);
    EXPECT_TRUE(search->view()->isAncestorOf(field));
    EXPECT_EQ(SymbolIcon::symbolName(search->icon()), QStringLiteral("magnifyingglass"));
    EXPECT_EQ(field->minimumWidth(), 28);
    EXPECT_EQ(field->maximumWidth(), 200);
    for (const QString& typed : { QStringLiteral("--"), QStringLiteral("teh") }) {
        field->clear();
        field->setFocus();
        QTest::keyClicks(field, typed);
        EXPECT_EQ(field->text(), typed);
    }
    QPointer<QLineEdit> kept(field);
    readd(Tools::kSearchTool);
    settle();
    ASSERT_TRUE(kept);
    EXPECT_TRUE(toolbar()->itemWithIdentifier(Tools::kSearchTool)->view()->isAncestorOf(field));
}

TEST_F(MainWindowToolbarTest, ScreenshotsOfEachDisplayModeAndTheCustomisationDialog)
{
    makeFile({ QStringLiteral("Garden\nRoses by the wall.") });
    openWindow();
    select({ noteTitled(QStringLiteral("Garden")) });
    const std::pair<Toolbar::DisplayMode, const char*> modes[]
        = { { Toolbar::DisplayMode::IconAndLabel, "toolbar-icon-and-label.png" },
              { Toolbar::DisplayMode::IconOnly, "toolbar-icon-only.png" },
              { Toolbar::DisplayMode::LabelOnly, "toolbar-label-only.png" } };
    for (const auto& [mode, name] : modes) {
        toolbar()->setDisplayMode(mode);
        validate();
        settle();
        screenshot(QLatin1String(name));
    }
    platform::ToolbarCustomizationDialog* dialog = toolbar()->runCustomizationPalette();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_EQ(dialog->currentList()->count(), toolbar()->items().size());
    EXPECT_GE(dialog->allowedList()->count(), 16);
    dialog->grab().save(
        QCoreApplication::applicationDirPath() + QStringLiteral("/toolbar-customisation.png"));
    dialog->close();
}

// The search hint shows whole or not at all: a field squeezed too narrow for it shows its
// magnifier alone and keeps the hint as its tool tip, and takes it back when widened.
TEST(SearchField, HintShowsWholeOrNotAtAll)
{
    BXSearchField field;
    field.setHint(QStringLiteral("Search Words"));
    field.show();
    const struct {
        int width;
        bool shown;
    } cases[] = { { 220, true }, { 60, false }, { 28, false }, { 200, true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        field.setFixedWidth(c.width);
        QCoreApplication::processEvents();
        EXPECT_EQ(field.placeholderText(), c.shown ? field.hint() : QString());
        EXPECT_EQ(field.toolTip(), c.shown ? QString() : field.hint());
    }
}

} // namespace
