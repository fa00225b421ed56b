#include "document/model/BXNote.h"
#include "document/BXDefaults.h"
#include "document/model/BXDataModel.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QThreadPool>
#include <QUuid>

using platform::AttributedText;
using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;

namespace {

class NoteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        context.setPersistentStoreCoordinator(
            std::make_shared<platform::PersistentStoreCoordinator>(BXDataModel::model()));
        context.setUndoManager(&undo);
    }
    void TearDown() override { context.setUndoManager(nullptr); }

    BXNote::NotePtr newNote(const QString& name = {})
    {
        return BXNote::newNoteInManagedObjectContext(&context, name, {});
    }
    ManagedObjectPtr newCategory(const QString& entity, const QString& name)
    {
        ManagedObjectPtr category = context.insertNewObjectForEntityForName(entity);
        category->setValue(name, QStringLiteral("categoryName"));
        return category;
    }
    qsizetype count(const QString& format)
    {
        platform::FetchRequest request(BXNote::entityName());
        request.setPredicate(platform::Predicate::predicateWithFormat(format));
        return context.countForFetchRequest(request, nullptr);
    }

    platform::FakeScheduler scheduler;
    platform::UndoManager undo;
    ManagedObjectContext context;
};

std::unique_ptr<QTextDocument> plainDocument(const QString& text)
{
    std::unique_ptr<QTextDocument> doc = AttributedText::makeDocument();
    doc->setPlainText(text);
    return doc;
}

TEST(NoteTitle, DerivedFromTheFirstLineWithinFiftyUnits)
{
    const QString obj(QChar(0xFFFC));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString ellipsis(QChar(0x2026));
    struct Case {
        const char* name;
        QString text;
        QString title;
    };
    const Case cases[] = {
        { "sixty units cut to forty", QString(60, 'a'), QString(40, 'a') + ellipsis },
        { "fifty stays whole", QString(50, 'b'), QString(50, 'b') },
        { "fifty-one is cut", QString(51, 'c'), QString(40, 'c') + ellipsis },
        { "first line only", QStringLiteral("  Groceries \nmilk\neggs"),
            QStringLiteral("Groceries") },
        { "line separator ends the line", QStringLiteral("one") + QChar(0x2028) + "two",
            QStringLiteral("one") },
        { "run ends at a tab", QStringLiteral("left\tright"), QStringLiteral("left") },
        { "control character first keeps the line", QStringLiteral("\x01 start here"),
            QStringLiteral("\x01 start here") },
        { "one picture", obj + QStringLiteral("  \n"), QStringLiteral("Picture") },
        { "two pictures", QStringLiteral(" ") + obj + QStringLiteral("\n") + obj,
            QStringLiteral("Pictures") },
        { "pictures beside text are dropped", obj + QStringLiteral("Caption"),
            QStringLiteral("Caption") },
        { "blank text has no title", QStringLiteral(" \n\t "), QString() },
        { "nothing has no title", QString(), QString() },
        { "surrogate pair is never split", QString(39, 'd') + emoji + QString(20, 'e'),
            QString(39, 'd') + ellipsis },
        { "surrogate pair before the cut stays", QString(38, 'f') + emoji + QString(20, 'g'),
            QString(38, 'f') + emoji + ellipsis },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString title = BXNote::noteName(c.text);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(title.isNull(), c.title.isNull());
    }
}

TEST_F(NoteTest, NewNoteIsBlankWithDefaultStyle)
{
    BXNote::NotePtr note = newNote();
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->noteTitle().isNull());
    EXPECT_TRUE(note->noteName().isNull());
    EXPECT_LE(note->noteCreated().msecsTo(note->noteModified()), 1000);
    EXPECT_TRUE(note->noteStyles().startsWith("{\\rtf"));
    EXPECT_TRUE(note->noteEmpty());
    EXPECT_EQ(note->selectedRange(), (BXNote::Range { 0, 0 }));
    EXPECT_EQ(BXNote::newNoteInManagedObjectContext(nullptr, {}, {}), nullptr);
    // Its text is typed in the default look, which no character is left to carry.
    const QTextCharFormat look = QTextCursor(BXNote::emptyStyle().get()).charFormat();
    EXPECT_EQ(QTextCursor(note->textStorage()).charFormat().font(), look.font());

    BXNote::NotePtr named = newNote(QStringLiteral("Named"));
    EXPECT_EQ(named->noteTitle(), QStringLiteral("Named"));
    EXPECT_FALSE(named->noteEmpty());
}

