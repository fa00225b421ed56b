#include "MainWindowFixture.h"

#include "mainwindow/BXMainSplitView.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "ui/BXFadingText.h"

#include "document/model/BXCategory.h"
#include "document/model/BXManagedObjectUtilities.h"

#include "platform/controllers/Editor.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"

#include <QApplication>
#include <QSplitterHandle>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;

namespace {

class RefusingEditor final : public platform::Editor {
public:
    bool commitEditing() override { return false; }
    void discardEditing() override { }
};

class BXMainWindowControllerTest : public MainWindowFixture {
protected:
    platform::UndoManager* undo() const { return document->undoManager(); }
    QString shownText() const { return AttributedText::string(*textView->mirror()); }
};

TEST_F(BXMainWindowControllerTest, TwoSelectedNotesShowTheMessageOverAReadOnlyEmptyText)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums") });
    openWindow();
    select({ noteTitled(QStringLiteral("Apples")), noteTitled(QStringLiteral("Pears")) });

    EXPECT_EQ(controller->messageOnNote(), QStringLiteral("2 notes selected"));
    EXPECT_TRUE(controller->shouldDisplayMessageOnNote());
    EXPECT_TRUE(controller->messageView()->isVisible());
    // Not hidden under the text or its bars: the topmost of the pane's widgets.
    QWidget* pane = controller->messageView()->parentWidget();
    EXPECT_EQ(
        pane->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).last(), controller->messageView());
    EXPECT_TRUE(controller->messageView()->font().bold());
    EXPECT_EQ(controller->messageView()->font().pointSizeF(), 18);
    EXPECT_EQ(textView->textStorage(), nullptr);
    EXPECT_TRUE(shownText().isEmpty());
    EXPECT_FALSE(textView->isEditable());
    screenshot(QStringLiteral("mainwindow-two-selected.png"));
    typeText(QStringLiteral("lost"));
    EXPECT_TRUE(shownText().isEmpty()) << "the empty text takes no typing";

    select({ noteTitled(QStringLiteral("Plums")) });
    EXPECT_FALSE(controller->shouldDisplayMessageOnNote());
    EXPECT_EQ(shownText(), QStringLiteral("Plums"));
    EXPECT_TRUE(textView->isEditable());
}

// A retitling keystroke moves its one note in the list; arranging every note again per
// keystroke is what made typing in a title slow with many notes.
TEST_F(BXMainWindowControllerTest, TypingInTheTitleLineMovesOnlyThatNote)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Melons"), QStringLiteral("Pears") });
    openWindow();
    BXNotesArrayController* list = controller->notesController();
    const std::shared_ptr<BXNote> note = noteTitled(QStringLiteral("Melons"));
    select({ note });
    int rearranged = 0;
    int moved = 0;
    QObject::connect(list, &platform::ArrayController::arrangedObjectsAboutToBeRearranged,
        [&] { ++rearranged; });
    QObject::connect(list, &platform::ArrayController::arrangedObjectMoved, [&] { ++moved; });

    textView->setSelectedRange({ 0, 0 });
    for (const QString& letter : { QStringLiteral("Z"), QStringLiteral("A") }) {
        SCOPED_TRACE(letter.toStdString());
        typeText(letter);
        settle();
        const int row = list->indexOfArrangedObject(note.get());
        EXPECT_EQ(row, letter == QStringLiteral("Z") ? 2 : 0);
        EXPECT_EQ(list->selectionIndex(), row);
        EXPECT_EQ(textView->textStorage(), note->textStorage());
        QTest::keyClick(textView, Qt::Key_Backspace);
        settle();
    }
    EXPECT_EQ(note->noteTitle(), QStringLiteral("Melons"));
    EXPECT_EQ(list->indexOfArrangedObject(note.get()), 1);
    EXPECT_EQ(rearranged, 0);
    EXPECT_EQ(moved, 4);
}

