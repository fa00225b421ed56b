#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SharedTextStorage.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;
using platform::SaveOperation;

namespace {

// Two documents on one file, as two copies of the application have it: each reads the file,
// and each save merges first what the other saved.
class TwoCopiesMergeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        BXDocument first;
        notesfiletest::addNote(first, QStringLiteral("Trip"));
        notesfiletest::addNote(first, QStringLiteral("Packing list"));
        ASSERT_TRUE(notesfiletest::save(first, url, SaveOperation::SaveAs).isNull());
        first.close();
        here = open();
        there = open();
    }

    void TearDown() override
    {
        here->close();
        there->close();
    }

    std::unique_ptr<BXDocument> open()
    {
        auto document = std::make_unique<BXDocument>();
        platform::Error error;
        EXPECT_TRUE(document->initWithContentsOfURL(url, BXDocument::NotesDocumentType, &error))
            << error.toString().toStdString();
        return document;
    }

    static BXNote::NotePtr noteTitled(BXDocument& document, const QString& title)
    {
        const auto notes = document.managedObjectContext()->fetchObjects(
            platform::FetchRequest(BXNote::entityName()), nullptr);
        for (const platform::ManagedObjectPtr& object :
            notes.value_or(QList<platform::ManagedObjectPtr>())) {
            auto note = std::static_pointer_cast<BXNote>(object);
            if (note->noteTitle() == title)
                return note;
        }
        return nullptr;
    }

    static void setText(BXNote& note, const QString& text)
    {
        std::unique_ptr<QTextDocument> rich = AttributedText::makeDocument();
        rich->setPlainText(text);
        note.setAttributedString(*rich);
    }

    void save(BXDocument& document)
    {
        const platform::Error error = notesfiletest::save(document, url, SaveOperation::Save);
        EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
        scheduler.runUntilIdle();
    }

    // The texts of the file's notes, sorted, joined by "|".
    std::string storedTexts()
    {
        std::unique_ptr<BXDocument> reader = open();
        QStringList texts;
        const auto notes = reader->managedObjectContext()->fetchObjects(
            platform::FetchRequest(BXNote::entityName()), nullptr);
        for (const platform::ManagedObjectPtr& object :
            notes.value_or(QList<platform::ManagedObjectPtr>()))
            texts << std::static_pointer_cast<BXNote>(object)->noteText();
        reader->close();
        texts.sort();
        return texts.join(u'|').toStdString();
    }

    platform::FakeScheduler scheduler;
    platform::FakeAlertPresenter alerts;
    QUrl url = notesfiletest::packageURL(bxtest::makeTempFolder(), QStringLiteral("Shared"));
    std::unique_ptr<BXDocument> here;
    std::unique_ptr<BXDocument> there;
};

TEST_F(TwoCopiesMergeTest, AShownNoteTakesTheOtherCopysTextWithTheCaretOnItsCharacters)
{
    const BXNote::NotePtr note = noteTitled(*here, QStringLiteral("Packing list"));
    ASSERT_NE(note, nullptr);
    // A view of the note: its mirror of the storage, with the caret after "list".
    std::unique_ptr<QTextDocument> mirror
        = platform::SharedTextStorage::of(note->textStorage())->makeMirror(nullptr);
    QTextCursor caret(mirror.get());
    caret.setPosition(int(QStringLiteral("Packing list").size()));

    const BXNote::NotePtr theirs = noteTitled(*there, QStringLiteral("Packing list"));
    setText(*theirs, QStringLiteral("My packing list"));
    save(*there);
    save(*here);

    EXPECT_EQ(note->noteText().toStdString(), "My packing list");
    EXPECT_EQ(AttributedText::string(*note->textStorage()).toStdString(), "My packing list");
    EXPECT_EQ(mirror->toPlainText().toStdString(), "My packing list");
    EXPECT_EQ(caret.position(), QStringLiteral("My packing list").size());
    EXPECT_FALSE(note->textStorageEdited());
    // Nothing was kept twice, and the editor's next write-back keeps the other copy's text.
    EXPECT_EQ(alerts.pendingSheetCount(), 0);
    note->setAttributedString(*note->textStorage());
    save(*here);
    EXPECT_EQ(storedTexts(), "My packing list|Trip");
}

TEST_F(TwoCopiesMergeTest, TypingNotWrittenBackYetKeepsBothTexts)
{
    const BXNote::NotePtr note = noteTitled(*here, QStringLiteral("Packing list"));
    ASSERT_NE(note, nullptr);
    QTextCursor typing(note->textStorage());
    typing.movePosition(QTextCursor::End);
    typing.insertText(QStringLiteral(", boots"));
    ASSERT_TRUE(note->textStorageEdited());

    const BXNote::NotePtr theirs = noteTitled(*there, QStringLiteral("Packing list"));
    setText(*theirs, QStringLiteral("Packing list, tent"));
    save(*there);
    save(*here);

    // The storage keeps this side's typing; the other side's text is a note of its own.
    EXPECT_EQ(AttributedText::string(*note->textStorage()).toStdString(), "Packing list, boots");
    EXPECT_NE(noteTitled(*here, QStringLiteral("Packing list, tent")), nullptr);
    EXPECT_EQ(alerts.pendingSheetCount(), 1);
    note->setAttributedString(*note->textStorage());
    save(*here);
    EXPECT_EQ(storedTexts(), "Packing list, boots|Packing list, tent|Trip");
}

// A list or a window saves the main context of its own accord (the spare note, a note window's
// frame): that save too brings in first what the other copy saved.
TEST_F(TwoCopiesMergeTest, ASaveOfTheContextAloneKeepsTheOtherCopysEdit)
{
    const BXNote::NotePtr note = noteTitled(*here, QStringLiteral("Packing list"));
    ASSERT_NE(note, nullptr);
    setText(
        *noteTitled(*there, QStringLiteral("Packing list")), QStringLiteral("Packing list, tent"));
    save(*there);
    setText(*note, QStringLiteral("Packing list, boots"));

    platform::Error error;
    ASSERT_TRUE(here->managedObjectContext()->save(&error)) << error.toString().toStdString();
    scheduler.runUntilIdle();
    EXPECT_EQ(storedTexts(), "Packing list, boots|Packing list, tent|Trip");
    EXPECT_EQ(alerts.pendingSheetCount(), 1);
}

// A note's styled text is read only when a view first needs it, maybe after the other copy
// saved the note: its plain text and title are then read again with it, never left a save
// behind; the next save still takes the other copy's text without keeping it twice.
TEST_F(TwoCopiesMergeTest, StyledTextReadAfterTheOtherCopySavedMatchesThePlainText)
{
    const BXNote::NotePtr note = noteTitled(*here, QStringLiteral("Packing list"));
    ASSERT_NE(note, nullptr);
    setText(
        *noteTitled(*there, QStringLiteral("Packing list")), QStringLiteral("Packing list, tent"));
    save(*there);

    const std::unique_ptr<QTextDocument> styled = note->attributedString();
    EXPECT_EQ(AttributedText::string(*styled).toStdString(), "Packing list, tent");
    EXPECT_EQ(note->noteText().toStdString(), "Packing list, tent");
    EXPECT_EQ(note->noteTitle().toStdString(), "Packing list, tent");
    EXPECT_FALSE(note->hasChanges());

    setText(*noteTitled(*here, QStringLiteral("Trip")), QStringLiteral("Trip to the lake"));
    save(*here);
    EXPECT_EQ(alerts.pendingSheetCount(), 0);
    EXPECT_EQ(storedTexts(), "Packing list, tent|Trip to the lake");
}

} // namespace
