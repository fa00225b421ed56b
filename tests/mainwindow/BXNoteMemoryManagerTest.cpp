#include "MainWindowFixture.h"

#include "mainwindow/notememory/BXNoteCacheManager.h"
#include "mainwindow/notememory/BXNoteMemoryManager.h"

#include "lists/noteslist/BXNotesArrayController.h"

#include "document/BXNoteDataProvider.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/AttributedText.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {

// A note window as the document sees it: a controller that shows one note.
class FakeNoteWindow final : public platform::WindowController, public BXNoteDataProvider {
public:
    explicit FakeNoteWindow(BXNote::NotePtr note) : m_note(std::move(note)) { }
    BXNote::NotePtr noteItem() const override { return m_note; }
    BXNote::NotePtr noteAtIndex(qsizetype) const override { return nullptr; }
    QList<platform::ManagedObjectPtr> selectedNotes() const override { return { m_note }; }
    double noteTextZoomFactor() const override { return 1; }
    void zoomToFactor(double) override { }
    bool noteDirty() const override { return false; }

private:
    BXNote::NotePtr m_note;
};

class BXNoteMemoryManagerTest : public MainWindowFixture {
protected:
    BXNoteMemoryManager* memory() const { return controller->noteMemoryManager(); }
    BXNoteCacheManager* cache() const { return memory()->noteCacheManager(); }
    QList<BXNote::NotePtr> allNotes() const
    {
        QList<BXNote::NotePtr> notes;
        for (const auto& object : controller->notesController()->arrangedObjects())
            notes << std::static_pointer_cast<BXNote>(object);
        return notes;
    }
};

TEST_F(BXNoteMemoryManagerTest, TheCacheKeepsTheMostRecentNotesAndFaultsTheOldest)
{
    QStringList texts;
    for (int i = 0; i < 6; ++i)
        texts << QStringLiteral("Note %1").arg(i);
    makeFile(texts);
    openWindow();
    const QList<BXNote::NotePtr> notes = allNotes();
    cache()->resetCache();
    cache()->setMaxCachedNotes(4);
    for (const auto& note : notes.mid(0, 4)) {
        note->noteText();
        cache()->noteAccessed(note);
    }
    // Shown again: moved to the recent end, not counted twice.
    cache()->noteAccessed(notes[0]);
    ASSERT_EQ(cache()->accessOrder().size(), 4);
    EXPECT_EQ(cache()->accessOrder().last(), notes[0]->objectID());

    // One beyond the limit: the oldest (notes[1]) becomes a fault, its text freed.
    notes[4]->noteText();
    cache()->noteAccessed(notes[4]);
    EXPECT_EQ(cache()->accessOrder().size(), 4);
    EXPECT_FALSE(cache()->accessOrder().contains(notes[1]->objectID()));
    EXPECT_TRUE(notes[1]->isFault());
    EXPECT_FALSE(notes[1]->isValueLoaded(QStringLiteral("noteText")));
    EXPECT_EQ(cache()->lastAccessTimes().size(), 4);

    // A note with unsaved changes is forgotten but never faulted.
    notes[2]->setTrashFlag(!notes[2]->trashFlag());
    cache()->setMaxCachedNotes(2);
    EXPECT_EQ(cache()->accessOrder().size(), 2);
    EXPECT_FALSE(notes[2]->isFault());
    EXPECT_TRUE(notes[3]->isFault());

    EXPECT_EQ(cache()->cleanupCacheKeepingNotes({ notes[4] }), 1u);
    EXPECT_EQ(cache()->accessOrder(), QList<platform::ManagedObjectID> { notes[4]->objectID() });
    cache()->resetCache();
    EXPECT_TRUE(cache()->accessOrder().isEmpty());
    EXPECT_FALSE(notes[4]->isFault()) << "resetting touches no note";
}