TEST_F(BXMainWindowControllerTest, TypingReachesTheNoteAtOnceAndUndoesAsOneStep)
{
    makeFile({ QStringLiteral("Apples"), QString() });
    openWindow();
    std::shared_ptr<BXNote> empty;
    for (const auto& object : controller->notesController()->arrangedObjects()) {
        auto note = std::static_pointer_cast<BXNote>(object);
        if (note->noteText().isEmpty())
            empty = note;
    }
    ASSERT_TRUE(empty);
    select({ empty });
    ASSERT_EQ(textView->textStorage(), empty->textStorage());

    typeText(QStringLiteral("Hello"));
    EXPECT_EQ(empty->noteText(), QStringLiteral("Hello"));
    EXPECT_EQ(empty->noteTitle(), QStringLiteral("Hello"));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(controller->registeredEditors().contains(textView));
    settle();

    QTest::keyClick(textView, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shownText(), QString());
    EXPECT_EQ(empty->noteText(), QString());
    EXPECT_FALSE(undo()->canUndo()) << "the typing was one step";
    settle();
    QTest::keyClick(textView, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shownText(), QStringLiteral("Hello"));
    EXPECT_EQ(empty->noteText(), QStringLiteral("Hello"));

    // Losing the focus commits: the caret's place is kept in the note.
    controller->notesTableView()->setFocus();
    settle();
    EXPECT_FALSE(controller->registeredEditors().contains(textView));
    EXPECT_EQ(empty->selectedRange(), (BXNote::Range { 5, 0 }));
}

TEST_F(BXMainWindowControllerTest, ShowingZoomingDarkAndSpellingNeverChangeANote)
{
    QStringList texts;
    for (int i = 0; i < 100; ++i)
        texts << QStringLiteral("Note %1 about #garden/%1 with a mispeled word")
                     .arg(i, 3, 10, QLatin1Char('0'));
    makeFile(texts);
    openWindow();
    struct Stored {
        QByteArray styles;
        QDateTime modified;
    };
    QHash<BXNote*, Stored> before;
    for (const auto& object : controller->notesController()->arrangedObjects()) {
        auto* note = static_cast<BXNote*>(object.get());
        before.insert(note, { note->noteStyles(), note->noteModified() });
    }
    ASSERT_EQ(before.size(), 100);

    textView->setAppearance(platform::TextView::Appearance::Dark);
    for (int row = 0; row < 100; ++row) {
        ASSERT_TRUE(controller->notesController()->setSelectionIndex(row));
        settle();
        if (row % 10 == 0)
            textView->zoomToFactor(1.0 + row / 100.0);
    }
    controller->refreshNoteText();
    settle(2);
    screenshot(QStringLiteral("mainwindow-dark-hashtags.png"));

    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        SCOPED_TRACE(it.key()->noteTitle().toStdString());
        EXPECT_EQ(it.key()->noteStyles(), it->styles);
        EXPECT_EQ(it.key()->noteModified(), it->modified);
    }
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(BXMainWindowControllerTest, SelectNotesClearsTheSearchThenFallsBackOnAllNotes)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") });
    openWindow();
    BXNotesArrayController* notes = controller->notesController();
    BXCategoriesArrayController* categories = controller->categoriesController();
    const auto beta = noteTitled(QStringLiteral("Beta"));
    const auto gamma = noteTitled(QStringLiteral("Gamma"));

    // A search hides Beta: it is cleared.
    controller->setSearchString(QStringLiteral("Alpha"));
    ASSERT_TRUE(notes->filterNotes(QStringLiteral("Alpha"), 1, false, nullptr));
    settle();
    ASSERT_FALSE(noteTitled(QStringLiteral("Beta")));
    EXPECT_TRUE(controller->selectNotes({ beta }, true));
    EXPECT_TRUE(controller->searchString().isEmpty());
    EXPECT_EQ(notes->selectedObjects(), BXMainWindowController::Notes { beta });

    // A category without Gamma: All Notes is selected.
    auto work = std::static_pointer_cast<BXCategory>(
        categories->newCategoryWithName(QStringLiteral("Work"), true));
    work->addRelatedObject(BXCategory::NotesKey, beta);
    settle();
    ASSERT_NE(categories->selectionIndex(), 0);
    ASSERT_FALSE(noteTitled(QStringLiteral("Gamma")));
    EXPECT_TRUE(controller->selectNotes({ gamma }, true));
    settle();
    EXPECT_EQ(categories->selectionIndex(), 0);
    EXPECT_EQ(notes->selectedObjects(), BXMainWindowController::Notes { gamma });
    EXPECT_EQ(AttributedText::string(*textView->mirror()), QStringLiteral("Gamma"));

    // Under All Notes a note that is not listed (the spare empty one) cannot be selected.
    auto spare = BXNote::newEmptyNoteInManagedObjectContext(document->managedObjectContext());
    settle();
    EXPECT_FALSE(controller->selectNotes({ spare }, true));
    EXPECT_EQ(notes->selectedObjects(), BXMainWindowController::Notes { gamma });
}

