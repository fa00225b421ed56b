#include "NotesFixture.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesArraySortDescriptor.h"
#include "lists/noteslist/BXNotesListCategories.h"

#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"
#include "platform/controllers/ArrayControllerModel.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"
#include "platform/predicate/PredicateArchiving.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"

#include <QAbstractItemModelTester>

using namespace platform;

namespace {

// The sidebar as the list sees it: a selection the test sets.
class Sidebar final : public BXNotesListCategories {
public:
    QList<ManagedObjectPtr> selected;
    int rearranged = 0;
    bool ignoring = false;
    QList<ManagedObjectPtr> selectedCategories() const override { return selected; }
    void setIgnoreObservation(bool ignore) override { ignoring = ignore; }
    void rearrangeCategories() override { ++rearranged; }
};

class NotesArrayControllerTest : public NotesFixture {
protected:
    NotesArrayControllerTest()
    {
        context.setUndoManager(&undo);
        controller.setManagedObjectContext(&context);
        controller.setCategories(&sidebar);
        model.setColumns({ { QStringLiteral("noteTitle"), QStringLiteral("noteTitle"), {} } });
    }

    std::shared_ptr<BXNote> note(const QString& name, const QString& text = {})
    {
        auto made = std::static_pointer_cast<BXNote>(
            context.insertNewObjectForEntityForName(BXNote::entityName()));
        BXNote::blankNote(*made, name, {});
        if (!text.isNull())
            made->setNoteText(text);
        made->setTrashFlag(made->noteEmpty());
        return made;
    }

    ManagedObjectPtr category(const QString& name, const QList<ManagedObjectPtr>& notes)
    {
        ManagedObjectPtr made = makeCategory(name);
        made->setRelatedObjects(BXCategory::NotesKey, notes);
        return made;
    }

    void select(const QList<ManagedObjectPtr>& categories)
    {
        sidebar.selected = categories;
        controller.categorySelectionDidChange();
    }

    // A step of its own, as one user action would be: a turn of the event loop.
    template <typename Action> void step(Action action)
    {
        scheduler.runUntilIdle();
        action();
        context.processPendingChanges();
        scheduler.runUntilIdle();
    }

    QStringList listed() const { return titles(controller.arrangedObjects()); }

    FakeScheduler scheduler;
    FakeUserInput input;
    FakeAlertPresenter presenter;
    UndoManager undo;
    Sidebar sidebar;
    BXNotesArrayController controller;
    ArrayControllerModel model { &controller };
    QAbstractItemModelTester tester { &model,
        QAbstractItemModelTester::FailureReportingMode::Fatal };
};

TEST_F(NotesArrayControllerTest, ListsTheSelectedCategoriesWithoutTrashedNotes)
{
    const auto a = note(QStringLiteral("Apple"));
    const auto b = note(QStringLiteral("banana"));
    const auto spare = note({});
    const auto c = note(QStringLiteral("Cherry"));
    const ManagedObjectPtr fruit = category(QStringLiteral("Fruit"), { c, a, spare });
    const ManagedObjectPtr yellow = category(QStringLiteral("Yellow"), { b, a });
    context.processPendingChanges();

    select({ fruit });
    EXPECT_EQ(listed(), QStringList({ "Apple", "Cherry" }));
    select({ fruit, yellow });
    EXPECT_EQ(listed(), QStringList({ "Apple", "banana", "Cherry" }));
    EXPECT_TRUE(controller.plainCategorySelected());
    EXPECT_EQ(controller.selectedCategoryNames(), QStringLiteral("Fruit, Yellow"));

    // Removing from the list unlinks the note from the selected category only.
    select({ yellow });
    controller.setSelectedObjects({ b });
    step([&] { controller.remove(); });
    EXPECT_EQ(listed(), QStringList({ "Apple" }));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Remove note from Category"));
    EXPECT_FALSE(b->isDeleted());
    EXPECT_TRUE(b->categories().isEmpty());
    step([&] { undo.undo(); });
    EXPECT_EQ(b->categories(), QList<ManagedObjectPtr>({ yellow }));
    EXPECT_EQ(listed(), QStringList({ "Apple", "banana" }));
}

TEST_F(NotesArrayControllerTest, SearchFormsAndTheLiveSet)
{
    const auto first = note(QStringLiteral("Groceries"), QStringLiteral("milk\neggs\nCafé crème"));
    const auto second = note(QStringLiteral("Ideas"), QStringLiteral("a garden\nwith trees"));
    const auto third = note(QStringLiteral("Numbers"), QStringLiteral("call 555-1234"));
    const ManagedObjectPtr all = category(QStringLiteral("All"), { first, second, third });
    context.processPendingChanges();
    select({ all });

    const struct {
        QString text;
        int mode;
        QStringList expected;
    } cases[] = {
        { QString(), 1, { "Groceries", "Ideas", "Numbers" } },
        { QStringLiteral("cafe"), 1, { "Groceries" } },
        { QStringLiteral("IDEAS"), 1, { "Ideas" } },
        { QStringLiteral("e+s$"), 0, { "Groceries", "Ideas" } },
        // A word on the third line is found by a regular expression too.
        { QStringLiteral("creme"), 2, { "Groceries" } },
        { QStringLiteral("\\d{3}-\\d{4}"), 7, { "Numbers" } },
        { QStringLiteral("^with"), 0, {} },
        { QStringLiteral("(?m)^with"), 0, { "Ideas" } },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.text.toStdString() + " mode " + std::to_string(item.mode));
        Error error;
        ASSERT_TRUE(controller.filterNotes(item.text, item.mode, false, &error));
        EXPECT_EQ(listed(), item.expected);
    }

