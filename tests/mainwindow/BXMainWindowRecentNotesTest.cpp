#include "MainWindowFixture.h"

#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/BXMainWindowRecentNotes.h"
#include "mainwindow/history/BXPageController.h"
#include "mainwindow/BXRecentNotesCounter.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/noteslist/BXNotesArrayController.h"

#include "document/model/BXFetchedNotesCategory.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/UndoManager.h"

#include <QAction>
#include <QMenu>
#include <QTimeZone>

using platform::ManagedObjectPtr;

namespace {

class BXMainWindowRecentNotesTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        makeFile({});
        openWindow();
    }
    BXMainWindowRecentNotes* recents() const { return controller->recentNotes(); }
    // A note of this title last modified at `modified` (local time).
    BXNote::NotePtr addNote(const QString& title, const QDateTime& modified)
    {
        BXNote::NotePtr note
            = BXNote::newNoteInManagedObjectContext(document->managedObjectContext(), {}, {});
        note->updateNoteText(title);
        note->setTrashFlag(false);
        note->setValue(modified, BXNote::NoteModifiedKey);
        return note;
    }
    static QDateTime at(int month, int day, int hour, int minute = 0)
    {
        return QDateTime(QDate(2024, month, day), QTime(hour, minute));
    }
    QStringList recentTitles() const
    {
        QStringList titles;
        for (const ManagedObjectPtr& note : recents()->fetchSortedRecentNotes())
            titles << std::static_pointer_cast<BXNote>(note)->noteTitle();
        return titles;
    }
    QString selectedTitle() const
    {
        const auto note = controller->selectedNote();
        return note ? note->noteTitle() : QString();
    }
    void sortByModified()
    {
        controller->notesController()->setSortDescriptors(
            { platform::SortDescriptor(BXNote::NoteModifiedKey) });
    }
};

TEST_F(BXMainWindowRecentNotesTest, RecentMeansTheTenDaysBeforeTheLatestChangeNeverTheSpareNote)
{
    addNote(QStringLiteral("First of March"), at(3, 1, 12));
    addNote(QStringLiteral("Just before"), at(3, 10, 14, 59));
    addNote(QStringLiteral("Just after"), at(3, 10, 15));
    addNote(QStringLiteral("Latest"), at(3, 20, 15));
    // The spare empty note, touched last, is still no recent note.
    const BXNote::NotePtr spare
        = BXNote::newEmptyNoteInManagedObjectContext(document->managedObjectContext());
    ASSERT_TRUE(spare && spare->trashFlag());
    spare->setValue(at(3, 19, 9), BXNote::NoteModifiedKey);
    sortByModified();
    EXPECT_EQ(recentTitles(), QStringList({ u"Just after"_qs, u"Latest"_qs }));

    QMenu menu;
    menu.addAction(QStringLiteral("stale"));
    controller->buildRecentsMenu(&menu);
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions().at(1)->text(), QStringLiteral("Latest"));
    controller->notesController()->refreshContent();
    menu.actions().at(1)->trigger();
    settle();
    EXPECT_EQ(selectedTitle(), QStringLiteral("Latest"));
}

TEST_F(BXMainWindowRecentNotesTest, MenuNamesUntitledNotesAndSaysWhenThereAreNone)
{
    QMenu menu;
    controller->buildRecentsMenu(&menu);
    ASSERT_EQ(menu.actions().size(), 1);
    EXPECT_EQ(menu.actions().first()->text(), QStringLiteral("No Recent Notes"));
    EXPECT_FALSE(menu.actions().first()->isEnabled());
    // A store that cannot be read gives none either.
    platform::ManagedObjectContext bare;
    EXPECT_TRUE(BXMainWindowRecentNotes::fetchSortedRecentNotes(
        bare, *controller->categoriesController()->recentNotesCategory(), {})
                    .isEmpty());

    addNote(QString(), at(5, 2, 8));
    controller->buildRecentsMenu(&menu);
    ASSERT_EQ(menu.actions().size(), 1);
    EXPECT_EQ(menu.actions().first()->text(), QStringLiteral("Untitled"));
    // One recent note gives nothing to step to.
    EXPECT_FALSE(recents()->canNavigateToPreviousRecent());
    EXPECT_FALSE(recents()->canNavigateToNextRecent());
    // The answer is kept until the notes change: a second recent note enables stepping.
    addNote(QStringLiteral("Second"), at(5, 3, 9));
    document->managedObjectContext()->processPendingChanges();
    EXPECT_TRUE(recents()->canNavigateToPreviousRecent());
    EXPECT_TRUE(recents()->canNavigateToNextRecent());
}

