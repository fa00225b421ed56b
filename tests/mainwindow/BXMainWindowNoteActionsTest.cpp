#include "MainWindowFixture.h"

#include "mainwindow/BXMainWindowCategorySelection.h"
#include "mainwindow/BXMainWindowNoteActions.h"

#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "ui/BXHoverButton.h"
#include "ui/BXNotesToolbarView.h"

#include "document/model/BXFetchedNotesCategory.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/IndexSet.h"
#include "platform/foundation/UndoManager.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using platform::Command;

namespace {

class BXMainWindowNoteActionsTest : public MainWindowFixture {
protected:
    void open(const QStringList& texts)
    {
        makeFile(texts);
        openWindow();
        tester = std::make_unique<QAbstractItemModelTester>(controller->notesTableView()->model(),
            QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    BXMainWindowNoteActions* actions() const { return controller->noteActions(); }
    BXNotesArrayController* notes() const { return controller->notesController(); }
    platform::UndoManager* undo() const { return document->managedObjectContext()->undoManager(); }
    qsizetype listed() const { return notes()->arrangedObjects().size(); }
    static Command command(const QString& action, int tag = 0)
    {
        Command made;
        made.action = action;
        made.tag = tag;
        return made;
    }
    void send(const QString& action, int tag = 0)
    {
        controller->perform(command(action, tag));
        settle();
    }
    void pressRow(int row)
    {
        BXTableView* table = controller->notesTableView();
        const QRect rect = table->visualRect(table->model()->index(row, 0));
        QTest::mousePress(table->viewport(), Qt::RightButton, {}, rect.center());
        QTest::mouseRelease(table->viewport(), Qt::RightButton, {}, rect.center());
    }

    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(BXMainWindowNoteActionsTest, NotesBarSitsUnderTheListWithThreeButtons)
{
    open({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    BXNotesToolbarView* bar = actions()->notesToolbar();
    ASSERT_TRUE(bar);
    const QWidget* table = controller->notesTableView();
    EXPECT_EQ(bar->geometry(), QRect(0, table->geometry().bottom() + 1, table->width(), 32));
    EXPECT_EQ(bar->geometry().bottom(), bar->parentWidget()->height() - 1);
    BXHoverButton* add = actions()->notesToolbarAddButton();
    BXHoverButton* remove = actions()->notesToolbarRemoveButton();
    BXHoverButton* sort = actions()->notesToolbarSortButton();
    EXPECT_EQ(add->geometry(), QRect(8, 2, 28, 28));
    EXPECT_EQ(remove->geometry(), QRect(40, 2, 28, 28));
    EXPECT_EQ(sort->geometry(), QRect(bar->width() - 36, 2, 28, 28));

    select({ noteTitled(QStringLiteral("Pears")) });
    EXPECT_TRUE(remove->isEnabled());
    notes()->setSelectedObjects({});
    settle();
    EXPECT_FALSE(remove->isEnabled());
    screenshot(QStringLiteral("mainwindow-notes-bar.png"));
    const qsizetype before = listed();
    QTest::mouseClick(add, Qt::LeftButton);
    settle();
    EXPECT_EQ(listed(), before + 1);
}

TEST_F(BXMainWindowNoteActionsTest, SortMenuChecksTheListsSortAndAnyOtherTagMeansModified)
{
    open({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    struct Case {
        int tag;
        const char* key;
        int checked;
    };
    for (const Case& c : { Case { 1, "noteCreated", 1 }, Case { 0, "noteTitle", 0 },
             Case { 5, "noteModified", 2 }, Case { 2, "noteModified", 2 } }) {
        SCOPED_TRACE(c.tag);
        send(QStringLiteral("setNotesSortDescriptors:"), c.tag);
        ASSERT_FALSE(notes()->sortDescriptors().isEmpty());
        EXPECT_EQ(notes()->sortDescriptors().first().key(), QLatin1String(c.key));
        std::unique_ptr<QMenu> menu(actions()->makeSortMenu(nullptr));
        QStringList checked;
        for (QAction* item : menu->actions()) {
            if (item->isChecked())
                checked << item->text();
        }
        ASSERT_EQ(checked.size(), 1);
        EXPECT_EQ(menu->actions().at(c.checked)->text(), checked.first());
    }
    QMenu* shown = actions()->notesToolbarSortMenu(actions()->notesToolbarSortButton());
    settle();
    shown->grab().save(QCoreApplication::applicationDirPath() + u"/mainwindow-sort-menu.png"_qs);
    shown->actions().at(1)->trigger();
    EXPECT_EQ(notes()->sortDescriptors().first().key(), QStringLiteral("noteCreated"));
    shown->close();

    // A key other than the dates checks the title; no sort checks nothing.
    notes()->setSortDescriptors({ platform::SortDescriptor(QStringLiteral("noteText")) });
    std::unique_ptr<QMenu> other(actions()->makeSortMenu(nullptr));
    EXPECT_TRUE(other->actions().at(0)->isChecked());
    notes()->setSortDescriptors({});
    std::unique_ptr<QMenu> none(actions()->makeSortMenu(nullptr));
    for (QAction* item : none->actions())
        EXPECT_FALSE(item->isChecked());
}

TEST_F(BXMainWindowNoteActionsTest, DuplicatingNamesTheStepAndOneUndoRemovesEveryCopy)
{
    open({ QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums") });
    const qsizetype original = listed();
    struct Case {
        QStringList titles;
        const char* name;
    };
    for (const Case& c : { Case { { QStringLiteral("Pears") }, "Duplicate Note" },
             Case { { QStringLiteral("Apples"), QStringLiteral("Plums") }, "Duplicate Notes" } }) {
        SCOPED_TRACE(c.name);
        QList<std::shared_ptr<BXNote>> chosen;
        for (const QString& title : c.titles)
            chosen << noteTitled(title);
        select(chosen);
        send(QStringLiteral("duplicateSelectedNotes:"));
        EXPECT_EQ(listed(), original + c.titles.size());
        EXPECT_EQ(notes()->selectedObjects().size(), c.titles.size());
        EXPECT_EQ(undo()->groupingLevel(), 0);
        EXPECT_EQ(undo()->undoActionName(), QLatin1String(c.name));
        undo()->undo();
        settle();
        EXPECT_EQ(listed(), original);
    }

    // Nothing to copy opens no group: Undo goes on working.
    actions()->duplicateNotesAtIndexes(platform::IndexSet());
    EXPECT_EQ(undo()->groupingLevel(), 0);
    send(QStringLiteral("addNote:"));
    EXPECT_EQ(listed(), original + 1);
    ASSERT_TRUE(undo()->canUndo());
    undo()->undo();
    settle();
    EXPECT_EQ(listed(), original);
}

TEST_F(BXMainWindowNoteActionsTest, AddingANoteWaitsThenPutsTheCaretInItsText)
{
    open({ QStringLiteral("Apples") });
    controller->notesTableView()->setFocus();
    const qsizetype before = listed();
    controller->perform(command(QStringLiteral("addNote:")));
    scheduler.advance(0.09);
    EXPECT_EQ(listed(), before);
    scheduler.advance(0.01);
    EXPECT_EQ(listed(), before + 1);
    ASSERT_EQ(notes()->selectedObjects().size(), 1);
    EXPECT_EQ(notes()->selectedObjects().first(), notes()->emptyNote());
    EXPECT_FALSE(textView->hasFocus());
    scheduler.advance(0.05);
    EXPECT_TRUE(textView->hasFocus());
}

TEST_F(BXMainWindowNoteActionsTest, AClickIntoTheEmptyNotePaneMakesANote)
{
    open({ QStringLiteral("Apples") });
    QWidget* viewport = textView->viewport();
    const QPoint middle = viewport->rect().center();
    const qsizetype before = listed();

    // A note is shown: the click goes to its text.
    select({ noteTitled(QStringLiteral("Apples")) });
    QTest::mouseClick(viewport, Qt::LeftButton, {}, middle);
    settle();
    EXPECT_EQ(listed(), before);

    notes()->setSelectedObjects({});
    settle();
    ASSERT_FALSE(textView->isEditable());
    // A drag is no click.
    QTest::mousePress(viewport, Qt::LeftButton, {}, middle);
    QTest::mouseMove(viewport, middle + QPoint(40, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, middle + QPoint(40, 0));
    settle();
    EXPECT_EQ(listed(), before);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, middle);
    settle();
    EXPECT_EQ(listed(), before + 1);
}

// The new note's text comes with the text swap, after the focus: keys typed at once wait for it.
TEST_F(BXMainWindowNoteActionsTest, KeysTypedRightAfterAClickIntoTheEmptyPaneGoIntoTheNewNote)
{
    open({ QStringLiteral("Apples") });
    notes()->setSelectedObjects({});
    settle();
    ASSERT_FALSE(textView->isEditable());
    QTest::mouseClick(
        textView->viewport(), Qt::LeftButton, {}, textView->viewport()->rect().center());
    QTest::keyClicks(textView, QStringLiteral("Pears"));
    scheduler.advance(
        BXMainWindowNoteActions::kAddNoteDelay + BXMainWindowNoteActions::kFocusNewNoteDelay);
    settle();
    ASSERT_NE(controller->selectedNote(), nullptr);
    EXPECT_EQ(controller->selectedNote()->noteText(), QStringLiteral("Pears"));
    EXPECT_EQ(textView->mirror()->toPlainText(), QStringLiteral("Pears"));
}

// Keys held for the new note reach it before anything else the user does next: a modifier
// waits with them, a click elsewhere first makes the note and types them into it.
TEST_F(BXMainWindowNoteActionsTest, AClickRightAfterNewNoteComesAfterTheKeysTypedForIt)
{
    open({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    select({ noteTitled(QStringLiteral("Apples")) });
    settle();
    const qsizetype before = listed();
    controller->perform(command(QStringLiteral("addNote:")));
    QTest::keyClicks(controller->notesTableView(), QStringLiteral("Kiwi"));
    QTest::keyClick(controller->notesTableView(), Qt::Key_Shift);
    EXPECT_EQ(listed(), before);

    BXTableView* table = controller->notesTableView();
    const int pears = notes()->indexOfArrangedObject(noteTitled(QStringLiteral("Pears")).get());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
        table->visualRect(table->model()->index(pears, 0)).center());
    EXPECT_EQ(listed(), before + 1);
    EXPECT_NE(noteTitled(QStringLiteral("Kiwi")), nullptr);
    settle();
    EXPECT_EQ(controller->selectedNote(), noteTitled(QStringLiteral("Pears")));
    EXPECT_EQ(textView->mirror()->toPlainText(), QStringLiteral("Pears"));
}

// A copy made from its text shows the original's caret, and keys typed at once go there.
TEST_F(BXMainWindowNoteActionsTest, DuplicatingFromTheTextKeepsTheCaretAndTheKeysForTheCopy)
{
    open({ QStringLiteral("Apples") });
    const BXNote::NotePtr apples = noteTitled(QStringLiteral("Apples"));
    select({ apples });
    settle();
    textView->setFocus();
    ASSERT_TRUE(textView->setSelectedRange({ 3, 0 }));
    controller->perform(command(QStringLiteral("duplicateSelectedNotes:")));
    QTest::keyClicks(textView, QStringLiteral("zz"));
    settle();
    ASSERT_NE(controller->selectedNote(), nullptr);
    EXPECT_NE(controller->selectedNote(), apples);
    EXPECT_EQ(controller->selectedNote()->noteText(), QStringLiteral("Appzzles"));
    EXPECT_EQ(apples->noteText(), QStringLiteral("Apples"));
}

TEST_F(BXMainWindowNoteActionsTest, ClickedRowActionsNeedAValidClickedRow)
{
    open({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    const qsizetype before = listed();
    ASSERT_EQ(notes()->clickedRow(), -1);
    for (const char* action : { "duplicateClickedNote:", "openClickedNoteInSeparateWindow:",
             "exportClickedNote:", "deleteClickedNote:", "unlinkClickedNote:" }) {
        SCOPED_TRACE(action);
        send(QString::fromLatin1(action));
        EXPECT_EQ(listed(), before);
        EXPECT_EQ(document->windowControllers().size(), 1);
        EXPECT_TRUE(alerts.shown().empty());
        EXPECT_TRUE(alerts.shownPanels().empty());
    }
    EXPECT_FALSE(undo()->canUndo());

    pressRow(1);
    const platform::ManagedObjectPtr clicked = notes()->arrangedObjects().at(1);
    send(QStringLiteral("duplicateClickedNote:"));
    EXPECT_EQ(listed(), before + 1);
    EXPECT_EQ(std::static_pointer_cast<BXNote>(notes()->selectedObjects().value(0))->noteTitle(),
        std::static_pointer_cast<BXNote>(clicked)->noteTitle());
}

TEST_F(BXMainWindowNoteActionsTest, HideSidebarGoesToTheSplitViewThroughTheResponderChain)
{
    open({ QStringLiteral("Apples") });
    ASSERT_FALSE(controller->listsCollapsed());
    send(QStringLiteral("toggleLists:"));
    EXPECT_TRUE(controller->listsCollapsed());
}

TEST_F(BXMainWindowNoteActionsTest, RenameCategoryEditsTheRepresentedElseTheSelectedCategory)
{
    open({ QStringLiteral("Apples") });
    BXCategoriesArrayController* categories = controller->categoriesController();
    const platform::ManagedObjectPtr home = categories->newCategoryWithName(u"Home"_qs, false);
    categories->newCategoryWithName(u"Work"_qs, true);
    settle();
    auto editedName = [this] {
        const auto* editor = controller->outlineView()->findChild<QLineEdit*>();
        return editor && editor->isVisible() ? editor->text() : QString();
    };
    send(QStringLiteral("renameCategory:"));
    EXPECT_EQ(editedName(), QStringLiteral("Work"));

    controller->outlineView()->setFocus();
    settle();
    Command named = command(QStringLiteral("renameCategory:"));
    named.representedObject = QVariant::fromValue(home);
    // The document's tag editor asks the same way.
    controller->renameCategory(named);
    settle();
    EXPECT_EQ(categories->selectedObjects(), QList<platform::ManagedObjectPtr>({ home }));
    EXPECT_EQ(editedName(), QStringLiteral("Home"));
}

TEST_F(BXMainWindowNoteActionsTest, OnlyAnotherSidebarSelectionResetsTheSearchAndAltKeepsIt)
{
    open({ QStringLiteral("Apples") });
    BXCategoriesArrayController* categories = controller->categoriesController();
    const auto all = categories->allNotesCategory();
    const auto uncategorised = categories->noCategory();
    ASSERT_TRUE(all && uncategorised);
    categories->setSelectedObjects({ all });
    settle();

    controller->setSearchString(QStringLiteral("App"));
    categories->setSelectedObjects({ all });
    settle();
    EXPECT_EQ(controller->searchString(), QStringLiteral("App"));

    input.setKeyboardModifiers(Qt::AltModifier);
    categories->setSearchScope(1);
    categories->setSelectedObjects({ uncategorised });
    settle();
    EXPECT_EQ(controller->searchString(), QStringLiteral("App"));
    EXPECT_EQ(categories->searchScope(), 0u);
    EXPECT_EQ(controller->categorySelection()->lastSelectedCategories(),
        QList<platform::ManagedObjectPtr>({ uncategorised }));

    input.setKeyboardModifiers({});
    categories->setSelectedObjects({ all });
    settle();
    EXPECT_TRUE(controller->searchString().isEmpty());
}

} // namespace