    // A note added to the set passes at the next rearrangement, under the same predicate.
    ASSERT_TRUE(controller.filterNotes(QStringLiteral("milk"), 1, false, nullptr));
    const PredicateRef predicate = controller.filterPredicate();
    controller.includeInFilter(third);
    controller.rearrangeObjects();
    EXPECT_EQ(controller.filterPredicate(), predicate);
    EXPECT_EQ(listed(), QStringList({ "Groceries", "Numbers" }));

    // An invalid pattern beeps and keeps the filter in force; so does one that is valid alone
    // but runs past its place in the search (a quote left open).
    for (const QString& pattern : { QStringLiteral("(unclosed"), QStringLiteral("\\Qopen") }) {
        SCOPED_TRACE(pattern.toStdString());
        Error error;
        const int beeps = input.beepCount();
        EXPECT_FALSE(controller.filterNotes(pattern, 0, true, &error));
        EXPECT_FALSE(error.isNull());
        EXPECT_EQ(input.beepCount(), beeps + 1);
        EXPECT_EQ(controller.filterPredicate(), predicate);
    }
}

// Each key of a word search, and each regular expression, lists exactly the notes the filter
// predicate's own evaluation passes, while keys extend and shorten the text, the mode changes
// and a note's text changes.
TEST_F(NotesArrayControllerTest, SearchAsTypedAgreesWithThePredicate)
{
    const QList<std::shared_ptr<BXNote>> notes {
        note(QStringLiteral("Greeting"), QStringLiteral("Grüße aus der Straße")),
        note(QStringLiteral("Capital"), QStringLiteral("STRASSE, GROẞE Stadt")),
        note(QStringLiteral("Turkish"), QStringLiteral("Iğdır ılık, İstanbul")),
        note(QStringLiteral("Marks"), QStringLiteral("e\u0301lan and cafe\u0301")),
        note(QStringLiteral("Precomposed"), QStringLiteral("Élan, café")),
        note(QStringLiteral("Mixed"), QStringLiteral("Ελλάδα, Москва, 東京タワー, ﬁle")),
        note(QStringLiteral("Emoji"), QStringLiteral("party 🎉 thumbs 👍🏽 done")),
        note(QStringLiteral("Gap"), QStringLiteral("a gap")),
        note(QStringLiteral("Élan vital"), QStringLiteral("named only")),
        note(QStringLiteral("Binned"), QStringLiteral("a gap in the Straße")),
    };
    notes.last()->setTrashFlag(true);
    select({ category(QStringLiteral("All"), { notes.begin(), notes.end() }) });
    const auto expected = [&] {
        QStringList passing;
        for (const auto& item : notes) {
            if (controller.filterPredicate()->evaluateWithObject(KeyValueRef(item), {}, nullptr))
                passing << item->noteName();
        }
        passing.sort();
        return passing;
    };
    const auto search = [&](const QString& text, int mode = 1) {
        SCOPED_TRACE(text.toStdString() + " mode " + std::to_string(mode));
        ASSERT_TRUE(controller.filterNotes(text, mode, false, nullptr));
        QStringList shown = listed();
        shown.sort();
        EXPECT_EQ(shown, expected());
    };
    for (const char* text : { "s", "st", "str", "stra", "straß", "strass", "strasse", "stra", "gro",
             "groß", "grosse", "ı", "ıl", "i", "iğ", "igdir", "İ", "istanbul", "e", "e\u0301", "el",
             "ela", "élan", "ÉLAN", "cafe", "café", "ε", "ελλαδα", "мос", "東京", "タワー", "fi",
             "file", "🎉", "👍", "👍🏽", "party 🎉", "\u0301", "ga" }) {
        search(QString::fromUtf8(text));
    }
    for (const char* pattern : { "g.p", "stra(ss|ß)e", "^gr", "(?m)^party", "東京|москва", "É",
             "e\u0301", "i\\w+", "vital$", "\\p{Greek}+", "strasse", "(?-i)GRO", "gro.e" })
        search(QString::fromUtf8(pattern), 2);
    search(QStringLiteral("gap"));
    // A note whose text changes between two keys is searched anew, not skipped for having
    // missed the shorter text, nor matched against the text it had.
    search(QStringLiteral("gar"));
    search(QStringLiteral("g.r"), 2);
    notes.at(7)->setNoteText(QStringLiteral("a garlic"));
    search(QStringLiteral("garl"));
    EXPECT_EQ(listed(), QStringList({ "Gap" }));
    search(QStringLiteral("g.rl"), 2);
    EXPECT_EQ(listed(), QStringList({ "Gap" }));
}