TEST_F(BXMainWindowControllerTest, AnEditThatRefusesToEndKeepsTheSelection)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta") });
    openWindow();
    const auto alpha = noteTitled(QStringLiteral("Alpha"));
    const auto beta = noteTitled(QStringLiteral("Beta"));
    select({ alpha });
    RefusingEditor editor;
    controller->objectDidBeginEditing(&editor);
    EXPECT_TRUE(document->registeredEditors().contains(&editor));

    EXPECT_FALSE(controller->endEditing());
    EXPECT_FALSE(controller->selectNotes({ beta }, true));
    EXPECT_EQ(controller->selectedNote(), alpha);

    controller->objectDidEndEditing(&editor);
    EXPECT_FALSE(document->registeredEditors().contains(&editor));
    EXPECT_TRUE(controller->selectNotes({ beta }, true));
}

TEST_F(BXMainWindowControllerTest, RefreshingAShorterStoredTextPutsTheCaretAtTheStart)
{
    makeFile({ QStringLiteral("A long note with a caret near its end") });
    openWindow();
    const auto note = noteTitled(QStringLiteral("A long note with a caret near its end"));
    select({ note });
    textView->setSelectedRange({ 30, 2 });
    typeText(QStringLiteral("x"));
    ASSERT_TRUE(undo()->canUndo());

    // Another context saved a shorter text into the store, merged outside undo.
    std::unique_ptr<QTextDocument> shorter = AttributedText::makeDocument();
    shorter->setPlainText(QStringLiteral("Short"));
    BXManagedObjectUtilities::withoutUndo(
        note->managedObjectContext(), [&] { note->setAttributedString(*shorter); });
    textView->setSelectedRange({ 30, 0 });
    controller->refreshNoteText();
    EXPECT_EQ(shownText(), QStringLiteral("Short"));
    EXPECT_EQ(textView->selectedRange(), (platform::TextRange { 0, 0 }));
    EXPECT_FALSE(undo()->canUndo()) << "the typing records aimed at the old text are gone";
    EXPECT_EQ(note->noteText(), QStringLiteral("Short"));

    // Refreshing text the store already holds changes nothing, not even the undo.
    typeText(QStringLiteral("!"));
    ASSERT_TRUE(undo()->canUndo());
    const QDateTime modified = note->noteModified();
    controller->refreshNoteText();
    EXPECT_TRUE(undo()->canUndo());
    EXPECT_EQ(note->noteModified(), modified);
}

TEST_F(BXMainWindowControllerTest, LeavingANoteDropsItsTypingUndo)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta") });
    openWindow();
    const auto alpha = noteTitled(QStringLiteral("Alpha"));
    select({ alpha });
    textView->setSelectedRange({ 5, 0 });
    typeText(QStringLiteral("bet"));
    ASSERT_EQ(alpha->noteText(), QStringLiteral("Alphabet"));
    ASSERT_TRUE(undo()->canUndo());

    select({ noteTitled(QStringLiteral("Beta")) });
    EXPECT_FALSE(undo()->canUndo());
    undo()->undo();
    EXPECT_EQ(alpha->noteText(), QStringLiteral("Alphabet"));
    EXPECT_EQ(AttributedText::string(*alpha->textStorage()), QStringLiteral("Alphabet"));
}

TEST_F(BXMainWindowControllerTest, ALongNoteTakesNoTypingUntilItsTextIsThere)
{
    const QString text = QStringLiteral("Long\n")
        + QStringLiteral("A line of a long note, with words enough to fill it.\n").repeated(15000);
    makeFile({ QStringLiteral("Short"), text });
    openWindow();
    const auto note = noteTitled(QStringLiteral("Long"));
    ASSERT_TRUE(note->textStorageLoadsSlowly());

    // The text swap runs, but no event yet brings the worker's text.
    ASSERT_TRUE(controller->notesController()->setSelectedObjects({ note }));
    scheduler.advance(0.5);
    scheduler.runUntilIdle();
    EXPECT_EQ(textView->textStorage(), nullptr);
    EXPECT_FALSE(textView->isEditable());
    typeText(QStringLiteral("lost"));
    EXPECT_TRUE(shownText().isEmpty());

    ASSERT_TRUE(QTest::qWaitFor([&] { return textView->textStorage() != nullptr; }, 60000));
    EXPECT_EQ(textView->textStorage(), note->textStorage());
    EXPECT_EQ(shownText(), note->noteText());
    EXPECT_EQ(note->noteText(), text);
    EXPECT_TRUE(textView->isEditable());
}