TEST_F(NoteTest, RenameAndTextUpdatesKeepTitleAndNameInStep)
{
    BXNote::NotePtr note = newNote();
    note->setAttributedString(*plainDocument(QStringLiteral("First line\nmore")));
    EXPECT_EQ(note->noteTitle(), QStringLiteral("First line"));
    EXPECT_EQ(note->noteText(), QStringLiteral("First line\nmore"));

    note->setNoteTitle(QStringLiteral("  My name  "));
    EXPECT_EQ(note->noteName(), QStringLiteral("My name"));
    EXPECT_EQ(note->noteTitle(), QStringLiteral("My name"));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Change Note Title"));

    note->updateNoteText(QStringLiteral("Other text"));
    EXPECT_EQ(note->noteTitle(), QStringLiteral("My name"));

    note->setNoteTitle(QStringLiteral(" \n "));
    EXPECT_TRUE(note->noteName().isNull());
    EXPECT_EQ(note->noteTitle(), QStringLiteral("Other text"));

    const QDateTime before = note->noteModified();
    scheduler.advance(0.01);
    note->updateNoteText(QString());
    EXPECT_TRUE(note->noteTitle().isNull());
    EXPECT_GE(note->noteModified(), before);
}

// The editors store text without undo, so a rename's undo may come after the text changed:
// the note then takes the title its text gives now, and the redo names it again.
TEST_F(NoteTest, UndoingARenameRetitlesTheNoteByItsTextAsItIsNow)
{
    BXNote::NotePtr note = newNote();
    const auto storeText = [&](const QString& text) {
        undo.disableUndoRegistration();
        note->setAttributedString(*plainDocument(text));
        undo.enableUndoRegistration();
    };
    storeText(QStringLiteral("Alpha"));
    scheduler.runUntilIdle();
    undo.removeAllActions();

    struct Step {
        const char* name;
        QString before;
        QString renamedTo;
        QString textAfter;
        QString titleAfterUndo;
        QString titleAfterRedo;
    };
    const Step steps[] = {
        { "named, then a new first line", QString(), QStringLiteral("Named"),
            QStringLiteral("Gamma\nAlpha"), QStringLiteral("Gamma"), QStringLiteral("Named") },
        { "named, then the text emptied", QString(), QStringLiteral("Named"), QString(), QString(),
            QStringLiteral("Named") },
        { "renamed from another name", QStringLiteral("Old"), QStringLiteral("New"),
            QStringLiteral("Delta"), QStringLiteral("Old"), QStringLiteral("New") },
        { "name cleared, then a new first line", QStringLiteral("Kept"), QStringLiteral(" "),
            QStringLiteral("Epsilon"), QStringLiteral("Kept"), QStringLiteral("Epsilon") },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        undo.disableUndoRegistration();
        note->setNoteTitle(step.before);
        undo.enableUndoRegistration();
        note->setNoteTitle(step.renamedTo);
        scheduler.runUntilIdle();
        const QString renamedName = note->noteName();
        storeText(step.textAfter);

        ASSERT_EQ(undo.undoActionName(), QStringLiteral("Change Note Title"));
        undo.undo();
        EXPECT_EQ(note->noteName(), step.before);
        EXPECT_EQ(note->noteTitle(), step.titleAfterUndo);
        EXPECT_EQ(undo.redoActionName(), QStringLiteral("Change Note Title"));
        undo.redo();
        EXPECT_EQ(note->noteName(), renamedName);
        EXPECT_EQ(note->noteTitle(), step.titleAfterRedo);
        undo.undo();
        EXPECT_EQ(note->noteTitle(), step.titleAfterUndo);
        undo.removeAllActions();
    }

    // A rename that changes neither name nor title is no step, and does not lend its name to
    // the other changes of its turn.
    note->setNoteTitle(QStringLiteral("Same"));
    scheduler.runUntilIdle();
    undo.removeAllActions();
    note->setNoteTitle(QStringLiteral(" Same "));
    scheduler.runUntilIdle();
    EXPECT_FALSE(undo.canUndo());
    note->setLastImportFlag(true);
    note->setNoteTitle(QStringLiteral("Same"));
    scheduler.runUntilIdle();
    EXPECT_TRUE(undo.canUndo());
    EXPECT_EQ(undo.undoActionName(), QString());
}