// Folded ahead for the search the user is about to type, the notes list as they would without:
// with a note changed after the folding, after a folding that was abandoned, and in the mode the
// folding was made for or in the other one.
TEST_F(NotesArrayControllerTest, SearchFoldedAheadListsAsWithout)
{
    const QList<std::shared_ptr<BXNote>> notes {
        note(QStringLiteral("Garden"), QStringLiteral("Élan in the garden")),
        note(QStringLiteral("River"), QStringLiteral("a river")),
        note(QStringLiteral("Street"), QStringLiteral("die Straße")),
    };
    select({ category(QStringLiteral("All"), { notes.begin(), notes.end() }) });
    const auto search = [&](const char* text, int mode) {
        SCOPED_TRACE(std::string(text) + " mode " + std::to_string(mode));
        EXPECT_TRUE(controller.filterNotes(QString::fromUtf8(text), mode, false, nullptr));
        QStringList shown = listed();
        shown.sort();
        return shown;
    };
    controller.searchWillStart(1);
    scheduler.runUntilIdle();
    notes.at(1)->setNoteText(QStringLiteral("a garlic bed"));
    EXPECT_EQ(search("gar", 1), QStringList({ "Garden", "River" }));
    EXPECT_EQ(search("", 1), QStringList({ "Garden", "River", "Street" }));

    controller.searchWillStart(2);
    scheduler.runUntilIdle();
    controller.searchAbandoned();
    EXPECT_EQ(search("stra(ss|ß)e", 2), QStringList({ "Street" }));
    EXPECT_EQ(search("", 2), QStringList({ "Garden", "River", "Street" }));

    controller.searchWillStart(2);
    scheduler.runUntilIdle();
    EXPECT_EQ(search("elan", 1), QStringList({ "Garden" }));
    EXPECT_EQ(search("^a g", 2), QStringList({ "River" }));
}

TEST_F(NotesArrayControllerTest, SearchKeepsTheSelectionOrFallsBackToTheFirstRow)
{
    const auto a = note(QStringLiteral("alpha"), QStringLiteral("red"));
    const auto b = note(QStringLiteral("beta"), QStringLiteral("red"));
    const auto c = note(QStringLiteral("gamma"), QStringLiteral("blue"));
    select({ category(QStringLiteral("All"), { a, b, c }) });
    controller.setSelectedObjects({ b });
    ASSERT_TRUE(controller.filterNotes(QStringLiteral("red"), 1, true, nullptr));
    EXPECT_EQ(controller.selectedObjects(), QList<ManagedObjectPtr>({ b }));
    controller.setSelectedObjects({ a });
    ASSERT_TRUE(controller.filterNotes(QStringLiteral("blue"), 1, true, nullptr));
    EXPECT_EQ(controller.selectedObjects(), QList<ManagedObjectPtr>({ c }));
}

