#include "mainwindow/notetext/BXMainWindowEditing.h"

#include "NoteTextFixture.h"

#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notetext/BXMainWindowEditingDelegate.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"

#include "platform/controllers/Editor.h"
#include "platform/text/AttributedText.h"

#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;

namespace {

// The window controller as the editing sees it: a chosen selected note, the document, and
// the lists' answer to ending their own edits.
class FakeWindow final : public BXMainWindowEditingDelegate {
public:
    BXNote::NotePtr selectedNote() const override { return selected; }
    platform::Document* noteDocument() const override { return document; }
    platform::UndoManager* documentUndoManager() const override { return document->undoManager(); }
    bool preferencesInited() const override { return inited; }
    void keepNoteListed(const BXNote::NotePtr& note) override { kept << note; }
    bool endListsEditing() override
    {
        log << QStringLiteral("lists");
        return listsEnd;
    }

    BXDocument* document = nullptr;
    BXNote::NotePtr selected;
    bool inited = true;
    bool listsEnd = true;
    QList<BXNote::NotePtr> kept;
    QStringList log;
};

// An editor that records its commit in the window's log and answers as told.
class LoggingEditor final : public platform::Editor {
public:
    LoggingEditor(QString name, bool commits, QStringList& log)
        : m_name(std::move(name)), m_commits(commits), m_log(log)
    { }
    bool commitEditing() override
    {
        m_log << m_name;
        return m_commits;
    }
    void discardEditing() override { }

private:
    QString m_name;
    bool m_commits;
    QStringList& m_log;
};

class BXMainWindowEditingTest : public NoteTextFixture {
protected:
    void SetUp() override
    {
        NoteTextFixture::SetUp();
        window.document = &document;
        alpha = makeNote(QStringLiteral("Alpha"));
        beta = makeNote(QStringLiteral("Beta"));
    }

    static void append(QTextDocument* storage, const QString& text)
    {
        QTextCursor cursor(storage);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
    }

    FakeWindow window;
    BXMainWindowEditing editing { &view, window, nullptr };
    BXNote::NotePtr alpha;
    BXNote::NotePtr beta;
};

// A stale edit, or one of a storage that another window shows, must not reach whichever note
// happens to be selected.
TEST_F(BXMainWindowEditingTest, OnlyAnEditOfTheSelectedNotesOwnStorageIsWrittenBack)
{
    struct Case {
        const char* name;
        bool selectAlpha;
        bool editAlpha;
        bool written;
    };
    const Case cases[] = {
        { "the selected note's storage", true, true, true },
        { "another note's storage", true, false, false },
        { "nothing selected", false, true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.selected = c.selectAlpha ? alpha : nullptr;
        const BXNote::NotePtr edited = c.editAlpha ? alpha : beta;
        const QString before = edited->noteText();
        append(edited->textStorage(), QStringLiteral("!"));

        editing.textStorageDidProcessEditing(edited->textStorage());

        EXPECT_EQ(edited->noteText(), c.written ? before + QStringLiteral("!") : before);
        edited->refreshTextStorage();
    }
}

TEST_F(BXMainWindowEditingTest, EndingEditsStopsAtTheFirstRefusalBeforeTheLists)
{
    struct Case {
        const char* name;
        QList<bool> commits;
        bool listsEnd;
        bool ended;
        QStringList log;
    };
    const Case cases[] = {
        { "all commit", { true, true }, true, true, { "0", "1", "lists" } },
        { "the second refuses", { true, false, true }, true, false, { "0", "1" } },
        { "the lists refuse", { true }, false, false, { "0", "lists" } },
        { "no editor", {}, true, true, { "lists" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.log.clear();
        window.listsEnd = c.listsEnd;
        std::vector<std::unique_ptr<LoggingEditor>> editors;
        for (bool commits : c.commits) {
            editors.push_back(std::make_unique<LoggingEditor>(
                QString::number(editors.size()), commits, window.log));
            editing.objectDidBeginEditing(editors.back().get());
        }
        EXPECT_EQ(document.registeredEditors().size(), c.commits.size());

        EXPECT_EQ(editing.endEditing(), c.ended);
        EXPECT_EQ(window.log, c.log);
        for (const auto& editor : editors)
            editing.objectDidEndEditing(editor.get());
        EXPECT_TRUE(editing.registeredEditors().isEmpty());
        EXPECT_TRUE(document.registeredEditors().isEmpty());
    }
}

TEST_F(BXMainWindowEditingTest, OnlyTheNoteTextKeepsItsNoteListedWhileEditing)
{
    window.selected = alpha;
    LoggingEditor tags(QStringLiteral("tags"), true, window.log);
    editing.objectDidBeginEditing(&tags);
    EXPECT_TRUE(window.kept.isEmpty());

    editing.objectDidBeginEditing(&view);
    editing.objectDidBeginEditing(&view);
    EXPECT_EQ(window.kept, QList<BXNote::NotePtr> { alpha });
    EXPECT_EQ(editing.registeredEditors().size(), 2) << "registered once";
    EXPECT_TRUE(editing.isTextViewRegistered());
    editing.objectDidEndEditing(&view);
    editing.objectDidEndEditing(&tags);
}

TEST_F(BXMainWindowEditingTest, LosingTheFocusKeepsTheCaretOnlyOnceTheWindowStateLoaded)
{
    window.selected = alpha;
    view.setTextStorage(alpha->textStorage());
    view.setSelectedRange({ 3, 0 });
    const BXNote::Range untouched = alpha->selectedRange();

    window.inited = false;
    editing.textDidEndEditing();
    EXPECT_EQ(alpha->selectedRange(), untouched);

    window.inited = true;
    editing.textDidEndEditing();
    EXPECT_EQ(alpha->selectedRange(), (BXNote::Range { 3, 0 }));
    EXPECT_TRUE(document.isDocumentEdited());
    view.setTextStorage(nullptr);
}

} // namespace