// Undo and redo put a copy's name, text and title back one by one, also after an editor wrote
// into the copy (without undo) while it was undone: the title follows the name and text.
TEST_F(NoteTest, TheTitleFollowsTheNameAndTextThatUndoAndRedoPutBack)
{
    struct Case {
        const char* name;
        QString sourceName;
        QString titleAfterRedo;
    };
    const Case cases[] = {
        { "copy of a named note", QStringLiteral("Music"), QStringLiteral("Music") },
        { "copy titled by its first line", QString(), QStringLiteral("Lessons") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BXNote::NotePtr source = newNote();
        source->setAttributedString(*plainDocument(QStringLiteral("Lessons\nTuesdays")));
        if (!c.sourceName.isEmpty())
            source->setNoteTitle(c.sourceName);
        scheduler.runUntilIdle();
        undo.removeAllActions();
        BXNote::NotePtr copy = BXNote::noteWithNote(source.get(), &context, {});
        ASSERT_TRUE(copy);
        scheduler.runUntilIdle();

        undo.undo();
        EXPECT_TRUE(copy->noteName().isEmpty());
        EXPECT_TRUE(copy->noteTitle().isEmpty());
        undo.disableUndoRegistration();
        copy->setAttributedString(*plainDocument(QStringLiteral("Typed while undone")));
        undo.enableUndoRegistration();
        undo.redo();
        EXPECT_EQ(copy->noteName(), c.sourceName);
        EXPECT_EQ(copy->noteText(), QStringLiteral("Lessons\nTuesdays"));
        EXPECT_EQ(copy->noteTitle(), c.titleAfterRedo);
        // Undone again, the copy holds what the editor wrote; its title is that text's.
        undo.undo();
        EXPECT_TRUE(copy->noteName().isEmpty());
        EXPECT_EQ(copy->noteTitle(), BXNote::noteName(copy->noteText()));
        undo.removeAllActions();
    }
}

TEST_F(NoteTest, RichTextIsStoredAsRtfOrRtfdAndReadBack)
{
    BXNote::NotePtr note = newNote();
    std::unique_ptr<QTextDocument> styled = plainDocument(QStringLiteral("Bold words"));
    QFont bold = AttributedText::systemFont();
    bold.setBold(true);
    AttributedText::addAttribute(*styled, AttributedText::FontAttributeName, bold, { 0, 4 });
    note->setAttributedString(*styled);
    EXPECT_TRUE(note->noteStyles().startsWith("{\\rtf"));
    std::unique_ptr<QTextDocument> back = note->attributedString();
    EXPECT_EQ(AttributedText::string(*back), QStringLiteral("Bold words"));
    EXPECT_TRUE(AttributedText::attribute(*back, AttributedText::FontAttributeName, 0)
                    .value<QFont>()
                    .bold());

    std::unique_ptr<QTextDocument> picture = plainDocument(QStringLiteral("x"));
    QTextCursor cursor(picture.get());
    cursor.movePosition(QTextCursor::End);
    AttributedText::insertAttachment(
        cursor, { QByteArray("GIF89a"), QStringLiteral("a.gif"), QSizeF(10, 10) });
    note->setAttributedString(*picture);
    EXPECT_TRUE(note->noteStyles().startsWith("rtfd"));
    EXPECT_EQ(note->noteTitle(), QStringLiteral("x"));
    EXPECT_TRUE(AttributedText::containsAttachments(*note->attributedString()));

    // Unreadable rich text falls back to the plain text.
    note->setNoteStyles(QByteArray("not rich text at all"));
    EXPECT_EQ(note->textStyle(), nullptr);
    EXPECT_EQ(AttributedText::string(*note->attributedString()), note->noteText());
    note->setNoteStyles(QByteArray());
    note->setNoteText(QString());
    EXPECT_EQ(AttributedText::string(*note->attributedString()), QString());
}

TEST_F(NoteTest, TextStorageIsBuiltOnDemandAndRefreshedWithoutUndo)
{
    BXNote::NotePtr note = newNote();
    note->setAttributedString(*plainDocument(QStringLiteral("one")));
    EXPECT_FALSE(note->hasTextStorage());
    QTextDocument* storage = note->textStorage();
    ASSERT_TRUE(storage);
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("one"));
    EXPECT_EQ(note->textStorage(), storage);

    note->setAttributedString(*plainDocument(QStringLiteral("two")));
    scheduler.runUntilIdle();
    const bool couldUndo = undo.canUndo();
    note->refreshTextStorage();
    scheduler.runUntilIdle();
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("two"));
    EXPECT_EQ(undo.canUndo(), couldUndo);

    note->releaseTextStorage();
    EXPECT_FALSE(note->hasTextStorage());
    EXPECT_EQ(note->undoManager(), note->undoManager());
    EXPECT_NE(note->undoManager(), &undo);
}