TEST_F(BXMainWindowControllerTest, SmallAnswersAndGuards)
{
    makeFile({ QStringLiteral("Alpha\nsecond line"), QStringLiteral("Beta") });
    openWindow();
    const auto alpha = noteTitled(QStringLiteral("Alpha"));
    const auto beta = noteTitled(QStringLiteral("Beta"));
    select({ alpha });

    // Nothing selected shares the whole note; a selection shares itself.
    textView->setSelectedRange({ 2, 0 });
    EXPECT_EQ(AttributedText::string(*controller->selectedString()),
        QStringLiteral("Alpha\nsecond line"));
    textView->setSelectedRange({ 0, 5 });
    EXPECT_EQ(AttributedText::string(*controller->selectedString()), QStringLiteral("Alpha"));

    // A range past the end is ignored; one inside is selected.
    controller->selectRange({ 10, 50 }, true);
    EXPECT_EQ(textView->selectedRange(), (platform::TextRange { 0, 5 }));
    controller->selectRange({ 6, 6 }, true);
    EXPECT_EQ(textView->selectedRange(), (platform::TextRange { 6, 6 }));
    EXPECT_TRUE(textView->isShowingFindIndicator());

    // A saved selection writes only the selection.
    const QDateTime modified = alpha->noteModified();
    controller->saveSelectionRange();
    EXPECT_EQ(alpha->selectedRange(), (BXNote::Range { 6, 6 }));
    EXPECT_EQ(alpha->noteModified(), modified);
    EXPECT_EQ(alpha->noteText(), QStringLiteral("Alpha\nsecond line"));

    EXPECT_EQ(controller->noteAtIndex(-1), nullptr);
    EXPECT_EQ(controller->noteAtIndex(2), nullptr);
    EXPECT_NE(controller->noteAtIndex(1), nullptr);
    EXPECT_EQ(controller->currentNoteName(), QStringLiteral("Alpha"));

    select({ alpha, beta });
    EXPECT_EQ(controller->currentNoteName(),
        QStringLiteral("2 selected notes in \u2018Notes\u2019 notepad"));
    const std::unique_ptr<QTextDocument> both = controller->concatenateNotes();
    EXPECT_EQ(AttributedText::string(*both),
        QStringLiteral("\nAlpha\n\nAlpha\nsecond line\n\nBeta\n\nBeta\n"));
    QTextCursor title(both.get());
    title.setPosition(2);
    EXPECT_TRUE(title.charFormat().fontUnderline());
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(AttributedText::string(*controller->selectedString()), AttributedText::string(*both));

    controller->setNoteText(nullptr);
    EXPECT_EQ(textView->textStorage(), nullptr);
    controller->removeObservations();
    controller->removeObservations();
}

TEST_F(BXMainWindowControllerTest, OnlyTheSidebarCollapsesAndComesBackAtItsWidth)
{
    makeFile({ QStringLiteral("Alpha") });
    openWindow();
    BXMainSplitView* split = controller->splitView();
    EXPECT_TRUE(split->isCollapsible(0));
    EXPECT_FALSE(split->isCollapsible(1));
    EXPECT_FALSE(split->isCollapsible(2));
    const int sidebar = split->sizes().at(0);
    ASSERT_GT(sidebar, 0);

    QSplitterHandle* divider = split->handle(1);
    QTest::mouseDClick(divider, Qt::LeftButton);
    settle();
    EXPECT_TRUE(controller->listsCollapsed());
    EXPECT_EQ(split->sizes().at(0), 0);
    EXPECT_EQ(controller->dividerPosition(), sidebar);
    EXPECT_LT(controller->dividerPosition(), controller->mainWindow()->width() / 2);

    QTest::mouseDClick(divider, Qt::LeftButton);
    settle();
    EXPECT_TRUE(controller->listsCollapsed()) << "a double click never brings it back";
    controller->toggleLists();
    EXPECT_FALSE(controller->listsCollapsed());
    EXPECT_EQ(split->sizes().at(0), sidebar);
}

