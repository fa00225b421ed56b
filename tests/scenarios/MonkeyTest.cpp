#include "MonkeyChecks.h"
#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "platform/appkit/TextListPanel.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/TokenFieldDelegate.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/Document.h"
#include "platform/text/AttributedText.h"
#include "platform/text/RtfListLevel.h"
#include "platform/text/TextListMarkers.h"
#include "support/TestEnvironment.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

using scenario::ScenarioApp;

// Seeded random user actions on a real window, with what a user relies on checked after each:
// every text on screen is its note's stored text, every list title is its note's first line,
// and the file saved at the end holds what the notes held. `make monkey SEEDS=... MINUTES=...`
// runs chosen seeds for longer; `make test` runs the fixed ones below.
namespace {

struct Action {
    const char* name;
    int weight;
    std::function<void(QRandomGenerator&)> perform;
};

BXMainWindowController* window()
{
    return ScenarioApp::frontMainWindow();
}

QString randomWord(QRandomGenerator& random)
{
    static const QStringList syllables { QStringLiteral("ka"), QStringLiteral("lo"),
        QStringLiteral("mé"), QStringLiteral("ñu"), QStringLiteral("zü"), QStringLiteral("Tr"),
        QStringLiteral("ße"), QStringLiteral("ø"), QStringLiteral("Ab"), QStringLiteral("ç"),
        QStringLiteral("д"), QStringLiteral("語"), QStringLiteral("x"), QStringLiteral("Q") };
    QString word;
    const int count = 1 + random.bounded(4);
    for (int i = 0; i < count; ++i)
        word += syllables.at(random.bounded(int(syllables.size())));
    return word;
}

void clickInText()
{
    if (BXMainWindowController* front = window()) {
        QWidget* viewport = front->noteTextView()->viewport();
        ScenarioApp::click(viewport, QPoint(viewport->width() / 2, viewport->height() - 5));
    }
}

void clickRandomRow(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    if (!front)
        return;
    const int rows = front->notesTableView()->model()->rowCount();
    if (rows > 0)
        ScenarioApp::clickRow(front->notesTableView(), random.bounded(rows));
}

// What the last action promised beyond the invariants (a tag the note has now, a paragraph's
// list), checked once the window is idle: an empty answer when it holds.
std::function<QString()> expectation;

// Format > Text > List...: a marker from the panel's list ("None" first ends the list).
void setList(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    if (!front || !front->noteTextView()->isEditable()
        || !ScenarioApp::chooseMenuItem(
            { QStringLiteral("Format"), QStringLiteral("Text"), QStringLiteral("List...") }))
        return;
    const auto panel
        = [] { return qobject_cast<platform::TextListPanel*>(QApplication::activeModalWidget()); };
    if (!ScenarioApp::waitUntil([&] { return panel() != nullptr; }, 2000))
        return;
    ScenarioApp::key(Qt::Key_Home);
    for (int steps = random.bounded(9); steps > 0; --steps)
        ScenarioApp::key(Qt::Key_Down);
    const QTextListFormat::Style chosen = panel()->markerStyle();
    const QPointer<BXTextView> view = front->noteTextView();
    // By number: the markers that come or go move the caret's index into another paragraph.
    const int paragraph = view->mirror()->findBlock(view->selectedRange().location).blockNumber();
    ScenarioApp::key(Qt::Key_Return);
    QString expected;
    if (chosen != QTextListFormat::ListStyleUndefined) {
        platform::RtfListLevel level;
        level.style = chosen;
        expected = level.markerFormat();
    }
    expectation = [view, paragraph, expected]() -> QString {
        const QTextBlock block
            = view && view->mirror() ? view->mirror()->findBlockByNumber(paragraph) : QTextBlock();
        if (!block.isValid())
            return {};
        const QStringList lists = platform::TextListMarkers::itemLists(block);
        const QString shown = lists.isEmpty() ? QString() : lists.last();
        return shown == expected
            ? QString()
            : QStringLiteral("the paragraph's list is \"%1\" after choosing \"%2\"")
                  .arg(shown, expected);
    };
}

// Types a tag name into the tags bar, creates the tag when asked and leaves the bar.
void tagNote(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    const BXNote::NotePtr note = front ? front->selectedNote() : nullptr;
    platform::TokenField* tags = front ? front->tagsController()->tokenField() : nullptr;
    if (!note || !tags || !tags->isVisible())
        return;
    static const QStringList names { QStringLiteral("Garden"), QStringLiteral("Ärger"),
        QStringLiteral("語"), QStringLiteral("Work") };
    const QString word = names.at(random.bounded(int(names.size())));
    // Words typed into the field before and not yet a tag start this tag's name.
    const QString name = (tags->editingText() + word).trimmed();
    ScenarioApp::click(tags, QPoint(tags->width() - 5, tags->height() / 2));
    ScenarioApp::type(word + QLatin1Char('\n'));
    // A new name asks first, in a popover, whether to make the tag.
    QAbstractButton* ok = nullptr;
    if (ScenarioApp::waitUntil(
            [&] { return (ok = ScenarioApp::buttonTitled(QStringLiteral("OK"))) != nullptr; },
            1000))
        ScenarioApp::click(ok);
    // The note takes its tags when the edit ends.
    ScenarioApp::key(Qt::Key_Tab);
    expectation = [note, name]() -> QString {
        const QStringList held = MonkeyChecks::categoryNames(*note);
        return held.contains(name) ? QString()
                                   : QStringLiteral("the note tagged \"%1\" has the tags \"%2\"")
                                         .arg(name, held.join(QStringLiteral(", ")));
    };
}

// Opens the selected note in its own window, types at its end there and closes the window.
void typeInNoteWindow(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    const BXNote::NotePtr note = front ? front->selectedNote() : nullptr;
    // The note's window, once in front, is the main window.
    const QPointer<platform::Document> document = front ? front->document() : nullptr;
    if (!note
        || !ScenarioApp::chooseMenuItem(
            { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") }))
        return;
    BXNoteWindowController* noteWindow = nullptr;
    if (!ScenarioApp::waitUntil([&] {
            noteWindow = scenario::noteWindowOf(document, note);
            return noteWindow && noteWindow->noteTextView()->isVisible();
        })) {
        expectation = [] { return QStringLiteral("the note's own window did not show"); };
        return;
    }
    ScenarioApp::idle(200);
    QWidget* viewport = noteWindow->noteTextView()->viewport();
    ScenarioApp::click(viewport, QPoint(viewport->width() / 2, viewport->height() - 5));
    const QString word = randomWord(random);
    ScenarioApp::type(word);
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    expectation = [document, note, word]() -> QString {
        if (scenario::noteWindowOf(document, note))
            return QStringLiteral("the note's own window did not close");
        return note->noteText().contains(word)
            ? QString()
            : QStringLiteral("\"%1\" typed in the note's window is not in \"%2\"")
                  .arg(word, note->noteText());
    };
}

// The front window's note text when it has the keys and takes typing, else null.
BXTextView* focusedText()
{
    BXMainWindowController* front = window();
    BXTextView* view = front ? front->noteTextView() : nullptr;
    return view && view->isEditable() && view->hasFocus() ? view : nullptr;
}

// Opens the selected note in its own window and types a word there at once: the word goes in
// where the main window's caret was (replacing its selection), not at the start of the note.
void openNoteWindowAndType(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    const BXNote::NotePtr note = front ? front->selectedNote() : nullptr;
    const QPointer<platform::Document> document = front ? front->document() : nullptr;
    if (!note || !front->noteTextView()->isEditable() || scenario::noteWindowOf(document, note))
        return;
    BXTextView* main = front->noteTextView();
    const platform::TextRange caret = main->selectedRange();
    const QString word = QStringLiteral("win") + randomWord(random);
    const QString expected
        = MonkeyChecks::shownText(main).replace(caret.location, caret.length, word);
    if (!ScenarioApp::chooseMenuItem(
            { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") }))
        return;
    BXNoteWindowController* noteWindow = nullptr;
    if (!ScenarioApp::waitUntil([&] {
            noteWindow = scenario::noteWindowOf(document, note);
            return noteWindow && noteWindow->noteWindow()->isVisible();
        })) {
        expectation = [] { return QStringLiteral("the note's own window did not show"); };
        return;
    }
    // As a window manager does, the window that opened takes the keys.
    QApplication::setActiveWindow(noteWindow->noteWindow());
    ScenarioApp::type(word, 5);
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    expectation = [main = QPointer<BXTextView>(main), expected, word]() -> QString {
        if (!main || MonkeyChecks::shownText(main) == expected)
            return {};
        return QStringLiteral("\"%1\" typed as the note's window opened left \"%2\", not \"%3\"")
            .arg(word, MonkeyChecks::shownText(main), expected);
    };
}

// Save As to a new file, then New Page and a word typed at once: the word is the new note's.
void saveAsThenNewPageAndType(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    if (!front)
        return;
    const QString folder = QFileInfo(front->document()->fileURL().toLocalFile()).path();
    static int saves = 0;
    ScenarioApp::answerNextFilePanel(folder + QStringLiteral("/saved as %1.brindlex").arg(++saves));
    const platform::Document* document = front->document();
    const QUrl before = document->fileURL();
    if (!ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Save As…") })
        || !ScenarioApp::waitUntil([&] { return document->fileURL() != before; })) {
        expectation = [] { return QStringLiteral("Save As did not save"); };
        return;
    }
    ScenarioApp::idle(100);
    const QString word = QStringLiteral("saved") + randomWord(random);
    ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ScenarioApp::type(word, random.bounded(2) ? 5 : 40);
    expectation = [word]() -> QString {
        BXMainWindowController* shown = window();
        const BXNote::NotePtr note = shown ? shown->selectedNote() : nullptr;
        return note && note->noteText() == word
            ? QString()
            : QStringLiteral("\"%1\" typed after Save As and New Page is not the new note's text")
                  .arg(word);
    };
}

// A word typed, Ctrl+S, then Ctrl+Z: the save leaves the typing undoable, so the word goes and
// the note stays.
void saveThenUndo(QRandomGenerator& random)
{
    BXTextView* view = focusedText();
    const BXNote::NotePtr note = view ? window()->selectedNote() : nullptr;
    if (!note)
        return;
    const QString word = randomWord(random);
    ScenarioApp::type(word);
    const QString typed = note->noteText();
    ScenarioApp::key(Qt::Key_S, Qt::ControlModifier);
    ScenarioApp::idle(200);
    ScenarioApp::key(Qt::Key_Z, Qt::ControlModifier);
    expectation = [note, typed, word]() -> QString {
        if (note->isDeleted() || !note->managedObjectContext())
            return QStringLiteral("Undo after a save took the note \"%1\" away").arg(typed);
        return note->noteText() != typed
            ? QString()
            : QStringLiteral("Undo after a save left \"%1\" typed").arg(word);
    };
}

// The caret's paragraph when it is a list item on one line, else an invalid block.
QTextBlock oneLineItemAtCaret(const BXTextView& view)
{
    const QTextBlock block = view.mirror()->findBlock(int(view.selectedRange().location));
    if (platform::TextListMarkers::itemLists(block).isEmpty() || !block.layout()
        || block.layout()->lineCount() != 1)
        return {};
    return block;
}

// Two to four Returns in a row: outside a list, as many new lines at the caret, blank ones
// included.
void returnRun(QRandomGenerator& random)
{
    const int count = 2 + random.bounded(3);
    BXTextView* view = focusedText();
    const bool plain = view && view->selectedRange().length == 0
        && platform::TextListMarkers::itemLists(
            view->mirror()->findBlock(int(view->selectedRange().location)))
               .isEmpty();
    const QString before = view ? MonkeyChecks::shownText(view) : QString();
    const qsizetype caret = view ? view->selectedRange().location : 0;
    for (int i = 0; i < count; ++i)
        ScenarioApp::key(Qt::Key_Return);
    if (!plain)
        return;
    const QString expected = QString(before).insert(caret, QString(count, u'\n'));
    expectation = [view = QPointer<BXTextView>(view), expected, count]() -> QString {
        if (!view || MonkeyChecks::shownText(view) == expected)
            return {};
        return QStringLiteral("%1 Returns show \"%2\", not \"%3\"")
            .arg(count)
            .arg(MonkeyChecks::shownText(view), expected);
    };
}

// Duplicate from the text and a word typed at once: the word goes to the copy only.
void duplicateAndType(QRandomGenerator& random)
{
    BXTextView* view = focusedText();
    // The empty note a new page starts as is no row of the list, and no copy is made of it.
    BXNote::NotePtr original = view ? window()->selectedNote() : nullptr;
    const QString before = original ? original->noteText() : QString();
    if (before.isEmpty())
        original = nullptr;
    const QString word = QStringLiteral("dup") + randomWord(random);
    ScenarioApp::key(Qt::Key_D, Qt::ControlModifier);
    ScenarioApp::type(word, random.bounded(2) ? 5 : 40);
    if (!original)
        return;
    expectation = [original, before, word]() -> QString {
        if (original->noteText() != before)
            return QStringLiteral("the original of a copy became \"%1\"").arg(original->noteText());
        BXMainWindowController* front = window();
        const BXNote::NotePtr copy = front ? front->selectedNote() : nullptr;
        if (!copy || copy == original || !copy->noteText().contains(word))
            return QStringLiteral("\"%1\" typed after Duplicate is not in the copy").arg(word);
        return {};
    };
}

// A word of the text copied and pasted at the line's end: it comes in as plain text, in the
// style typing there has.
void copyAndPasteAWord(QRandomGenerator&)
{
    BXTextView* view = focusedText();
    if (!view)
        return;
    ScenarioApp::keys(QKeySequence::SelectPreviousWord);
    const platform::TextRange selection = view->selectedRange();
    const std::unique_ptr<QTextDocument> copied
        = platform::AttributedText::attributedSubstring(*view->mirror(), selection);
    ScenarioApp::keys(QKeySequence::Copy);
    ScenarioApp::keys(QKeySequence::MoveToEndOfLine);
    QTextDocument expected;
    QTextCursor(&expected).insertText(copied->toPlainText(), view->typingAttributes());
    const QString runs = MonkeyChecks::styledRuns(expected);
    ScenarioApp::keys(QKeySequence::Paste);
    // Within one paragraph of text the pasted word is the copied one; a picture or a
    // paragraph's end comes out otherwise.
    if (selection.length == 0 || copied->blockCount() > 1
        || copied->toPlainText().contains(QChar::ObjectReplacementCharacter))
        return;
    expectation
        = [view = QPointer<BXTextView>(view), runs, length = selection.length]() -> QString {
        if (!view)
            return {};
        const qsizetype end = view->selectedRange().location;
        const auto shownBefore = [&](qsizetype stop) {
            const std::unique_ptr<QTextDocument> pasted
                = platform::AttributedText::attributedSubstring(
                    *view->mirror(), { stop - length, length });
            return MonkeyChecks::styledRuns(*pasted);
        };
        const QString shown = shownBefore(end);
        // Smart copy and paste sets the word apart from a word that follows it (on the next
        // line of a wrapped paragraph too), the caret after that space.
        const bool setApart = end > length
            && view->mirror()->characterAt(int(end - 1)) == QLatin1Char(' ')
            && shownBefore(end - 1) == runs;
        return shown == runs || setApart
            ? QString()
            : QStringLiteral("pasted \"%1\" shows as \"%2\"").arg(runs, shown);
    };
}

// Home or End in a one-line list item, then a letter: it goes into the item's text, the item
// stays one; Home then Backspace takes the item out of its list and keeps its text.
void homeOrEndInItem(QRandomGenerator& random)
{
    BXTextView* view = focusedText();
    const QTextBlock block = view ? oneLineItemAtCaret(*view) : QTextBlock();
    // Read before the keys change the paragraph.
    const int number = block.blockNumber();
    const QString text = block.text();
    const QStringList lists = platform::TextListMarkers::itemLists(block);
    const int prefix = platform::TextListMarkers::prefixLength(text);
    const int action = random.bounded(3);
    ScenarioApp::key(action == 1 ? Qt::Key_End : Qt::Key_Home);
    if (action == 2)
        ScenarioApp::key(Qt::Key_Backspace);
    else
        ScenarioApp::type(QStringLiteral("h"));
    if (!block.isValid())
        return;
    QString expected = text;
    if (action == 0)
        expected.insert(prefix, u'h');
    else if (action == 1)
        expected += u'h';
    else
        expected.remove(0, prefix);
    const QStringList expectedLists = action == 2 ? QStringList() : lists;
    expectation
        = [view = QPointer<BXTextView>(view), number, expected, expectedLists]() -> QString {
        const QTextBlock now = view ? view->mirror()->findBlockByNumber(number) : QTextBlock();
        if (!now.isValid())
            return {};
        if (now.text() != expected || platform::TextListMarkers::itemLists(now) != expectedLists)
            return QStringLiteral("the item shows \"%1\" [%2], not \"%3\" [%4]")
                .arg(now.text(), platform::TextListMarkers::itemLists(now).join(u','), expected,
                    expectedLists.join(u','));
        return {};
    };
}

// New Page, a word typed into it soon after at 5 ms a key, and at once a click on a row or
// the search field: the word is in a note.
void newPageTypeAndClick(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    if (!front)
        return;
    const QPointer<platform::Document> document = front->document();
    ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    static const int waits[] = { 50, 100, 300 };
    ScenarioApp::idle(waits[random.bounded(3)]);
    const QString word = QStringLiteral("new") + randomWord(random);
    ScenarioApp::type(word, 5);
    if (random.bounded(2))
        clickRandomRow(random);
    else
        ScenarioApp::click(front->search()->searchField());
    expectation = [document, word]() -> QString {
        const auto* notes = dynamic_cast<const BXDocument*>(document.data());
        if (!notes || MonkeyChecks::documentState(*notes).contains(word))
            return {};
        return QStringLiteral("\"%1\" typed into a new page is in no note").arg(word);
    };
}

// What undo changes: the document, and the list's rows (an untouched new page is only its row,
// and untitled: counted, so that one blank row and none read differently).
QString undoableState(const BXDocument& document)
{
    const QStringList rows = ScenarioApp::listTitles();
    return MonkeyChecks::documentState(document) + QStringLiteral("\n%1 rows: ").arg(rows.size())
        + rows.join(u'|');
}

// Chooses the undo the Edit menu names: the document changes, and the menu then offers to
// redo the same step.
void undoAsNamed(QRandomGenerator&)
{
    BXMainWindowController* front = window();
    const auto* document = front ? dynamic_cast<const BXDocument*>(front->document()) : nullptr;
    if (!document)
        return;
    const QStringList items = ScenarioApp::enabledMenuItems({ QStringLiteral("Edit") });
    const auto undo = std::find_if(items.cbegin(), items.cend(),
        [](const QString& item) { return item.startsWith(QStringLiteral("Undo ")); });
    if (undo == items.cend())
        return;
    const QString title = *undo;
    const QString before = undoableState(*document);
    if (!ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), title }))
        return;
    expectation
        = [document = QPointer<const platform::Document>(document), title, before]() -> QString {
        const auto* notes = dynamic_cast<const BXDocument*>(document.data());
        if (!notes || !window() || window()->document() != notes)
            return {};
        if (undoableState(*notes) == before)
            return QStringLiteral("\"%1\" changed nothing").arg(title);
        const QString redo = QStringLiteral("Redo ") + title.mid(5);
        if (!ScenarioApp::enabledMenuItems({ QStringLiteral("Edit") }).contains(redo))
            return QStringLiteral("after \"%1\" the menu offers no \"%2\"").arg(title, redo);
        return {};
    };
}

// The one note the list shows selected, else null.
BXNote::NotePtr selectedRowNote(BXMainWindowController& front)
{
    const QList<int> rows = ScenarioApp::selectedRows();
    const QList<platform::ManagedObjectPtr>& arranged = front.notesController()->arrangedObjects();
    return rows.size() == 1 && rows.first() < arranged.size()
        ? std::dynamic_pointer_cast<BXNote>(arranged.at(rows.first()))
        : nullptr;
}

// A click on a row, Up or Down once or twice, then Note > Rename: the row the list shows
// selected opens, and the name typed is that note's.
void renameAfterKeys(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    BXTableView* list = front ? front->notesTableView() : nullptr;
    if (!list || list->model()->rowCount() == 0)
        return;
    ScenarioApp::clickRow(list, random.bounded(list->model()->rowCount()));
    for (int moves = 1 + random.bounded(2); moves > 0; --moves)
        ScenarioApp::key(random.bounded(2) ? Qt::Key_Down : Qt::Key_Up);
    const BXNote::NotePtr note = selectedRowNote(*front);
    if (!note || !ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Rename") }))
        return;
    if (!ScenarioApp::waitUntil([list] { return list->isEditingCell(); }, 2000)) {
        expectation = [] { return QStringLiteral("Note > Rename opened no row"); };
        return;
    }
    const QString name = QStringLiteral("Name") + randomWord(random);
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(name + QLatin1Char('\n'));
    expectation = [note, name]() -> QString {
        return note->noteTitle() == name
            ? QString()
            : QStringLiteral("the selected note renamed \"%1\" is titled \"%2\"")
                  .arg(name, note->noteTitle());
    };
}

// The tag the sidebar shows selected alone, else null.
std::shared_ptr<BXCategory> selectedTag(BXMainWindowController& front)
{
    const QList<platform::ManagedObjectPtr> selected
        = front.categoriesController()->selectedObjects();
    const auto tag
        = selected.size() == 1 ? std::dynamic_pointer_cast<BXCategory>(selected.first()) : nullptr;
    return tag && tag->isUserCategory() ? tag : nullptr;
}

// The name being typed into a sidebar row, if one is open for editing.
QLineEdit* sidebarNameEditor()
{
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    BXMainWindowController* front = window();
    return editor && front && front->outlineView()->isAncestorOf(editor) ? editor : nullptr;
}

// Types a new name into the sidebar row open for `tag`; the tag is expected to take it.
void renameTagInSidebar(QRandomGenerator& random, const std::shared_ptr<BXCategory>& tag)
{
    if (!ScenarioApp::waitUntil([] { return sidebarNameEditor() != nullptr; }, 2000)) {
        expectation = [] { return QStringLiteral("no tag opened for its new name"); };
        return;
    }
    const QString opened = sidebarNameEditor()->text();
    const QString name
        = QStringLiteral("Tag") + randomWord(random) + QString::number(random.bounded(1000));
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(name + QLatin1Char('\n'));
    expectation = [tag, opened, name]() -> QString {
        return tag->categoryName() == name
            ? QString()
            : QStringLiteral("\"%1\" typed for the tag \"%2\" went to the row \"%3\"")
                  .arg(name, tag->categoryName(), opened);
    };
}

// A click on a sidebar row, Up or Down once or twice, then Note > Tags > Rename Tag: the tag
// the sidebar shows selected takes the name typed.
void renameTagAfterKeys(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    BXOutlineView* outline = front ? front->outlineView() : nullptr;
    if (!outline || outline->model()->rowCount() == 0)
        return;
    ScenarioApp::clickRow(outline, random.bounded(outline->model()->rowCount()));
    for (int moves = 1 + random.bounded(2); moves > 0; --moves)
        ScenarioApp::key(random.bounded(2) ? Qt::Key_Down : Qt::Key_Up);
    const std::shared_ptr<BXCategory> tag = selectedTag(*front);
    if (!tag
        || !ScenarioApp::chooseMenuItem(
            { QStringLiteral("Note"), QStringLiteral("Tags"), QStringLiteral("Rename Tag") }))
        return;
    renameTagInSidebar(random, tag);
}

// Keys move the sidebar's selection off the row clicked, then Edit Tag… from a tag of the
// selected note's: that tag takes the name typed.
void editTagAfterKeys(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    BXOutlineView* outline = front ? front->outlineView() : nullptr;
    platform::TokenField* tags = front ? front->tagsController()->tokenField() : nullptr;
    if (!outline || !tags || outline->model()->rowCount() == 0)
        return;
    ScenarioApp::clickRow(outline, random.bounded(outline->model()->rowCount()));
    for (int moves = 1 + random.bounded(2); moves > 0; --moves)
        ScenarioApp::key(random.bounded(2) ? Qt::Key_Down : Qt::Key_Up);
    ScenarioApp::idle(200);
    const BXNote::NotePtr note = front->selectedNote();
    if (!note || !tags->isVisible() || tags->count() == 0)
        return;
    const int token = random.bounded(tags->count());
    const QString name
        = tags->delegate()->displayString(tags, tags->objectValue().at(token)).value_or(QString());
    std::shared_ptr<BXCategory> tag;
    for (const platform::ManagedObjectPtr& object : note->categories()) {
        const auto category = std::dynamic_pointer_cast<BXCategory>(object);
        if (category && category->categoryName() == name)
            tag = category;
    }
    if (!tag)
        return;
    // Answered in the menu's own turn, which may come after the click returns.
    const auto answer = std::make_shared<std::optional<bool>>();
    ScenarioApp::whenPopUpMenuShows([answer](const QStringList& titles) {
        *answer = titles.contains(QStringLiteral("Edit Tag…"));
        return **answer ? QStringList { QStringLiteral("Edit Tag…") } : QStringList();
    });
    ScenarioApp::rightClick(tags, tags->tokenRect(token).center());
    if (ScenarioApp::waitUntil([answer] { return answer->has_value(); }) && **answer)
        renameTagInSidebar(random, tag);
}

QList<Action> actions()
{
    const auto key = [](int k, Qt::KeyboardModifiers m = {}) {
        return [k, m](QRandomGenerator&) { ScenarioApp::key(k, m); };
    };
    const auto menu = [](QStringList path) {
        return [path](QRandomGenerator&) { ScenarioApp::chooseMenuItem(path); };
    };
    return {
        { "type a word", 30,
            [](QRandomGenerator& random) {
                ScenarioApp::type(randomWord(random) + QLatin1Char(' '));
            } },
        { "click in the text", 8, [](QRandomGenerator&) { clickInText(); } },
        { "Return", 6, key(Qt::Key_Return) },
        { "Tab", 3, key(Qt::Key_Tab) },
        { "Shift+Tab", 1, key(Qt::Key_Backtab, Qt::ShiftModifier) },
        { "list on or off", 2, setList },
        { "tag the note", 2, tagNote },
        { "type in the note's own window", 2, typeInNoteWindow },
        { "Backspace", 6, key(Qt::Key_Backspace) },
        { "Delete", 3, key(Qt::Key_Delete) },
        { "Left", 3, key(Qt::Key_Left) },
        { "Right", 3, key(Qt::Key_Right) },
        { "Up", 3, key(Qt::Key_Up) },
        { "Down", 3, key(Qt::Key_Down) },
        { "Home", 2, key(Qt::Key_Home) },
        { "End", 2, key(Qt::Key_End) },
        { "Bold", 2, key(Qt::Key_B, Qt::ControlModifier) },
        { "Italic", 2, key(Qt::Key_I, Qt::ControlModifier) },
        { "Underline", 2, key(Qt::Key_U, Qt::ControlModifier) },
        { "New Page", 5, key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier) },
        { "Duplicate", 2, key(Qt::Key_D, Qt::ControlModifier) },
        { "Delete Note", 2,
            [](QRandomGenerator&) {
                // The item is titled for what is selected once its menu shows.
                const QString title = ScenarioApp::selectedRows().size() < 2
                    ? QStringLiteral("Delete Page…")
                    : QStringLiteral("Delete Pages…");
                ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), title });
            } },
        { "Undo", 4, key(Qt::Key_Z, Qt::ControlModifier) },
        { "Redo", 2, key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier) },
        { "click a row", 6, [](QRandomGenerator& random) { clickRandomRow(random); } },
        { "sort by a column", 1,
            [](QRandomGenerator& random) {
                if (BXMainWindowController* front = window()) {
                    QHeaderView* header = front->notesTableView()->horizontalHeader();
                    const int column = random.bounded(header->count());
                    if (!header->isSectionHidden(column))
                        ScenarioApp::click(header->viewport(),
                            QPoint(
                                header->sectionViewportPosition(column) + 5, header->height() / 2));
                }
            } },
        { "search a word", 2,
            [](QRandomGenerator& random) {
                ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
                ScenarioApp::type(randomWord(random).left(2));
            } },
        { "clear the search", 2,
            [](QRandomGenerator&) {
                ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
                ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
                ScenarioApp::key(Qt::Key_Backspace);
            } },
        { "click a sidebar row", 2,
            [](QRandomGenerator& random) {
                if (BXMainWindowController* front = window()) {
                    BXOutlineView* outline = front->outlineView();
                    const int rows = outline->model()->rowCount();
                    if (rows > 0)
                        ScenarioApp::clickRow(outline, random.bounded(rows));
                }
            } },
        { "zoom in", 1,
            menu({ QStringLiteral("View"), QStringLiteral("Zoom"), QStringLiteral("Zoom In") }) },
        { "zoom out", 1,
            menu({ QStringLiteral("View"), QStringLiteral("Zoom"), QStringLiteral("Zoom Out") }) },
        { "save", 2, key(Qt::Key_S, Qt::ControlModifier) },
        { "Return run", 3, returnRun },
        { "Duplicate and type at once", 2, duplicateAndType },
        { "copy and paste a word", 3, copyAndPasteAWord },
        { "Home or End in a list item", 3, homeOrEndInItem },
        { "New Page then type at once and click away", 2, newPageTypeAndClick },
        { "undo as the Edit menu names it", 3, undoAsNamed },
        { "Rename the selected note after keys", 2, renameAfterKeys },
        { "Rename Tag after keys in the sidebar", 1, renameTagAfterKeys },
        { "Edit Tag from a token after keys in the sidebar", 1, editTagAfterKeys },
        { "Open in Separate Window and type at once", 1, openNoteWindowAndType },
        { "Save As then New Page and type at once", 1, saveAsThenNewPageAndType },
        { "save then undo", 2, saveThenUndo },
    };
}