TEST_F(BXNoteMemoryManagerTest, ViewingNotesFreesThemWithoutChangingThemOrTheDocument)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums") });
    openWindow();
    const QList<BXNote::NotePtr> notes = allNotes();
    QList<QDateTime> modified;
    for (const auto& note : notes)
        modified << note->noteModified();
    document->updateChangeCount(platform::Document::ChangeType::Cleared);
    const bool couldUndo = document->undoManager()->canUndo();

    for (const auto& note : notes)
        select({ note });
    memory()->performPeriodicMemoryCleanup();
    settle();

    for (int i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(notes[i]->noteModified(), modified[i]);
        EXPECT_FALSE(notes[i]->hasChanges());
        EXPECT_EQ(notes[i]->hasTextStorage(), notes[i] == controller->selectedNote())
            << "only the shown note keeps its storage";
    }
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_EQ(document->undoManager()->canUndo(), couldUndo);
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), notes.size());
}

TEST_F(BXNoteMemoryManagerTest, ReleasingAskNeverBuildsAStorageNorFreesAShownOne)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums") });
    openWindow();
    const BXNote::NotePtr apples = noteTitled(QStringLiteral("Apples"));
    const BXNote::NotePtr pears = noteTitled(QStringLiteral("Pears"));
    const BXNote::NotePtr plums = noteTitled(QStringLiteral("Plums"));
    select({ plums });
    apples->textStorage();
    FakeNoteWindow noteWindow(apples);
    document->addWindowController(&noteWindow);

    memory()->releaseMemoryForNote(pears, true);
    EXPECT_FALSE(pears->hasTextStorage()) << "asking builds nothing";
    memory()->releaseMemoryForInactiveNotes();
    EXPECT_TRUE(apples->hasTextStorage()) << "a note window shows it";
    EXPECT_TRUE(plums->hasTextStorage()) << "the main window shows it";
    EXPECT_EQ(textView->textStorage(), plums->textStorage());

    document->removeWindowController(&noteWindow);
    memory()->releaseMemoryForInactiveNotes();
    EXPECT_FALSE(apples->hasTextStorage());
}

TEST_F(BXNoteMemoryManagerTest, TypingLeftUndoableKeepsTheStorageUntilAForcedRelease)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    openWindow();
    const BXNote::NotePtr apples = noteTitled(QStringLiteral("Apples"));
    const BXNote::NotePtr pears = noteTitled(QStringLiteral("Pears"));
    select({ pears });
    // Typing in a note window: the note's own undo manager records it.
    QTextDocument* storage = apples->textStorage();
    platform::UndoManager* own = apples->undoManager();
    own->registerUndo(storage, [] {});
    QTextCursor(storage).insertText(QStringLiteral("Red "));
    document->undoManager()->registerUndo(storage, [] {});

    memory()->releaseMemoryForNote(apples, false);
    EXPECT_TRUE(apples->hasTextStorage());
    EXPECT_EQ(apples->noteText(), QStringLiteral("Apples"));

    memory()->releaseMemoryForNote(apples, true);
    EXPECT_FALSE(apples->hasTextStorage());
    EXPECT_EQ(apples->noteText(), QStringLiteral("Red Apples")) << "the edit was written back";
    EXPECT_FALSE(own->canUndo());
    EXPECT_FALSE(document->undoManager()->canUndo()) << "no undo acts on the dropped storage";
    EXPECT_EQ(apples->textStorage()->toPlainText(), QStringLiteral("Red Apples"));
}

TEST_F(BXNoteMemoryManagerTest, ThePeriodicCleanUpRunsEveryFiveMinutes)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    openWindow();
    const BXNote::NotePtr apples = noteTitled(QStringLiteral("Apples"));
    select({ noteTitled(QStringLiteral("Pears")) });
    apples->textStorage();
    settle(memory()->memoryCleanupTimer()->fireDate() - scheduler.now() - 1);
    EXPECT_TRUE(apples->hasTextStorage());
    settle(1);
    EXPECT_FALSE(apples->hasTextStorage());
    controller->windowWillClose();
    EXPECT_FALSE(memory()->memoryCleanupTimer()->isValid());
}

} // namespace
