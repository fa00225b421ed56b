#include "SidebarFixture.h"

#include "lists/sidebar/BXCategoryOrder.h"

#include "document/model/BXCategory.h"

using namespace platform;

namespace {

BXCategory* category(const ManagedObjectPtr& object)
{
    return static_cast<BXCategory*>(object.get());
}

} // namespace

class CategoryOperationsTest : public SidebarFixture {
protected:
    // Answers the pending sheet.
    void answer(int button, bool box = false)
    {
        ASSERT_EQ(alerts.pendingSheetCount(), 1);
        ASSERT_TRUE(alerts.answerSheet(nullptr, button, box));
    }
    const Alert& lastAlert() const { return alerts.shown().back().alert; }
};

TEST_F(CategoryOperationsTest, DeleteSheetTextsFollowTheDistinctNotes)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ManagedObjectPtr home = makeCategory(QStringLiteral("Home"));
    ManagedObjectPtr empty = makeCategory(QStringLiteral("Empty"));
    ManagedObjectPtr one = makeCategory(QStringLiteral("One"));
    makeNote("a", { work, home });
    makeNote("b", { work, home });
    makeNote("c", { work });
    makeNote("d", { one });
    struct Case {
        Objects categories;
        QString message;
        QString box;
    };
    const Case cases[] = {
        { { work }, QStringLiteral("Do you want to delete the “Work” category?"),
            QStringLiteral("Delete also all the 3 notes associated with this tag") },
        { { one }, QStringLiteral("Do you want to delete the “One” category?"),
            QStringLiteral("Delete also the note associated with this tag") },
        { { empty }, QStringLiteral("Do you want to delete the “Empty” category?"), QString() },
        // A note in two of them counts once.
        { { work, home }, QStringLiteral("Do you want to delete the “Work”, “Home” categories?"),
            QStringLiteral("Delete also all the 3 notes associated with these tags") },
        { { empty, one }, QStringLiteral("Do you want to delete the “Empty”, “One” categories?"),
            QStringLiteral("Delete also the note associated with these tags") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        controller->attemptCategoriesDeletion(c.categories);
        EXPECT_EQ(lastAlert().messageText, c.message);
        EXPECT_EQ(lastAlert().suppressionTitle, c.box);
        EXPECT_EQ(lastAlert().style, AlertStyle::Informational);
        EXPECT_EQ(lastAlert().buttonTitles, (QStringList { "Delete", "Cancel" }));
        EXPECT_TRUE(lastAlert().informativeText.isEmpty());
        answer(1);
    }
    EXPECT_EQ(controller->arrangedObjects().size(), 7) << "Cancel deletes nothing";
}

TEST_F(CategoryOperationsTest, DeletingWithTheBoxHandsTheDistinctNotesOverOnce)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ManagedObjectPtr home = makeCategory(QStringLiteral("Home"));
    makeNote("a", { work, home });
    makeNote("b", { work });
    controller->setSelectedObjects({ work, home });
    controller->deleteSelection(nullptr);
    answer(0, true);
    ASSERT_EQ(delegate.deleted.size(), 1);
    EXPECT_EQ(delegate.deleted.first().size(), 2);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Delete Categories"));
    EXPECT_EQ(controller->arrangedObjects().size(), 3);
}

TEST_F(CategoryOperationsTest, DeletingWithoutTheBoxKeepsTheNotesAndUndoes)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    makeNote("a", { work });
    makeNote("b", { work });
    makeNote("c", { work });
    turn();
    controller->setSelectedObjects({ work });
    controller->deleteSelection(nullptr);
    answer(0, false);
    EXPECT_TRUE(delegate.deleted.isEmpty());
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Delete Category"));
    EXPECT_FALSE(arranged("Work"));
    turn();
    undo.undo();
    EXPECT_TRUE(arranged("Work"));
    EXPECT_EQ(category(arranged("Work"))->notes().size(), 3);
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Delete Category"));
    turn();
    undo.redo();
    EXPECT_FALSE(arranged("Work"));
}

TEST_F(CategoryOperationsTest, OptionDeletesAtOnce)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    makeNote("a", { work });
    input.setKeyboardModifiers(Qt::AltModifier);
    controller->attemptCategoriesDeletion({ work });
    EXPECT_TRUE(alerts.shown().empty());
    EXPECT_FALSE(arranged("Work"));
    EXPECT_TRUE(delegate.deleted.isEmpty());
}

TEST_F(CategoryOperationsTest, BuiltInsAreRefused)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    controller->setSelectedObjects({ allNotes(), work });
    controller->deleteSelection(nullptr);
    EXPECT_EQ(lastAlert().messageText,
        QStringLiteral("Cannot delete the default category “All Notes”.\r Do you want to delete "
                       "the other selected categories?"));
    EXPECT_EQ(lastAlert().informativeText, QStringLiteral("Selected categories are: “Work”"));
    EXPECT_EQ(lastAlert().buttonTitles, (QStringList { "Delete Others", "Cancel" }));
    answer(0);
    EXPECT_FALSE(arranged("Work"));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Delete Category")) << "one removed";

    controller->attemptCategoriesDeletion(
        { allNotes(), noCategory(), makeCategory(QStringLiteral("Other")) });
    EXPECT_TRUE(lastAlert().messageText.startsWith(
        QStringLiteral("Cannot delete these default categories: All Notes, No Category.\r")));
    answer(1);

    const int beeps = input.beepCount();
    controller->setSelectedObjects({ allNotes() });
    controller->deleteSelection(nullptr);
    EXPECT_EQ(input.beepCount(), beeps + 1);
    EXPECT_EQ(alerts.pendingSheetCount(), 0);
}