// Answers whatever question is up with its default button, as a hurried user does.
void dismissDialogs()
{
    for (int guard = 0; guard < 5; ++guard) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ScenarioApp::key(Qt::Key_Return);
        ScenarioApp::idle(100);
    }
}

struct MonkeyRun {
    QStringList log;
    QString failure;
};

QList<int> plan(quint32 seed, int count)
{
    QRandomGenerator random(seed);
    const QList<Action> all = actions();
    int total = 0;
    for (const Action& action : all)
        total += action.weight;
    QList<int> chosen;
    for (int i = 0; i < count; ++i) {
        int pick = random.bounded(total);
        int index = 0;
        while (pick >= all.at(index).weight)
            pick -= all.at(index++).weight;
        chosen << index;
    }
    return chosen;
}

// A note as the final comparison sees it: its text, tags and paragraph lists.
QString summary(const QString& text, const QStringList& categories, const QString& lists)
{
    return QStringLiteral("%1 {%2} [%3]").arg(text, categories.join(QLatin1Char(',')), lists);
}

// Runs the planned actions on a fresh application; stops at the first broken invariant.
MonkeyRun perform(quint32 seed, const QList<int>& chosen, const QString& path)
{
    MonkeyRun run;
    const QList<Action> all = actions();
    const int failuresBefore
        = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    ScenarioApp app;
    if (!app.newDocument()) {
        run.failure = QStringLiteral("no document");
        return run;
    }
    clickInText();
    ScenarioApp::type(QStringLiteral("First note"));
    app.save(path);
    QRandomGenerator random(seed ^ 0x5eedu);
    // A hurried user clicks away a menu that stays up and answers a question that does, also
    // while an action waits inside it (a space typed into a button that opens a menu).
    QTimer hurry;
    QPointer<QWidget> seen;
    QObject::connect(&hurry, &QTimer::timeout, [&seen] {
        QWidget* popup = QApplication::activePopupWidget();
        QWidget* up = popup ? popup : QApplication::activeModalWidget();
        if (up && up == seen) {
            if (popup)
                QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(-5, -5));
            else
                ScenarioApp::key(Qt::Key_Return);
        }
        seen = up;
    });
    hurry.start(1000);
    for (int index : chosen) {
        const Action& action = all.at(index);
        run.log << QString::fromUtf8(action.name);
        action.perform(random);
        dismissDialogs();
        // The application's own delays (a new row, the text swap) run out before the check.
        ScenarioApp::idle(400);
        // On a busy machine the text swap can come later still; the check waits for it.
        const QPointer<BXMainWindowController> front = window();
        ScenarioApp::waitUntil([front] { return !front || !front->isTextSwapPending(); }, 2000);
        run.failure = MonkeyChecks::brokenInvariant();
        if (run.failure.isEmpty() && expectation)
            run.failure = expectation();
        expectation = nullptr;
        if (run.failure.isEmpty()
            && ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count()
                > failuresBefore)
            run.failure = QStringLiteral("a Qt warning or failed expectation");
        if (!run.failure.isEmpty())
            return run;
    }
    // What the notes hold now is what the file must hold once saved and read again.
    expectation = nullptr;
    QStringList expected;
    const auto* document = dynamic_cast<const BXDocument*>(window()->document());
    const QList<platform::ManagedObjectPtr> notes
        = document->managedObjectContext()
              ->fetchObjects(platform::FetchRequest(BXNote::entityName()), nullptr)
              .value_or(QList<platform::ManagedObjectPtr> {});
    for (const platform::ManagedObjectPtr& object : notes) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (note && !note->trashFlag() && !note->noteText().isEmpty())
            expected << summary(note->noteText(), MonkeyChecks::categoryNames(*note),
                scenario::paragraphLists(*note->attributedString()));
    }
    // Save As may have moved the document to a file of its own.
    const QString saved = document->fileURL().toLocalFile();
    app.save();
    app.closeFrontDocument();
    QStringList stored;
    for (const scenario::StoredNote& note : scenario::readNotesFile(saved)) {
        if (!note.text.isEmpty())
            stored << summary(note.text, note.categories, note.lists);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(stored.begin(), stored.end());
    if (stored != expected)
        run.failure
            = QStringLiteral(
                "the saved file holds other notes than the document did:\n  %1\nvs\n  %2")
                  .arg(stored.join(QStringLiteral(" | ")), expected.join(QStringLiteral(" | ")));
    return run;
}