TEST_F(NoteTest, TheSameTextAgainChangesNothing)
{
    BXNote::NotePtr note = newNote();
    note->setAttributedString(*plainDocument(QStringLiteral("Same words")));
    scheduler.runUntilIdle();
    undo.removeAllActions();
    const QDateTime modified = note->noteModified();
    QSignalSpy changes(note.get(), &platform::ManagedObject::valueChanged);

    scheduler.advance(1);
    note->setAttributedString(*note->textStorage());
    note->refreshTextStorage();
    scheduler.runUntilIdle();
    EXPECT_EQ(note->noteModified(), modified);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(NoteTest, TheStorageKnowsItsOwnEditsFromTheStore)
{
    BXNote::NotePtr note = newNote();
    note->setAttributedString(*plainDocument(QStringLiteral("kept")));
    QTextDocument* storage = note->textStorage();
    EXPECT_FALSE(note->textStorageEdited());

    QTextCursor(storage).insertText(QStringLiteral("typed "));
    EXPECT_TRUE(note->textStorageEdited());
    note->setAttributedString(*storage);
    EXPECT_FALSE(note->textStorageEdited());
    EXPECT_EQ(note->noteText(), QStringLiteral("typed kept"));

    // A storage edit the store already holds is still one to write back, never to lose.
    QTextCursor cursor(storage);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("!"));
    cursor.deletePreviousChar();
    EXPECT_TRUE(note->textStorageEdited());
    note->refreshTextStorage();
    EXPECT_FALSE(note->textStorageEdited());
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("typed kept"));
}

// Long enough to be decoded on a worker.
QString longText()
{
    return QStringLiteral("A line of a long note, with words enough to fill it.\n").repeated(30000);
}

