#include "SidebarFixture.h"

#include "document/model/BXCategory.h"
#include "document/model/BXFetchedNotesCategory.h"

#include "platform/data/FetchRequest.h"

#include <QFile>
#include <QSignalSpy>

#include <sqlite3.h>

using namespace platform;

namespace {

const QStringList kSmart { QStringLiteral("All Notes"), QStringLiteral("Recent Notes"),
    QStringLiteral("No Category") };

BXCategory* category(const ManagedObjectPtr& object)
{
    return static_cast<BXCategory*>(object.get());
}

} // namespace

using CategoriesControllerTest = SidebarFixture;

TEST_F(CategoriesControllerTest, OpeningCreatesTheSmartCategoriesOnceWithoutUndo)
{
    EXPECT_EQ(arrangedNames(), kSmart);
    EXPECT_FALSE(undo.canUndo());
    ASSERT_EQ(controller->hierarchicalContent().size(), 1);
    EXPECT_EQ(controller->hierarchicalContent().first(), controller->smartSection());
    EXPECT_EQ(controller->allNotesCategory()->identifier(), BXCategory::AllNotesCategoryID);
    EXPECT_EQ(controller->recentNotesCategory()->predicate()->predicateFormat(),
        QStringLiteral("noteModified >= $dateBeforeNow"));

    makeCategory(QStringLiteral("Work"));
    saveAndReopenSidebar();
    saveAndReopenSidebar();
    EXPECT_EQ(smartCategoriesInStore(), 3);
    EXPECT_EQ(arrangedNames(), kSmart + QStringList { QStringLiteral("Work") });
}

TEST_F(CategoriesControllerTest, ExtraSmartCategoriesInTheStoreStayUntouchedAndUnlisted)
{
    auto extra = std::dynamic_pointer_cast<BXFetchedNotesCategory>(
        context->insertNewObjectForEntityForName(BXFetchedNotesCategory::entityName()));
    extra->setCategoryID(BXCategory::NoCategoryID);
    saveAndReopenSidebar();
    EXPECT_EQ(smartCategoriesInStore(), 4);
    EXPECT_EQ(arrangedNames(), kSmart);
}

TEST_F(CategoriesControllerTest, DefaultCategoryBecomesAUserCategory)
{
    ManagedObjectPtr old = makeCategory(QStringLiteral("Inbox"));
    category(old)->setCategoryID(BXCategory::DefaultCategoryID);
    saveAndReopenSidebar();
    ManagedObjectPtr inbox = arranged(QStringLiteral("Inbox"));
    ASSERT_TRUE(inbox);
    EXPECT_TRUE(category(inbox)->categoryID().isEmpty());
    EXPECT_EQ(sectionNames(controller->tagsSection()), QStringList { QStringLiteral("Inbox") });
}

TEST_F(CategoriesControllerTest, UserCategoriesOrderByPositionThenNameIgnoringCase)
{
    makeCategory(QStringLiteral("Banana"), 0);
    makeCategory(QStringLiteral("apple"), 0);
    makeCategory(QStringLiteral("Zed"), -1);
    makeCategory(QStringLiteral("cherry"), 2);
    saveAndReopenSidebar();
    EXPECT_EQ(sectionNames(controller->tagsSection()),
        (QStringList { "Zed", "apple", "Banana", "cherry" }));
    // Built-ins come first whatever their position.
    category(noCategory())->setPosition(-100);
    controller->rearrangeObjects();
    EXPECT_EQ(arrangedNames().mid(0, 3), kSmart);
}

TEST_F(CategoriesControllerTest, HidingBuiltInsGoesThroughTheFilter)
{
    struct Case {
        bool showRecent;
        bool showNo;
        QStringList smart;
    };
    const Case cases[] = {
        { false, true, { "All Notes", "No Category" } },
        { true, false, { "All Notes", "Recent Notes" } },
        { false, false, { "All Notes" } },
        { true, true, kSmart },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.smart.join(',').toStdString());
        controller->setShowRecentNotesCategory(c.showRecent);
        controller->setShowNoCategory(c.showNo);
        EXPECT_EQ(sectionNames(controller->smartSection()), c.smart);
    }
}