quint32 envSeedOr(quint32 fallback)
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("BX_MONKEY_SEED").toUInt(&ok);
    return ok ? seed : fallback;
}

// A failure's kind: its message without the quoted texts and the numbers in it.
QString failureKind(QString failure)
{
    static const QRegularExpression details(QStringLiteral("\"[^\"]*\"|\\d+"));
    return failure.replace(details, QString());
}

// The shortest list of the failing run's actions that still fails the same way, found by
// leaving out ever smaller runs of actions while time allows. A run that fails otherwise (a
// window that did not come up on a busy machine) keeps its actions in.
QList<int> shrink(
    quint32 seed, QList<int> failing, const QString& failure, const QString& folder, int seconds)
{
    const QString kind = failureKind(failure);
    QElapsedTimer clock;
    clock.start();
    int attempt = 0;
    for (qsizetype chunk = failing.size() / 2; chunk >= 1; chunk /= 2) {
        for (qsizetype start = 0; start + chunk <= failing.size();) {
            if (clock.elapsed() > seconds * 1000)
                return failing;
            QList<int> shorter = failing;
            shorter.remove(start, chunk);
            const QString path = folder + QStringLiteral("/shrink-%1.brindlex").arg(++attempt);
            if (!shorter.isEmpty() && failureKind(perform(seed, shorter, path).failure) == kind)
                failing = shorter;
            else
                start += chunk;
        }
    }
    return failing;
}

} // namespace