TEST_F(CategoryOperationsTest, AddingIsOneNamedUndoStep)
{
    makeCategory(QStringLiteral("Work"));
    controller->newCategoryEditingName(false);
    turn();
    ASSERT_TRUE(arranged("New Category"));
    EXPECT_EQ(controller->selectedObjects(), Objects { arranged("New Category") });
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Add Category"));
    undo.disableUndoRegistration();
    ManagedObjectPtr note = makeNote("kept", { arranged("New Category") });
    undo.enableUndoRegistration();
    turn();
    undo.undo();
    EXPECT_FALSE(arranged("New Category"));
    EXPECT_FALSE(note->isDeleted());
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Add Category"));
    turn();
    undo.redo();
    EXPECT_TRUE(arranged("New Category"));

    ManagedObjectPtr quiet = controller->newCategoryWithName(QStringLiteral("Quiet"), false);
    EXPECT_NE(controller->selectedObjects(), Objects { quiet });
    EXPECT_TRUE(controller->selectsInsertedObjects());
}

TEST(CategoryOrderTest, RenumbersGroupsAfterAMove)
{
    struct Case {
        const char* name;
        QList<std::int64_t> positions;
        QList<int> moved;
        int insertion;
        bool grouping;
        QList<int> order;
        QList<std::int64_t> result;
    };
    const Case cases[] = {
        { "last to first", { 0, 1, 2 }, { 2 }, 0, false, { 2, 0, 1 }, { 0, 1, 2 } },
        { "first to end", { 0, 1, 2 }, { 0 }, 2, false, { 1, 2, 0 }, { 0, 1, 2 } },
        { "a shared group stays shared", { 0, 0, 1 }, { 2 }, 0, false, { 2, 0, 1 }, { 0, 1, 1 } },
        { "two moved keep their own groups", { 0, 1, 2, 3 }, { 2, 3 }, 0, false, { 2, 3, 0, 1 },
            { 0, 1, 2, 3 } },
        { "grouped moves share one", { 0, 1, 2, 3 }, { 0, 3 }, 1, true, { 1, 0, 3, 2 },
            { 0, 1, 1, 2 } },
        { "moved never joins a neighbour", { 5, 5, 5 }, { 2 }, 1, false, { 0, 2, 1 }, { 0, 1, 2 } },
        { "moved pair that shared keeps sharing", { 0, 1, 1 }, { 1, 2 }, 0, false, { 1, 2, 0 },
            { 0, 0, 1 } },
        { "reset all to one group", { 3, 1, 2 }, { 0, 1, 2 }, 0, true, { 0, 1, 2 }, { 0, 0, 0 } },
        { "insertion past the end is clamped", { 0, 1 }, { 0 }, 9, false, { 1, 0 }, { 0, 1 } },
        { "moved out of range is ignored", { 0, 1 }, { 7, -1 }, 0, false, { 0, 1 }, { 0, 1 } },
        { "empty", {}, {}, 0, false, {}, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BXCategoryOrder::Result result
            = BXCategoryOrder::reorder(c.positions, c.moved, c.insertion, c.grouping);
        EXPECT_EQ(result.order, c.order);
        EXPECT_EQ(result.positions, c.result);
    }
}

TEST_F(CategoryOperationsTest, MovingAndResettingOrder)
{
    makeCategory(QStringLiteral("a"), 0);
    makeCategory(QStringLiteral("b"), 1);
    makeCategory(QStringLiteral("c"), 2);
    undo.beginUndoGrouping();
    controller->moveCategoriesAtIndexes(IndexSet(5), 3, false);
    undo.setActionName(QStringLiteral("Reorder Category"));
    undo.endUndoGrouping();
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "c", "a", "b" }));
    EXPECT_EQ(category(arranged("b"))->position(), 2);
    turn();
    undo.undo();
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "a", "b", "c" }));

    controller->moveCategoriesAtIndexes(IndexSet(0), 6, false); // a built-in is never moved
    EXPECT_EQ(arrangedNames().first(), QStringLiteral("All Notes"));

    controller->setSelectionIndex(4);
    controller->resetSelectedCategoriesOrder(); // a single row is not a run
    EXPECT_EQ(category(arranged("c"))->position(), 2);

    // With a smart category selected the renumbered store is saved, once for the whole move.
    controller->setSelectionIndex(0);
    controller->moveCategoriesAtIndexes(IndexSet(5), 3, true);
    EXPECT_FALSE(context->hasChanges());

    controller->resetCategoriesOrder();
    for (const char* name : { "a", "b", "c" })
        EXPECT_EQ(category(arranged(name))->position(), 0) << name;
}