TEST_F(CategoriesControllerTest, SearchScopeAnswersForAllNotesAndAnnouncesTheSelection)
{
    makeCategory(QStringLiteral("Work"));
    controller->setSelectionIndex(3);
    QSignalSpy spy(controller.get(), &ArrayController::selectionChanged);
    controller->setSearchScope(1);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(controller->selection()->objects(), QList<ManagedObjectPtr> { allNotes() });
    controller->setSearchScope(0);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(controller->selection()->objects(), QList<ManagedObjectPtr> { arranged("Work") });
}

TEST_F(CategoriesControllerTest, NoteInsertsAndDeletesRefreshSelectedSmartCategoriesOnly)
{
    ManagedObjectPtr kept = makeNote(QStringLiteral("kept"));
    context->processPendingChanges();
    controller->setSelectedObjects({ recentNotes() });
    QSignalSpy spy(controller.get(), &BXCategoriesArrayController::selectedCategoryNotesChanged);

    makeNote(QStringLiteral("new"));
    context->processPendingChanges();
    EXPECT_EQ(spy.count(), 1) << "announced also in a never-saved document";

    kept->setValue(QStringLiteral("edited"), QStringLiteral("noteTitle"));
    context->processPendingChanges();
    EXPECT_EQ(spy.count(), 1) << "edits alone do not refresh";

    context->deleteObject(kept);
    context->processPendingChanges();
    EXPECT_EQ(spy.count(), 2);

    controller->setSelectedObjects({ makeCategory(QStringLiteral("Work")) });
    makeNote(QStringLiteral("another"));
    context->processPendingChanges();
    EXPECT_EQ(spy.count(), 2) << "a plain category is not refreshed";
}

TEST_F(CategoriesControllerTest, RenamingSavesAtOnceWithANamedUndoStep)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    makeCategory(QStringLiteral("Ideas"));
    controller->setSelectedObjects({ work });
    undo.beginUndoGrouping();
    EXPECT_TRUE(controller->renameCategory(work, QStringLiteral("Zebra")));
    turn();
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Change Category Name"));
    EXPECT_FALSE(context->hasChanges()) << "saved at once";
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Ideas", "Zebra" }));
    EXPECT_EQ(controller->selectedObjects(), QList<ManagedObjectPtr> { work }) << "selection kept";

    turn();

    undo.undo();
    EXPECT_EQ(category(work)->categoryName(), QStringLiteral("Work"));
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Change Category Name"));
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Ideas", "Work" }));
    saveAndReopenSidebar();
    EXPECT_TRUE(arranged("Work"));
}

// The document's undo manager outlives any one sidebar: a step of a sidebar that is gone
// changes nothing and touches nothing of it.
TEST_F(CategoriesControllerTest, AddAndDeleteStepsOfAClosedSidebarDoNothing)
{
    const ManagedObjectPtr added = controller->newCategoryWithName(QStringLiteral("Garden"), true);
    turn();
    controller->removeCategories({ arranged(QStringLiteral("Garden")) }, false);
    turn();
    ASSERT_EQ(undo.undoActionName(), QStringLiteral("Delete Category"));
    controller.reset();
    undo.undo();
    turn();
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Delete Category"));
    undo.undo();
    turn();
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Add Category"));
    EXPECT_NE(added, nullptr);
}

TEST_F(CategoriesControllerTest, RenameRules)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    makeCategory(QStringLiteral("Ideas"));
    struct Case {
        const char* typed;
        bool applied;
        const char* name;
        int alerts;
    };
    const Case cases[] = {
        { "WORK", true, "WORK", 0 }, // its own name in other letters
        { "ideas", false, "WORK", 1 }, // another category's name ignoring case
        { "   ", false, "WORK", 0 },
        { " Plans \n", true, "Plans", 0 },
        { "Plans", false, "Plans", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const size_t before = alerts.shown().size();
        EXPECT_EQ(controller->renameCategory(work, QString::fromUtf8(c.typed)), c.applied);
        turn();
        EXPECT_EQ(category(work)->categoryName(), QString::fromUtf8(c.name));
        EXPECT_EQ(int(alerts.shown().size() - before), c.alerts);
    }
    const Alert& duplicate = alerts.shown().back().alert;
    EXPECT_EQ(duplicate.buttonTitles.size(), 1);
    EXPECT_TRUE(duplicate.informativeText.contains(QStringLiteral("ideas")));
    EXPECT_FALSE(controller->categoryExistsWithName(QString(), nullptr));
}