TEST_F(BXMainWindowRecentNotesTest, KeptCountFollowsEveryChangeAsAFetchDoes)
{
    platform::ManagedObjectContext* context = document->managedObjectContext();
    const auto recent = controller->categoriesController()->recentNotesCategory();
    BXRecentNotesCounter counter;
    auto expectFetched = [&](const char* step) {
        SCOPED_TRACE(step);
        const qsizetype fetched
            = BXMainWindowRecentNotes::fetchSortedRecentNotes(*context, *recent, {}).size();
        EXPECT_EQ(counter.count(context, recent), fetched);
    };
    const BXNote::NotePtr old = addNote(QStringLiteral("Old"), at(3, 1, 12));
    const BXNote::NotePtr edge = addNote(QStringLiteral("Edge"), at(3, 10, 15));
    const BXNote::NotePtr middle = addNote(QStringLiteral("Middle"), at(3, 15, 9));
    const BXNote::NotePtr latest = addNote(QStringLiteral("Latest"), at(3, 20, 15));
    expectFetched("inserted");
    ASSERT_EQ(counter.count(context, recent), 3);
    // Saved notes report their changes; notes not saved yet are looked at each time.
    ASSERT_TRUE(context->save(nullptr));

    latest->setValue(at(3, 20, 15, 1), BXNote::NoteModifiedKey);
    expectFetched("the newest a minute later: the edge note drops out");
    old->setValue(at(3, 19, 0), BXNote::NoteModifiedKey);
    expectFetched("an old note edited");
    middle->setTrashFlag(true);
    expectFetched("trashed");
    middle->setTrashFlag(false);
    expectFetched("put back");
    latest->setValue(at(3, 2, 0), BXNote::NoteModifiedKey);
    expectFetched("the newest moved back");
    context->deleteObject(old);
    expectFetched("deleted");
    const BXNote::NotePtr unsaved = addNote(QStringLiteral("Unsaved"), at(3, 3, 0));
    expectFetched("inserted unsaved");
    unsaved->setValue(at(3, 4, 0), BXNote::NoteModifiedKey);
    expectFetched("unsaved note edited");

    platform::UndoManager* undo = context->undoManager();
    ASSERT_NE(undo, nullptr);
    undo->removeAllActions();
    undo->beginUndoGrouping();
    middle->updateNoteText(QStringLiteral("Middle, typed now"));
    undo->endUndoGrouping();
    expectFetched("typed now");
    undo->undo();
    expectFetched("typing undone");
}

TEST_F(BXMainWindowRecentNotesTest, CountIgnoresADateInMemoryWhoseNoteLeftTheStore)
{
    platform::ManagedObjectContext* context = document->managedObjectContext();
    const auto recent = controller->categoriesController()->recentNotesCategory();
    addNote(QStringLiteral("Old"), at(3, 7, 12));
    addNote(QStringLiteral("Middle"), at(3, 15, 9));
    const BXNote::NotePtr latest = addNote(QStringLiteral("Latest"), at(3, 20, 15));
    ASSERT_TRUE(context->save(nullptr));
    // Deleted elsewhere and not merged here: its date would cut "Old" off.
    platform::ManagedObjectContext other;
    other.setPersistentStoreCoordinator(context->persistentStoreCoordinator());
    other.deleteObject(other.objectWithID(latest->objectID()));
    ASSERT_TRUE(other.save(nullptr));
    BXRecentNotesCounter counter;
    EXPECT_EQ(counter.count(context, recent), 2);
}

TEST_F(BXMainWindowRecentNotesTest, SteppingGoesRoundAndBackForwardStep)
{
    addNote(QStringLiteral("One"), at(6, 1, 9));
    addNote(QStringLiteral("Two"), at(6, 2, 9));
    addNote(QStringLiteral("Three"), at(6, 3, 9));
    const BXNote::NotePtr old = addNote(QStringLiteral("Old"), at(1, 1, 9));
    sortByModified();
    controller->notesController()->refreshContent();
    ASSERT_TRUE(recents()->canNavigateToNextRecent());

    // Not a recent note: previous goes to the last, next to the first.
    select({ old });
    recents()->navigateToPreviousRecent();
    settle();
    EXPECT_EQ(controller->categoriesController()->selectedObjects(),
        QList<ManagedObjectPtr>({ controller->categoriesController()->recentNotesCategory() }));
    EXPECT_EQ(selectedTitle(), QStringLiteral("Three"));
    recents()->navigateToNextRecent();
    settle();
    EXPECT_EQ(selectedTitle(), QStringLiteral("One"));

    // Round from the first to the last and back, through the Back and Forward tags.
    BXPageController* pages = controller->history()->pageController();
    EXPECT_TRUE(pages->validateNavigate(BXPageController::kPreviousTag));
    pages->navigate(BXPageController::kPreviousTag);
    settle();
    EXPECT_EQ(selectedTitle(), QStringLiteral("Three"));
    pages->navigate(BXPageController::kNextTag);
    settle();
    EXPECT_EQ(selectedTitle(), QStringLiteral("One"));
    pages->navigate(BXPageController::kNextTag);
    settle();
    EXPECT_EQ(selectedTitle(), QStringLiteral("Two"));
}

} // namespace