class Monkey : public ::testing::TestWithParam<quint32> { };

TEST_P(Monkey, EveryTextShownIsItsNotesAndTheSavedFileHoldsThem)
{
    const quint32 seed = envSeedOr(GetParam());
    const int minutes = qEnvironmentVariableIntValue("BX_MONKEY_MINUTES");
    // About half a minute a seed in `make test`; `make monkey` runs for the minutes asked.
    const int count = minutes > 0 ? minutes * 200 : 100;
    const QList<int> chosen = plan(seed, count);
    const QString folder = bxtest::makeTempFolder(QStringLiteral("monkey"));
    const MonkeyRun run = perform(seed, chosen, folder + QStringLiteral("/monkey.brindlex"));
    if (run.failure.isEmpty())
        return;
    const QList<int> failing = chosen.mid(0, run.log.size());
    const QList<int> shortest = shrink(seed, failing, run.failure, folder, minutes > 0 ? 600 : 120);
    QStringList names;
    const QList<Action> all = actions();
    for (int index : shortest)
        names << QString::fromUtf8(all.at(index).name);
    ADD_FAILURE() << "seed " << seed << " failed after " << run.log.size()
                  << " actions: " << run.failure.toStdString() << "\nshortest failing actions: "
                  << names.join(QStringLiteral(", ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, Monkey, ::testing::Values(1u, 2u, 3u, 4u));