TEST_F(CategoriesControllerTest, IgnoringObservationDropsEveryReaction)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    makeCategory(QStringLiteral("Ideas"));
    controller->setIgnoreObservation(true);
    category(work)->setCategoryName(QStringLiteral("Alpha"));
    EXPECT_TRUE(context->hasChanges());
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Ideas", "Alpha" }));
    controller->setShowNoCategory(false);
    EXPECT_EQ(arrangedNames().size(), 5);
    controller->setIgnoreObservation(false);
    controller->rearrangeObjects();
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Alpha", "Ideas" }));
}

TEST_F(CategoriesControllerTest, TagPeekMarksCategoriesHoldingEveryPeekedNote)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ManagedObjectPtr home = makeCategory(QStringLiteral("Home"));
    ManagedObjectPtr both = makeCategory(QStringLiteral("Both"));
    ManagedObjectPtr a = makeNote(QStringLiteral("a"), { work, both });
    ManagedObjectPtr b = makeNote(QStringLiteral("b"), { home, both });
    a->setValue(QDateTime::currentDateTimeUtc(), QStringLiteral("noteModified"));
    b->setValue(QDateTime::currentDateTimeUtc(), QStringLiteral("noteModified"));
    controller->setSelectedObjects({ work });
    QSignalSpy spy(controller.get(), &BXCategoriesArrayController::hiliteChanged);

    controller->setNotesToCheckIfContained(Objects { a, b });
    EXPECT_EQ(spy.count(), 1);
    struct Case {
        ManagedObjectPtr category;
        bool hilited;
    };
    const Case cases[] = {
        { both, true },
        { home, false },
        { work, false },
        { allNotes(), true },
        { recentNotes(), true },
        { noCategory(), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(category(c.category)->categoryName().toStdString());
        EXPECT_EQ(controller->isHilited(c.category.get()), c.hilited);
    }
    controller->setNotesToCheckIfContained(Objects { a });
    EXPECT_FALSE(controller->isHilited(work.get())) << "a selected category is never marked";
    controller->setSelectedObjects({ home });
    EXPECT_TRUE(controller->isHilited(work.get()));
    controller->setNotesToCheckIfContained(std::nullopt);
    EXPECT_FALSE(controller->isHilited(both.get()));
}

TEST_F(CategoriesControllerTest, KindsAndPlainQuestions)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    controller->setSelectionIndexes(IndexSet());
    EXPECT_TRUE(controller->plainCategorySelected());
    controller->setSelectedObjects({ work, allNotes() });
    EXPECT_FALSE(controller->plainCategorySelected());
    EXPECT_FALSE(controller->userCategorySelected());
    EXPECT_EQ(controller->selectedPlainCategories(), Objects { work });
    EXPECT_EQ(controller->plainCategories(), Objects { work });
    EXPECT_EQ(controller->selectedCategoryNames(), QStringLiteral("“Work”"));
    EXPECT_TRUE(controller->isBuiltInCategoryAtIndex(0));
    EXPECT_FALSE(controller->isPlainCategoryAtIndex(-1));
    EXPECT_FALSE(controller->isPlainCategoryAtIndex(4));
    EXPECT_TRUE(controller->isPlainCategoryAtIndex(3));
    EXPECT_EQ(
        BXCategoriesArrayController::builtInCategoriesInCategories({ work, allNotes(), allNotes() })
            .size(),
        1);
}

namespace {

void renameTable(const QUrl& store, const char* statement)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(store.toLocalFile()).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

} // namespace

TEST_F(CategoriesControllerTest, AFailingLookUpInsertsNothingAndLeavesNoDuplicate)
{
    saveAndReopenSidebar();
    controller.reset();
    open();
    context->setUndoManager(&undo);
    // The store went bad under an open document.
    renameTable(storeURL, "ALTER TABLE ZCATEGORY RENAME TO ZCATEGORYAWAY");
    openSidebar();
    EXPECT_FALSE(controller->allNotesCategory());
    EXPECT_TRUE(controller->arrangedObjects().isEmpty());
    EXPECT_FALSE(context->hasChanges()) << "nothing inserted";
    controller->setSearchScope(1);
    EXPECT_TRUE(controller->selection()->objects().isEmpty()) << "the normal selection";

    controller.reset();
    renameTable(storeURL, "ALTER TABLE ZCATEGORYAWAY RENAME TO ZCATEGORY");
    open();
    context->setUndoManager(&undo);
    openSidebar();
    EXPECT_EQ(smartCategoriesInStore(), 3);
    EXPECT_EQ(arrangedNames(), kSmart);
}
