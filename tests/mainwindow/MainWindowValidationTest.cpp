#include "MainWindowFixture.h"

#include "mainwindow/BXBottomTableViewBoxView.h"
#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/BXMainWindowValidation.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/noteslist/BXNotesArrayController.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SharingServices.h"
#include "platform/testing/FakeWindowTracker.h"

#include <QAction>
#include <QMenu>

using platform::Command;

namespace {

class MainWindowValidationTest : public MainWindowFixture {
protected:
    // The router's verdict on a menu item with `action` and `tag`: enabled, title, check.
    struct Verdict {
        bool enabled;
        QString title;
        bool checked;
    };
    Verdict validate(const QString& action, int tag = 0)
    {
        QAction item(QStringLiteral("untitled"));
        item.setCheckable(true);
        platform::CommandRouter::setAction(&item, action, tag);
        Command command = platform::CommandRouter::commandFor(&item);
        const std::optional<bool> answer = controller->validation()->validateMenuItem(command);
        const std::optional<QString> title = controller->titleFor(command);
        return { answer.value_or(true), title.value_or(item.text()),
            command.checked.value_or(false) };
    }
    BXMainWindowValidation* validation() const { return controller->validation(); }
};

TEST_F(MainWindowValidationTest, ExportDeleteAndNoteCommandsFollowTheSelection)
{
    makeFile({ QStringLiteral("One"), QStringLiteral("Two") });
    openWindow();
    const std::shared_ptr<BXNote> one = noteTitled(QStringLiteral("One"));
    const std::shared_ptr<BXNote> two = noteTitled(QStringLiteral("Two"));
    const struct {
        QList<std::shared_ptr<BXNote>> selected;
        bool enabled;
        const char* exportTitle;
        const char* deleteTitle;
    } cases[] = {
        { {}, false, "Export Note…", "Delete Page…" },
        { { one }, true, "Export Note…", "Delete Page…" },
        { { one, two }, true, "Export Notes…", "Delete Pages…" },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.selected.size());
        select(each.selected);
        const Verdict exporting = validate(QStringLiteral("exportSelectedNotes:"));
        EXPECT_EQ(exporting.enabled, each.enabled);
        EXPECT_EQ(exporting.title, QString::fromUtf8(each.exportTitle));
        EXPECT_EQ(validate(QStringLiteral("deleteSelectedNotes:")).title,
            QString::fromUtf8(each.deleteTitle));
        EXPECT_EQ(validate(QStringLiteral("deleteSelectedNotes:")).enabled, each.enabled);
        for (const char* action : { "duplicateSelectedNotes:", "renameNote:",
                 "openSelectedNotesInSeparateWindow:", "shareFromService:" })
            EXPECT_EQ(validate(QLatin1String(action)).enabled, each.enabled) << action;
        EXPECT_EQ(validation()->isNoteSelected(), each.enabled);
        EXPECT_TRUE(validate(QStringLiteral("exportFoundNotes:")).enabled);
    }
    EXPECT_TRUE(validation()->hasAvailableNotes());
    EXPECT_FALSE(validation()->isNoteClicked());
    // A row-less action is left to whoever answers it.
    Command other;
    other.action = QStringLiteral("toggleRuler:");
    EXPECT_FALSE(validation()->validateMenuItem(other).has_value());
}

TEST_F(MainWindowValidationTest, SidebarAndTagsTitlesFollowTheSidebar)
{
    makeFile({ QStringLiteral("One") });
    openWindow();
    EXPECT_EQ(validate(QStringLiteral("toggleLists:")).title, QStringLiteral("Hide Sidebar"));
    EXPECT_TRUE(validate(QStringLiteral("toggleTagsBar:")).enabled);
    controller->toggleLists();
    settle();
    const Verdict sidebar = validate(QStringLiteral("toggleLists:"));
    EXPECT_TRUE(sidebar.enabled);
    EXPECT_EQ(sidebar.title, QStringLiteral("Show Sidebar"));
    EXPECT_FALSE(validate(QStringLiteral("toggleTagsBar:")).enabled);
    // Disabled, it still tells the tags bar's state.
    EXPECT_EQ(validate(QStringLiteral("toggleTagsBar:")).title, QStringLiteral("Hide Tags"));
}

TEST_F(MainWindowValidationTest, ZoomBoundsAndTheCheckedPercent)
{
    makeFile({ QStringLiteral("One") });
    openWindow();
    const struct {
        double zoom;
        bool in, out, actual;
        int checkedPercent;
    } cases[] = {
        { 4.0, false, true, true, 400 },
        { 0.25, true, false, true, 25 },
        { 1.0, true, true, false, 100 },
        { 1.25, true, true, true, 125 },
        { 1.255, true, true, true, 125 },
        { 0.29, true, true, true, 29 },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.zoom);
        controller->zoomToFactor(each.zoom);
        EXPECT_EQ(validate(QStringLiteral("increaseZoom:")).enabled, each.in);
        EXPECT_EQ(validate(QStringLiteral("decreaseZoom:")).enabled, each.out);
        EXPECT_EQ(validate(QStringLiteral("resetZoom:")).enabled, each.actual);
        EXPECT_TRUE(validate(QStringLiteral("setZoom:"), each.checkedPercent).checked);
        EXPECT_FALSE(validate(QStringLiteral("setZoom:"), each.checkedPercent - 1).checked);
    }
}