TEST_F(BXMainWindowControllerTest, HoldingCtrlAltMarksTheCategoriesOfTheSelectedNotes)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta") });
    openWindow();
    select({ noteTitled(QStringLiteral("Alpha")) });
    BXCategoriesArrayController* categories = controller->categoriesController();

    QTest::keyPress(textView, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_FALSE(categories->hasNotesToCheck());
    QTest::keyPress(textView, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(categories->hasNotesToCheck());
    EXPECT_EQ(categories->notesToCheckIfContained(), controller->selectedNotes());
    QTest::keyPress(
        textView, Qt::Key_Shift, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_TRUE(categories->hasNotesToCheck());
    QTest::keyRelease(textView, Qt::Key_Alt, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(categories->hasNotesToCheck());

    // While the keys are held the marks follow the selection; Alt alone (Previous and Next
    // Recent) marks nothing, and nothing stays marked once the keys are up.
    QTest::keyPress(textView, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyPress(textView, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
    input.setKeyboardModifiers(Qt::ControlModifier | Qt::AltModifier);
    select({ noteTitled(QStringLiteral("Beta")) });
    EXPECT_EQ(categories->notesToCheckIfContained(), controller->selectedNotes());
    QTest::keyRelease(textView, Qt::Key_Control, Qt::AltModifier);
    EXPECT_FALSE(categories->hasNotesToCheck());
    input.setKeyboardModifiers(Qt::AltModifier);
    select({ noteTitled(QStringLiteral("Alpha")) });
    QTest::keyRelease(textView, Qt::Key_Alt, Qt::NoModifier);
    input.setKeyboardModifiers({});
    EXPECT_FALSE(categories->hasNotesToCheck());
}

TEST_F(BXMainWindowControllerTest, TheWindowHandsTheFocusBackToTheTableAfterACellEdit)
{
    makeFile({ QStringLiteral("Alpha") });
    openWindow();
    BXMainWindow* window = controller->mainWindow();
    QWidget* table = controller->notesTableView();
    textView->setFocus();

    window->setEditingObject(table);
    window->makeFirstResponder(nullptr);
    EXPECT_EQ(window->editingObject(), nullptr);
    settle(0.05);
    EXPECT_FALSE(table->hasFocus());
    settle(0.1);
    EXPECT_TRUE(table->hasFocus());

    // Anything else taking the focus forgets the table.
    window->setEditingObject(table);
    window->makeFirstResponder(textView);
    EXPECT_EQ(window->editingObject(), nullptr);
    settle(0.2);
    EXPECT_TRUE(textView->hasFocus());

    // So does another view of the window taking the focus, as a click gives it; the table
    // itself (its cell editor closing) keeps it. Clearing the focus then hands nothing back.
    window->setEditingObject(table);
    table->setFocus();
    EXPECT_EQ(window->editingObject(), table);
    textView->setFocus();
    EXPECT_EQ(window->editingObject(), nullptr);
    textView->clearFocus();
    settle(0.2);
    EXPECT_FALSE(table->hasFocus());
}

TEST_F(BXMainWindowControllerTest, TextOptionsFollowTheUserDefaults)
{
    makeFile({ QStringLiteral("Alpha") });
    openWindow();
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    defaults.setBool(QStringLiteral("smartQuotes"), false);
    defaults.setString(QStringLiteral("checkSpelling"), QStringLiteral("NO"));
    EXPECT_FALSE(textView->textOptions().smartQuotes);
    EXPECT_FALSE(textView->textOptions().checkSpelling);
    defaults.setData(QStringLiteral("smartQuotes"), QByteArray("\x01"));
    EXPECT_FALSE(textView->textOptions().smartQuotes) << "not a switch: ignored";
    defaults.setBool(QStringLiteral("smartQuotes"), true);
    defaults.setBool(QStringLiteral("checkSpelling"), true);
    EXPECT_TRUE(textView->textOptions().smartQuotes);
    EXPECT_TRUE(textView->textOptions().checkSpelling);
}

TEST_F(BXMainWindowControllerTest, DiscardingPutsBackTheNotesTextAndSelection)
{
    makeFile({ QStringLiteral("Alpha") });
    openWindow();
    const auto alpha = noteTitled(QStringLiteral("Alpha"));
    select({ alpha });
    textView->setSelectedRange({ 1, 2 });
    typeText(QStringLiteral("x"));
    ASSERT_EQ(alpha->noteText(), QStringLiteral("Axha"));
    controller->saveSelectionRange();
    // Text that never reached the note.
    AttributedText::replaceCharacters(*alpha->textStorage(), { 0, 0 }, QStringLiteral("lost "));
    ASSERT_EQ(shownText(), QStringLiteral("lost Axha"));

    textView->discardEditing();
    EXPECT_EQ(shownText(), QStringLiteral("Axha"));
    EXPECT_EQ(textView->selectedRange(), (platform::TextRange { 2, 0 }));
    EXPECT_FALSE(controller->registeredEditors().contains(textView));
    EXPECT_FALSE(document->registeredEditors().contains(textView));
}

} // namespace