TEST_F(NoteTest, ALongTextIsBuiltOnAWorker)
{
    BXNote::NotePtr small = newNote();
    small->setAttributedString(*plainDocument(QStringLiteral("short")));
    EXPECT_FALSE(small->textStorageLoadsSlowly());

    BXNote::NotePtr note = newNote();
    note->setAttributedString(*plainDocument(longText()));
    ASSERT_TRUE(note->textStorageLoadsSlowly());
    QObject requester;
    QSignalSpy loaded(&requester, &QObject::objectNameChanged);
    auto load = [&] {
        note->loadTextStorage(
            &requester, [&] { requester.setObjectName(QUuid::createUuid().toString()); });
    };

    // The stored text changing meanwhile leaves the decoded one unused: the caller asks again.
    load();
    note->setAttributedString(*plainDocument(longText() + QStringLiteral("more")));
    ASSERT_TRUE(loaded.wait(60000));
    EXPECT_FALSE(note->hasTextStorage());

    load();
    ASSERT_TRUE(loaded.wait(60000));
    ASSERT_TRUE(note->hasTextStorage());
    EXPECT_FALSE(note->textStorageLoadsSlowly());
    EXPECT_FALSE(note->textStorageEdited());
    EXPECT_EQ(AttributedText::string(*note->textStorage()), note->noteText());
    EXPECT_EQ(note->textStorage()->thread(), requester.thread());

    // A requester gone first stops the work and hears nothing.
    note->releaseTextStorage();
    {
        QObject gone;
        note->loadTextStorage(&gone, [] { ADD_FAILURE() << "the requester is gone"; });
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(note->hasTextStorage());
}

// A saved text is measured without being read and read on the worker; the main context's note
// never reads it, and text set meanwhile is never covered by the one read.
TEST_F(NoteTest, ASavedLongTextIsReadOnTheWorkerAndNewerTextWins)
{
    QTemporaryDir folder;
    ASSERT_TRUE(context.persistentStoreCoordinator()->addPersistentStore(platform::SQLiteStoreType,
        QUrl::fromLocalFile(folder.filePath(QStringLiteral("notes.sqlite"))), {}, nullptr));
    BXNote::NotePtr note = newNote();
    note->setAttributedString(*plainDocument(longText()));
    ASSERT_TRUE(context.save(nullptr));
    const auto unread = [&] {
        context.refreshObject(note, false);
        ASSERT_TRUE(note->textStorageLoadsSlowly());
        ASSERT_FALSE(note->isValueLoaded(BXNote::NoteTextKey));
        ASSERT_FALSE(note->isValueLoaded(BXNote::NoteStylesKey));
    };
    QObject requester;
    QSignalSpy loaded(&requester, &QObject::objectNameChanged);
    auto load = [&] {
        note->loadTextStorage(
            &requester, [&] { requester.setObjectName(QUuid::createUuid().toString()); });
    };

    unread();
    load();
    const QString newer = longText() + QStringLiteral("newer");
    note->setAttributedString(*plainDocument(newer));
    ASSERT_TRUE(loaded.wait(60000));
    EXPECT_FALSE(note->hasTextStorage());
    EXPECT_EQ(AttributedText::string(*note->textStorage()), newer);
    ASSERT_TRUE(context.save(nullptr));
    note->releaseTextStorage();

    unread();
    load();
    ASSERT_TRUE(loaded.wait(60000));
    ASSERT_TRUE(note->hasTextStorage());
    EXPECT_EQ(AttributedText::string(*note->textStorage()), newer);
    EXPECT_FALSE(note->textStorageEdited());
    EXPECT_FALSE(note->isValueLoaded(BXNote::NoteTextKey));
    EXPECT_FALSE(note->isValueLoaded(BXNote::NoteStylesKey));
}

TEST_F(NoteTest, SelectionAndFrameCachesUseTheirStringForms)
{
    BXNote::NotePtr note = newNote();
    note->setSelectedRange({ 5, 3 });
    EXPECT_EQ(note->valueForKey(QStringLiteral("selectedRangeString")).toString(),
        QStringLiteral("{5, 3}"));
    note->setWindowFrame(QRectF(10, 20.5, 300, 400));
    EXPECT_EQ(note->valueForKey(QStringLiteral("windowFrameString")).toString(),
        QStringLiteral("{{10, 20.5}, {300, 400}}"));

    struct RangeCase {
        QString string;
        BXNote::Range range;
    };
    for (const RangeCase& c : { RangeCase { QStringLiteral("{12, 7}"), { 12, 7 } },
             RangeCase { QStringLiteral("{4}"), { 4, 0 } }, RangeCase { QString(), { 0, 0 } },
             RangeCase { QStringLiteral("garbage"), { 0, 0 } } }) {
        SCOPED_TRACE(c.string.toStdString());
        EXPECT_EQ(BXNote::rangeFromString(c.string), c.range);
    }
    EXPECT_EQ(
        BXNote::rectFromString(QStringLiteral("{{-1.5, 2}, {3e2, 4}}")), QRectF(-1.5, 2, 300, 4));
    EXPECT_EQ(BXNote::rectFromString(QString()), QRectF());

    // A note read without a cache takes the stored strings.
    BXNote::NotePtr other = newNote();
    other->setValue(QStringLiteral("{8, 2}"), QStringLiteral("selectedRangeString"));
    other->setValue(QStringLiteral("{{1, 2}, {3, 4}}"), QStringLiteral("windowFrameString"));
    EXPECT_EQ(other->selectedRange(), (BXNote::Range { 8, 2 }));
    EXPECT_EQ(other->windowFrame(), QRectF(1, 2, 3, 4));
}

TEST_F(NoteTest, SpareEmptyNoteIsKeptSingleAndRecordsNoUndo)
{
    BXNote::NotePtr first = BXNote::newEmptyNoteInManagedObjectContext(&context);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->trashFlag());
    EXPECT_FALSE(first->objectAvailable());

    BXNote::NotePtr second = newNote();
    second->setTrashFlag(true);
    second->setAttributedString(*plainDocument(QStringLiteral("leftover")));
    scheduler.runUntilIdle();
    undo.removeAllActions();

    BXNote::NotePtr spare = BXNote::newEmptyNoteInManagedObjectContext(&context);
    scheduler.runUntilIdle();
    ASSERT_TRUE(spare);
    EXPECT_EQ(count(QStringLiteral("trashFlag = YES")), 1);
    EXPECT_TRUE(spare->noteEmpty());
    EXPECT_TRUE(spare->noteTitle().isNull());
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(NoteTest, CopiesResetsAndCategoryNames)
{
    ManagedObjectPtr work = newCategory(QStringLiteral("Category"), QStringLiteral("Work"));
    ManagedObjectPtr home = newCategory(QStringLiteral("Category"), QStringLiteral("Home"));
    ManagedObjectPtr smart
        = newCategory(QStringLiteral("FetchedNotesCategory"), QStringLiteral("All Notes"));

    BXNote::NotePtr source = newNote();
    source->setAttributedString(*plainDocument(QStringLiteral("Derived title\nbody")));
    source->setCategories({ work });
    source->setSelectedRange({ 13, 0 });
    BXNote::NotePtr copy = BXNote::noteWithNote(source.get(), &context, { home, work, smart });
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->noteName().isEmpty());
    EXPECT_EQ(copy->noteTitle(), QStringLiteral("Derived title"));
    EXPECT_EQ(copy->noteStyles(), source->noteStyles());
    EXPECT_EQ(copy->noteText(), source->noteText());
    EXPECT_EQ(copy->selectedRange(), (BXNote::Range { 13, 0 }));
    // The copy's first line retitles it; a named note's copy keeps the name.
    copy->updateNoteText(QStringLiteral("New first line\nbody"));
    EXPECT_EQ(copy->noteTitle(), QStringLiteral("New first line"));
    source->setNoteTitle(QStringLiteral("Named"));
    BXNote::NotePtr named = BXNote::noteWithNote(source.get(), &context, {});
    EXPECT_EQ(named->noteName(), QStringLiteral("Named"));
    named->updateNoteText(QStringLiteral("Other line"));
    EXPECT_EQ(named->noteTitle(), QStringLiteral("Named"));
    EXPECT_EQ(BXNote::noteWithNote(nullptr, &context, {}), nullptr);

    const QString names = copy->categoryNamesSeparatedBy(QString());
    EXPECT_TRUE(names == QStringLiteral("Home, Work") || names == QStringLiteral("Work, Home"))
        << names.toStdString();
    EXPECT_EQ(source->categoryNamesSeparatedBy(QStringLiteral("|")), QStringLiteral("Work"));
    copy->setCategories({ smart });
    EXPECT_TRUE(copy->categoryNamesSeparatedBy(QString()).isNull());

    source->setLastImportFlag(true);
    copy->setLastImportFlag(true);
    BXNote::resetLastImportFlagsInManagedObjectContext(&context);
    EXPECT_EQ(count(QStringLiteral("lastImportFlag = YES")), 0);
}

TEST_F(NoteTest, AvailabilityFollowsContextDeletionAndSpareFlag)
{
    BXNote::NotePtr note = newNote();
    EXPECT_TRUE(note->objectAvailable());
    EXPECT_TRUE(note->identifier().toString().startsWith(QStringLiteral("x-coredata:")));
    note->setTrashFlag(true);
    EXPECT_FALSE(note->objectAvailable());
    note->setTrashFlag(false);
    context.deleteObject(note);
    EXPECT_FALSE(note->objectAvailable());
}

} // namespace
