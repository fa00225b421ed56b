#include "mainwindow/notetext/BXMainWindowTextSwap.h"

#include "NoteTextFixture.h"

#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notetext/BXMainWindowTextSwapDelegate.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"

#include "platform/text/AttributedText.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

using platform::AttributedText;
using platform::TextRange;

namespace {

// The window controller as the text swap sees it: a chosen selected note and search, and a
// record of the ranges it was asked to select.
class FakeWindow final : public BXMainWindowTextSwapDelegate {
public:
    BXNote::NotePtr selectedNote() const override { return selected; }
    platform::UndoManager* documentUndoManager() const override { return document->undoManager(); }
    void noteTextWillShow(const BXNote::NotePtr&) override { }
    QString searchString() const override { return search; }
    std::optional<TextRange> rangeToShowInNote(const BXNote&) override { return match; }
    void handleScopeBarWithRange(std::optional<TextRange> range) override { ranges << range; }

    BXDocument* document = nullptr;
    BXNote::NotePtr selected;
    QString search;
    std::optional<TextRange> match;
    QList<std::optional<TextRange>> ranges;
};

class BXMainWindowTextSwapTest : public NoteTextFixture {
protected:
    void SetUp() override
    {
        NoteTextFixture::SetUp();
        window.document = &document;
    }

    QString shownText() const { return AttributedText::string(*view.mirror()); }

    FakeWindow window;
    BXMainWindowTextSwap swap { &view, window, nullptr };
};

// The shown note selected again (typing moved it in the list) keeps its caret, or the next
// keys would land at the start; only a search asks for a find in it.
TEST_F(BXMainWindowTextSwapTest, TheShownNoteKeepsItsCaretUnlessASearchAsksForAFind)
{
    const BXNote::NotePtr note = makeNote(QStringLiteral("Alpha beta"));
    window.selected = note;
    swap.setNoteText(note);
    scheduler.advance(BXMainWindowTextSwap::kTextSwapDelay);
    view.setSelectedRange({ 4, 0 });

    struct Case {
        const char* name;
        QString search;
        TextRange caret;
        TextRange selectedRange;
    };
    const Case cases[] = {
        { "no search", QString(), { 4, 0 }, { 4, 0 } },
        { "a search", QStringLiteral("beta"), { 0, 0 }, { 6, 4 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.search = c.search;
        window.match = TextRange { 6, 4 };
        window.ranges.clear();
        swap.setNoteText(note);
        EXPECT_EQ(view.selectedRange(), c.caret);
        scheduler.advance(BXMainWindowTextSwap::kTextSwapDelay);
        ASSERT_EQ(window.ranges.size(), 1);
        EXPECT_EQ(window.ranges.first(), c.selectedRange);
        EXPECT_EQ(view.textStorage(), note->textStorage());
        view.setSelectedRange({ 4, 0 });
    }
}

// A stale edit signal would write the old note's storage into whichever note is selected.
TEST_F(BXMainWindowTextSwapTest, OnlyEditsOfTheShownStorageAreReported)
{
    const BXNote::NotePtr first = makeNote(QStringLiteral("First"));
    const BXNote::NotePtr second = makeNote(QStringLiteral("Second"));
    QSignalSpy edited(&swap, &BXMainWindowTextSwap::shownStorageEdited);
    swap.setTextStorage(first->textStorage());
    QTest::keyClicks(&view, QStringLiteral("x"));
    ASSERT_EQ(edited.size(), 1);
    EXPECT_EQ(edited.first().first().value<QTextDocument*>(), first->textStorage());

    swap.setTextStorage(second->textStorage());
    BXTextView other;
    other.setTextStorage(first->textStorage());
    other.setEditable(true);
    QTest::keyClicks(&other, QStringLiteral("y"));
    EXPECT_EQ(edited.size(), 1) << "the storage no longer shown";
    QTest::keyClicks(&view, QStringLiteral("z"));
    ASSERT_EQ(edited.size(), 2);
    EXPECT_EQ(edited.last().first().value<QTextDocument*>(), second->textStorage());
    other.setTextStorage(nullptr);
    swap.setTextStorage(nullptr);
}

TEST_F(BXMainWindowTextSwapTest, ALongNoteArrivingAfterTheSelectionMovedOnIsNotShown)
{
    const BXNote::NotePtr note = makeNote(QStringLiteral("Long\n")
        + QStringLiteral("A line of a long note, with words enough to fill it.\n").repeated(15000));
    note->releaseTextStorage();
    ASSERT_TRUE(note->textStorageLoadsSlowly());
    window.selected = note;
    swap.setNoteText(note);
    EXPECT_EQ(view.textStorage(), nullptr);
    EXPECT_FALSE(view.isEditable());

    window.selected = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return note->hasTextStorage(); }, 60000));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.textStorage(), nullptr);
    EXPECT_TRUE(shownText().isEmpty());

    // Selected again, its storage is there and shows at once.
    window.selected = note;
    swap.setNoteText(note);
    EXPECT_EQ(view.textStorage(), note->textStorage());
    EXPECT_TRUE(view.isEditable());
    swap.setTextStorage(nullptr);
}

} // namespace