TEST_F(MainWindowValidationTest, SortAndListOptionChecks)
{
    makeFile({ QStringLiteral("One") });
    openWindow();
    BXNotesArrayController* notes = controller->notesController();
    const struct {
        QList<platform::SortDescriptor> sort;
        int checkedTag;
    } cases[] = {
        { { platform::SortDescriptor(QStringLiteral("noteCreated")) }, 1 },
        { { platform::SortDescriptor(QStringLiteral("noteModified"), false) }, 2 },
        { { platform::SortDescriptor(QStringLiteral("noteTitle")) }, 0 },
        { {}, -1 },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.checkedTag);
        notes->setSortDescriptors(each.sort);
        for (int tag = 0; tag <= 2; ++tag)
            EXPECT_EQ(validate(QStringLiteral("setNotesSortDescriptors:"), tag).checked,
                tag == each.checkedTag);
    }
    controller->categoriesController()->setShowNoCategory(false);
    EXPECT_FALSE(validate(QStringLiteral("toggleShowNoCategory:")).checked);
    EXPECT_TRUE(validate(QStringLiteral("toggleShowRecentNotesCategory:")).checked);
    notes->setNoteCreatedColumnVisible(true);
    EXPECT_TRUE(validate(QStringLiteral("toggleShowNoteCreatedColumn:")).checked);
    EXPECT_FALSE(validate(QStringLiteral("toggleShowNoteModifiedColumn:")).checked);
}

TEST_F(MainWindowValidationTest, SelectObjectsRefusesWhatTheListDoesNotShow)
{
    makeFile({ QStringLiteral("One"), QStringLiteral("Two") });
    openWindow();
    BXNotesArrayController* notes = controller->notesController();
    const std::shared_ptr<BXNote> one = noteTitled(QStringLiteral("One"));
    select({ one });
    const BXNote::NotePtr stranger
        = BXNote::newNoteInManagedObjectContext(document->managedObjectContext(), {}, {});
    EXPECT_FALSE(BXMainWindowValidation::selectObjects({ stranger }, notes));
    EXPECT_FALSE(BXMainWindowValidation::selectObjects({}, notes));
    EXPECT_EQ(notes->selectedObjects(), (QList<platform::ManagedObjectPtr> { one }));
    const std::shared_ptr<BXNote> two = noteTitled(QStringLiteral("Two"));
    EXPECT_TRUE(BXMainWindowValidation::selectObjects({ two }, notes));
    EXPECT_EQ(BXMainWindowValidation::selectedURIsInController(notes),
        (QList<QUrl> { two->objectID().URIRepresentation() }));
}

TEST_F(MainWindowValidationTest, HistoryMenuUpdatesAndCancelsAndShareMenusListTheServices)
{
    makeFile({ QStringLiteral("One"), QStringLiteral("Two") });
    openWindow();
    select({ noteTitled(QStringLiteral("One")) });
    select({ noteTitled(QStringLiteral("Two")) });
    QMenu history;
    history.setObjectName(BXMainWindowHistory::kHistoryMenuName);
    const int count = validation()->numberOfItemsInMenu(&history);
    ASSERT_EQ(count, 4);
    for (int index = 0; index < count; ++index)
        EXPECT_TRUE(
            validation()->menuUpdateItem(&history, history.addAction(QString()), index, false));
    EXPECT_EQ(history.actions().at(1)->text(), QStringLiteral("Two"));
    EXPECT_FALSE(validation()->menuUpdateItem(&history, history.actions().first(), 0, true));
    EXPECT_TRUE(history.actions().isEmpty());

    QMenu share;
    const auto& services = platform::SharingServices::shared().services();
    ASSERT_EQ(validation()->numberOfItemsInMenu(&share), int(services.size()));
    for (int index = 0; index < int(services.size()); ++index) {
        QAction* item = share.addAction(QString());
        ASSERT_TRUE(validation()->menuUpdateItem(&share, item, index, false));
        EXPECT_EQ(item->text(), services.at(size_t(index))->title());
        EXPECT_EQ(platform::CommandRouter::action(item), QStringLiteral("shareFromService:"));
        EXPECT_EQ(platform::CommandRouter::representedObject(item).toString(),
            services.at(size_t(index))->identifier());
        EXPECT_EQ(platform::CommandRouter::target(item), controller.data());
    }
}

TEST(BottomTableViewBoxViewTest, FillFollowsWhetherItsWindowIsMain)
{
    platform::FakeWindowTracker tracker;
    QWidget firstWindow;
    QWidget secondWindow;
    platform::WindowController first;
    platform::WindowController second;
    first.setWindow(&firstWindow);
    second.setWindow(&secondWindow);
    auto* firstBox = new BXBottomTableViewBoxView(&firstWindow);
    auto* secondBox = new BXBottomTableViewBoxView(&secondWindow);
    const QColor initial = firstBox->fillColor();

    tracker.setMainWindowController(&second);
    EXPECT_EQ(firstBox->fillColor(), initial);
    EXPECT_EQ(secondBox->fillColor(), secondBox->activeColor());
    tracker.setMainWindowController(&first);
    EXPECT_EQ(firstBox->fillColor(), firstBox->activeColor());
    EXPECT_EQ(secondBox->fillColor(), secondBox->inactiveColor());
    EXPECT_EQ(secondBox->inactiveColor(), QColor::fromHsvF(0.906f, 0.0f, 0.907f));
}

} // namespace