TEST_F(NotesArrayControllerTest, SpareNoteServesAsTheNewNoteWithUndoAndRedo)
{
    const auto a = note(QStringLiteral("alpha"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { a });
    context.processPendingChanges();
    select({ home });

    // Hidden: the document's spare note is trashed and not listed.
    step([&] { controller.newNoteEditingName(); });
    const std::shared_ptr<BXNote> spare = controller.emptyNote();
    ASSERT_TRUE(spare);
    EXPECT_TRUE(spare->trashFlag());
    // In use: listed, selected, in the category, and last whatever the sort.
    EXPECT_EQ(controller.arrangedObjects().size(), 2);
    EXPECT_EQ(controller.arrangedObjects().last(), spare);
    EXPECT_EQ(controller.selectedObjects(), QList<ManagedObjectPtr>({ spare }));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Add Note"));
    EXPECT_TRUE(undo.undoActionIsDiscardable());

    step([&] { undo.undo(); });
    context.processPendingChanges();
    EXPECT_EQ(listed(), QStringList({ "alpha" }));
    EXPECT_FALSE(spare->isDeleted());
    step([&] { undo.redo(); });
    context.processPendingChanges();
    EXPECT_EQ(controller.arrangedObjects().size(), 2);
    EXPECT_EQ(controller.emptyNote(), spare);

    // Ordinary: the first character typed gives it a title; the list re-sorts afterwards.
    step([&] { spare->updateNoteText(QStringLiteral("Aardvark")); });
    EXPECT_FALSE(spare->trashFlag());
    EXPECT_FALSE(controller.emptyNote());
    scheduler.runUntilIdle();
    EXPECT_EQ(listed(), QStringList({ "Aardvark", "alpha" }));

    // Emptied again: trashed, recorded as the spare note, still listed while included.
    step([&] { spare->updateNoteText(QString()); });
    EXPECT_TRUE(spare->trashFlag());
    EXPECT_EQ(controller.emptyNote(), spare);
    scheduler.runUntilIdle();
    EXPECT_EQ(listed().size(), 2);
    EXPECT_EQ(controller.arrangedObjects().last(), spare);
}

// Undoing "Add Note" takes away the note it added also once it was typed into: the note leaves
// the document, and redo brings it back with its text and categories, as often as asked.
TEST_F(NotesArrayControllerTest, UndoAddNoteTakesAwayTheNoteTypedIntoSince)
{
    const auto a = note(QStringLiteral("alpha"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { a });
    context.processPendingChanges();
    undo.removeAllActions();
    select({ home });
    step([&] { controller.newNoteEditingName(); });
    const std::shared_ptr<BXNote> added = controller.emptyNote();
    ASSERT_TRUE(added);
    // Typing is written back outside undo.
    step([&] {
        undo.disableUndoRegistration();
        added->updateNoteText(QStringLiteral("Typed note"));
        undo.enableUndoRegistration();
    });
    scheduler.runUntilIdle();
    ASSERT_EQ(listed(), QStringList({ "alpha", "Typed note" }));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(undo.undoMenuItemTitle(), QStringLiteral("Undo Add Note"));
        step([&] { undo.undo(); });
        context.processPendingChanges();
        EXPECT_EQ(listed(), QStringList({ "alpha" }));
        EXPECT_TRUE(added->isDeleted());
        EXPECT_EQ(undo.redoMenuItemTitle(), QStringLiteral("Redo Add Note"));
        step([&] { undo.redo(); });
        context.processPendingChanges();
        scheduler.runUntilIdle();
        EXPECT_FALSE(added->isDeleted());
        EXPECT_EQ(added->noteText(), QStringLiteral("Typed note"));
        EXPECT_EQ(added->categories(), QList<ManagedObjectPtr>({ home }));
        EXPECT_EQ(listed(), QStringList({ "alpha", "Typed note" }));
        EXPECT_EQ(controller.selectedObjects(), QList<ManagedObjectPtr>({ added }));
    }
}

TEST_F(NotesArrayControllerTest, AnotherCategoryDropsTheNewNoteAndItsSteps)
{
    const auto a = note(QStringLiteral("alpha"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { a });
    const ManagedObjectPtr work = category(QStringLiteral("Work"), { a });
    context.processPendingChanges();
    undo.removeAllActions();
    select({ home });
    step([&] { controller.newNoteEditingName(); });
    ASSERT_TRUE(undo.canUndo());
    // The same categories again change nothing.
    select({ home });
    EXPECT_FALSE(controller.notesToIncludeInFilter()->isEmpty());
    EXPECT_TRUE(undo.canUndo());
    select({ work });
    EXPECT_TRUE(controller.notesToIncludeInFilter()->isEmpty());
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(listed(), QStringList({ "alpha" }));
}

// A blank new note passes no search: a search that takes it out of the list takes its steps
// too, so that no "Add Note" is left with nothing to take away. A refused search leaves it
// listed, and a note typed into since is the search's to show or hide.
TEST_F(NotesArrayControllerTest, ASearchThatDropsTheBlankNewNoteDropsItsSteps)
{
    const auto a = note(QStringLiteral("alpha"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { a });
    context.processPendingChanges();
    select({ home });
    const struct {
        const char* text;
        int mode;
        bool typedInto;
        bool stepLeft;
    } cases[] = {
        { "(", 0, false, true },
        { "al", 1, false, false },
        { "a.*", 0, false, false },
        { "", 1, false, false },
        { "zz", 1, true, true },
    };
    for (const auto& tried : cases) {
        SCOPED_TRACE(tried.text);
        undo.removeAllActions();
        step([&] { controller.newNoteEditingName(); });
        const ManagedObjectPtr added = controller.emptyNote();
        ASSERT_TRUE(added);
        if (tried.typedInto) {
            step([&] {
                undo.disableUndoRegistration();
                controller.emptyNote()->updateNoteText(QStringLiteral("Typed note"));
                undo.enableUndoRegistration();
            });
        }
        Error error;
        step([&] {
            controller.filterNotes(QString::fromLatin1(tried.text), tried.mode, true, &error);
        });
        const bool shown = controller.arrangedObjects().contains(added);
        EXPECT_EQ(shown, tried.stepLeft && !tried.typedInto);
        EXPECT_EQ(undo.canUndo(), tried.stepLeft);
        if (!undo.canUndo())
            continue;
        EXPECT_EQ(undo.undoActionName(), QStringLiteral("Add Note"));
        step([&] { undo.undo(); });
        EXPECT_FALSE(controller.arrangedObjects().contains(added));
        EXPECT_EQ(undo.redoActionName(), QStringLiteral("Add Note"));
    }
}

TEST_F(NotesArrayControllerTest, TakingTheNewNoteOutIsAStepOfItsCategoryToo)
{
    const auto a = note(QStringLiteral("alpha"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { a });
    const ManagedObjectPtr work = category(QStringLiteral("Work"), { a });
    context.processPendingChanges();
    undo.removeAllActions();
    select({ home });
    step([&] { controller.newNoteEditingName(); });
    const ManagedObjectPtr spare = controller.emptyNote();
    ASSERT_TRUE(spare);
    step([&] { controller.deleteNotes({ spare }); });
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Delete Note"));
    EXPECT_EQ(listed(), QStringList({ "alpha" }));
    step([&] { undo.undo(); });
    EXPECT_EQ(controller.arrangedObjects(), QList<ManagedObjectPtr>({ a, spare }));
    step([&] { undo.redo(); });

    // Elsewhere neither step is left to bring the note back into a list it never was in.
    select({ work });
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(listed(), QStringList({ "alpha" }));
    EXPECT_FALSE(spare->isDeleted());
}

TEST_F(NotesArrayControllerTest, SheetAnsweredAfterItsListIsGoneChangesNothing)
{
    const auto one = note(QStringLiteral("One"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { one });
    context.processPendingChanges();
    sidebar.selected = { home };
    for (const int button : { 0, 1 }) {
        SCOPED_TRACE(button == 0 ? "Remove from Category" : "Delete");
        auto list = std::make_unique<BXNotesArrayController>();
        list->setManagedObjectContext(&context);
        list->setCategories(&sidebar);
        list->setSelectedObjects({ one });
        list->deleteSelection(nullptr);
        ASSERT_EQ(presenter.pendingSheetCount(), 1);
        list.reset();
        EXPECT_TRUE(presenter.answerSheet(nullptr, button));
        context.processPendingChanges();
        EXPECT_FALSE(one->isDeleted());
        EXPECT_EQ(one->categories(), QList<ManagedObjectPtr>({ home }));
    }
}

TEST_F(NotesArrayControllerTest, DeletedSpareNoteIsReplacedBeforeReuse)
{
    const ManagedObjectPtr home = category(QStringLiteral("Home"), {});
    context.processPendingChanges();
    select({ home });
    step([&] { controller.newNoteEditingName(); });
    const std::shared_ptr<BXNote> first = controller.emptyNote();
    ASSERT_TRUE(first);
    step([&] { context.deleteObject(first); });
    EXPECT_FALSE(controller.emptyNote());

    step([&] { controller.newNoteEditingName(); });
    const std::shared_ptr<BXNote> second = controller.emptyNote();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_FALSE(second->isDeleted());
    EXPECT_EQ(controller.arrangedObjects(), QList<ManagedObjectPtr>({ second }));
}

TEST_F(NotesArrayControllerTest, TitleAndSortedDateChangesReSortButOtherKeysDoNot)
{
    const auto a = note(QStringLiteral("b note"));
    const auto b = note(QStringLiteral("c note"));
    const ManagedObjectPtr all = category(QStringLiteral("All"), { a, b });
    context.processPendingChanges();
    select({ all });
    controller.setSortDescriptors({ SortDescriptor(BXNote::NoteTitleKey) });
    ASSERT_EQ(listed(), QStringList({ "b note", "c note" }));
    controller.setSortDescriptors({ SortDescriptor(BXNote::NoteCreatedKey, false) });
    const QStringList byCreation = listed();
    // A date the list is not sorted by leaves the order alone.
    const ManagedObjectPtr last = controller.arrangedObjects().last();
    last->setValue(QDateTime::currentDateTimeUtc().addYears(1), BXNote::NoteModifiedKey);
    scheduler.runUntilIdle();
    EXPECT_EQ(listed(), byCreation);
    // The sorted date moves the note, after the change is complete.
    last->setValue(QDateTime::currentDateTimeUtc().addYears(1), BXNote::NoteCreatedKey);
    EXPECT_EQ(controller.arrangedObjects().last(), last);
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.arrangedObjects().first(), last);
    // So does a title change, by title.
    controller.setSortDescriptors({ SortDescriptor(BXNote::NoteTitleKey) });
    const ManagedObjectPtr first = controller.arrangedObjects().first();
    std::static_pointer_cast<BXNote>(first)->setNoteTitle(QStringLiteral("z renamed"));
    EXPECT_EQ(controller.arrangedObjects().first(), first);
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.arrangedObjects().last(), first);

    // While the window closes nothing reacts: an emptied note keeps its flag.
    controller.setIgnoreObservation(true);
    b->setNoteTitle(QString());
    b->setNoteText(QString());
    ASSERT_TRUE(b->noteEmpty());
    EXPECT_FALSE(b->trashFlag());
    controller.setIgnoreObservation(false);
    b->setNoteTitle(QString());
    EXPECT_TRUE(b->trashFlag());
    EXPECT_EQ(controller.emptyNote(), b);
}

TEST_F(NotesArrayControllerTest, DeletionDecisionTable)
{
    const auto one = note(QStringLiteral("One"));
    const auto two = note(QStringLiteral("Two"));
    const auto three = note(QStringLiteral("Three"));
    const ManagedObjectPtr plain = category(QStringLiteral("Home"), { one, two, three });
    ManagedObjectPtr allNotes
        = context.insertNewObjectForEntityForName(QStringLiteral("FetchedNotesCategory"));
    allNotes->setValue(BXCategory::AllNotesCategoryID, BXCategory::CategoryIDKey);
    context.processPendingChanges();

    enum Selection { Plain, Smart };
    enum Request { SelectionOfOne, SelectionOfTwo, Found };
    const struct {
        Selection selection;
        Request request;
        bool option;
        QString message; // empty: deleted without a sheet
        QStringList buttons;
    } cases[] = {
        { Plain, SelectionOfOne, false, QStringLiteral("alertDeletePageOrRemoveTagMessage"),
            { "Remove from Category", "Delete", "Cancel" } },
        { Plain, SelectionOfOne, true, QStringLiteral("alertDeletePageOrRemoveTagMessage"),
            { "Remove from Category", "Delete", "Cancel" } },
        { Plain, SelectionOfTwo, false,
            QStringLiteral("alertDeleteSelectedPagesOrRemoveTagMessage"),
            { "Remove from Category", "Delete", "Cancel" } },
        { Plain, Found, false, QStringLiteral("alertDeleteFoundPagesMessage"),
            { "Delete", "Cancel" } },
        { Smart, SelectionOfOne, false, QStringLiteral("alertDeletePageMessage"),
            { "Delete", "Cancel" } },
        { Smart, SelectionOfTwo, false, QStringLiteral("alertDeleteSelectedPagesMessage"),
            { "Delete", "Cancel" } },
        { Smart, SelectionOfTwo, true, QString(), {} },
        { Smart, Found, true, QStringLiteral("alertDeleteFoundPagesMessage"),
            { "Delete", "Cancel" } },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.message.toStdString() + (item.option ? " with Alt" : ""));
        select({ item.selection == Plain ? plain : allNotes });
        controller.setSelectedObjects(item.request == SelectionOfOne
                ? QList<ManagedObjectPtr> { two }
                : QList<ManagedObjectPtr> { one, two });
        input.setKeyboardModifiers(item.option ? Qt::AltModifier : Qt::NoModifier);
        const size_t shownBefore = presenter.shown().size();
        step([&] {
            if (item.request == Found)
                controller.deleteArrangedObjects();
            else
                controller.deleteSelection(nullptr);
        });
        if (item.message.isEmpty()) {
            EXPECT_EQ(presenter.shown().size(), shownBefore);
            EXPECT_TRUE(one->isDeleted() && two->isDeleted());
            step([&] { undo.undo(); });
            context.processPendingChanges();
            select({ plain });
            continue;
        }
        ASSERT_EQ(presenter.shown().size(), shownBefore + 1);
        const Alert& alert = presenter.shown().back().alert;
        QString expected = localized(item.message);
        if (item.request == SelectionOfOne)
            expected = localizedFormat(item.message, QStringLiteral("Two"));
        EXPECT_EQ(alert.messageText, expected);
        EXPECT_NE(alert.messageText, item.message) << "the key has a wording";
        EXPECT_EQ(alert.buttonTitles, item.buttons);
        EXPECT_EQ(alert.cancelButton, item.buttons.size() - 1);
        EXPECT_EQ(alert.informativeText.isEmpty(), item.buttons.size() == 2);
        EXPECT_TRUE(presenter.answerSheet(nullptr, int(item.buttons.size() - 1)));
        EXPECT_FALSE(one->isDeleted() || two->isDeleted());
    }
}

TEST_F(NotesArrayControllerTest, SheetAnswersActOnTheNotesThatRemain)
{
    const auto one = note(QStringLiteral("One"));
    const auto two = note(QStringLiteral("Two"));
    const auto three = note(QStringLiteral("Three"));
    const ManagedObjectPtr plain = category(QStringLiteral("Home"), { one, two, three });
    context.processPendingChanges();
    select({ plain });

    // "Remove from Category" keeps the notes in the document.
    controller.setSelectedObjects({ one });
    controller.deleteSelection(nullptr);
    step([&] { ASSERT_TRUE(presenter.answerSheet(nullptr, 0)); });
    EXPECT_FALSE(one->isDeleted());
    EXPECT_EQ(listed(), QStringList({ "Three", "Two" }));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Remove Note from Category"));

    // A note deleted while the sheet is up is left out; none left: nothing happens.
    controller.setSelectedObjects({ two, three });
    controller.deleteSelection(nullptr);
    step([&] { context.deleteObject(two); });
    step([&] { ASSERT_TRUE(presenter.answerSheet(nullptr, 1)); });
    EXPECT_TRUE(three->isDeleted());
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Delete Note"));
    EXPECT_EQ(sidebar.rearranged, 1);
    EXPECT_FALSE(sidebar.ignoring);

    select({ category(QStringLiteral("Work"), { one }) });
    controller.setSelectedObjects({ one });
    controller.deleteSelection(nullptr);
    step([&] { context.deleteObject(one); });
    const int rearranged = sidebar.rearranged;
    ASSERT_TRUE(presenter.answerSheet(nullptr, 1));
    EXPECT_EQ(sidebar.rearranged, rearranged);
}

TEST_F(NotesArrayControllerTest, NotesLeaveSeveralCategoriesAsOneStep)
{
    const auto one = note(QStringLiteral("One"));
    const auto two = note(QStringLiteral("Two"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { one, two });
    const ManagedObjectPtr work = category(QStringLiteral("Work"), { one, two });
    context.processPendingChanges();
    undo.removeAllActions();
    select({ home });
    controller.setSelectedObjects({ one, two });

    step([&] { controller.removeNotesFromCategories({ one, two }, { home, work }); });
    EXPECT_TRUE(one->categories().isEmpty());
    EXPECT_TRUE(two->categories().isEmpty());
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Remove Notes from Category"));
    step([&] { undo.undo(); });
    EXPECT_EQ(one->categories().size(), 2);
    EXPECT_EQ(two->categories().size(), 2);
    EXPECT_EQ(listed(), QStringList({ "One", "Two" }));
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(NotesArrayControllerTest, RefusedDeletionsAndTags)
{
    const auto one = note(QStringLiteral("One"));
    const auto two = note(QStringLiteral("Two"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { one, two });
    const ManagedObjectPtr other = category(QStringLiteral("Home"), { one });
    context.processPendingChanges();

    // Two categories of one name still count as several.
    select({ home, other });
    controller.setSelectionIndexes({});
    controller.deleteSelection(nullptr);
    EXPECT_EQ(input.beepCount(), 1);
    ASSERT_EQ(presenter.shown().size(), 1u);
    EXPECT_EQ(presenter.shown().back().alert.style, AlertStyle::Informational);
    presenter.answerSheet(nullptr, 0);

    controller.deleteRow(5);
    EXPECT_EQ(input.beepCount(), 2);
    select({ home });
    controller.deleteRow(5);
    EXPECT_EQ(presenter.shown().size(), 1u);

    controller.setSelectedObjects({ one, two });
    EXPECT_FALSE(controller.canEditTags());
    two->setCategories({ home, other });
    EXPECT_TRUE(controller.canEditTags());
    controller.setSelectedObjects({ one });
    EXPECT_TRUE(controller.canEditTags());
}

TEST_F(NotesArrayControllerTest, DeletingTheNewNoteOnlyTakesItOutOfTheList)
{
    const auto one = note(QStringLiteral("One"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"), { one });
    context.processPendingChanges();
    select({ home });
    step([&] { controller.newNoteEditingName(); });
    const ManagedObjectPtr spare = controller.emptyNote();
    ASSERT_TRUE(spare);
    step([&] { controller.deleteNotes({ spare, one }); });
    EXPECT_FALSE(spare->isDeleted());
    EXPECT_TRUE(one->isDeleted());
    EXPECT_TRUE(controller.arrangedObjects().isEmpty());
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Delete Notes"));
}

TEST_F(NotesArrayControllerTest, TrashedNotesSortLastInBothDirections)
{
    const auto a = note(QStringLiteral("a"));
    const auto z = note(QStringLiteral("z"));
    const auto emptied = note(QStringLiteral("m"));
    emptied->setTrashFlag(true);
    const auto other = note(QStringLiteral("b"));
    other->setTrashFlag(true);
    const ManagedObjectPtr all = category(QStringLiteral("All"), { z, emptied, a, other });
    context.processPendingChanges();
    select({ all });
    controller.includeInFilter(emptied);
    controller.includeInFilter(other);
    for (const bool ascending : { true, false }) {
        SCOPED_TRACE(ascending ? "ascending" : "descending");
        controller.setSortDescriptors({ SortDescriptor(BXNote::NoteTitleKey, ascending) });
        EXPECT_EQ(listed(),
            ascending ? QStringList({ "a", "z", "b", "m" }) : QStringList({ "z", "a", "m", "b" }));
        const BXNotesArraySortDescriptor descriptor(
            SortDescriptor(BXNote::NoteTitleKey, ascending));
        EXPECT_EQ(descriptor.compare(*emptied, *a), 1);
        EXPECT_EQ(descriptor.compare(*a, *emptied), -1);
        EXPECT_EQ(descriptor.compare(*emptied, *other), ascending ? 1 : -1);
    }
}

TEST_F(NotesArrayControllerTest, SortDescriptorsArchiveUnderTheirOwnClass)
{
    const QList<SortDescriptor> custom { SortDescriptor(BXNote::NoteModifiedKey, false),
        SortDescriptor(BXNote::NoteTitleKey, true, QStringLiteral("localizedCompare:")) };
    const QByteArray archived = BXNotesArraySortDescriptor::archivedData(custom);
    EXPECT_TRUE(archived.contains("BXNotesArraySortDescriptor"));
    EXPECT_EQ(BXNotesArraySortDescriptor::unarchivedSortDescriptors(archived), custom);
    // Plain sort descriptors are another class, which the list's sort does not accept.
    registerPredicateArchiving();
    const QList<QByteArray> unusable { QByteArray(), QByteArray("garbage"),
        Archiver::archivedData(QVariantList { QStringLiteral("noteTitle") }),
        Archiver::archivedData(QVariantList { QVariant::fromValue(custom.first()) }),
        BXNotesArraySortDescriptor::archivedData({}) };
    for (const QByteArray& data : unusable) {
        SCOPED_TRACE(data.toHex().toStdString());
        EXPECT_EQ(BXNotesArraySortDescriptor::unarchivedSortDescriptors(data),
            BXNotesArraySortDescriptor::defaultSortDescriptors());
    }
}

} // namespace
