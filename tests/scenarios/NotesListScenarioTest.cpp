#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include <functional>

using scenario::ScenarioApp;

namespace {

BXTableView* notesList()
{
    return ScenarioApp::frontMainWindow()->notesTableView();
}

} // namespace

// Note > Rename opens the selected row's title for typing; Return names the note, and the name
// is what the list shows and the saved file keeps, while the text stays as it was.
TEST(NotesListScenario, RenameFromTheNoteMenuNamesTheSelectedNote)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Rename.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha"), QStringLiteral("Beta") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickRow(notesList(), 1);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta"_qs; }));

    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Rename") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return notesList()->isEditingCell(); }));
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("Groceries\n"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return !notesList()->isEditingCell(); }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "Alpha", "Groceries" });
    })) << ScenarioApp::listTitles().join(u',').toStdString();
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Beta"));

    app.save();
    EXPECT_EQ(scenario::storedTitles(path), QStringList({ "Alpha", "Groceries" }));
    EXPECT_EQ(scenario::storedTexts(path), QStringList({ "Alpha", "Beta" }));
}

// A right click on a note outside the selection offers the commands for that note alone and
// leaves the selection and the note shown as they were; the commands act on the clicked note.
TEST(NotesListScenario, ARightClickOutsideTheSelectionActsOnTheClickedNoteAlone)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Clicked.brindlex");
    scenario::writeNotesFile(path,
        { QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma"),
            QStringLiteral("Delta") },
        false, { QStringLiteral("Work") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickSidebarRow(QStringLiteral("Work"));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "Alpha", "Beta", "Delta", "Gamma" });
    })) << ScenarioApp::listTitles().join(u',').toStdString();
    ScenarioApp::clickRow(notesList(), 0);
    ScenarioApp::clickRow(notesList(), 1, Qt::ShiftModifier);
    ASSERT_EQ(ScenarioApp::selectedRows(), QList<int>({ 0, 1 }));
    ScenarioApp::idle(300);
    const QString shown = ScenarioApp::editorText();

    // Gamma, outside the selection: the clicked-row commands.
    ScenarioApp::rightClickRow(notesList(), 3);
    EXPECT_EQ(ScenarioApp::popUpMenuTitles(),
        QStringList({ "Duplicate Note", "Open Note in Separate Window", "Delete Note…",
            "Remove Note From Category", "Export Note…" }));
    EXPECT_EQ(ScenarioApp::selectedRows(), QList<int>({ 0, 1 }));
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem({ QStringLiteral("Remove Note From Category") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "Alpha", "Beta", "Delta" });
    })) << ScenarioApp::listTitles().join(u',').toStdString();
    EXPECT_EQ(ScenarioApp::selectedRows(), QList<int>({ 0, 1 }));
    EXPECT_EQ(ScenarioApp::editorText(), shown);

    // Delta: deleted on its own, once the question is answered.
    ScenarioApp::answerNextDialog(QStringLiteral("Delete"));
    ScenarioApp::rightClickRow(notesList(), 2);
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem({ QStringLiteral("Delete Note…") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "Alpha", "Beta" });
    })) << ScenarioApp::listTitles().join(u',').toStdString();
    EXPECT_EQ(ScenarioApp::selectedRows(), QList<int>({ 0, 1 }));

    // Inside the selection: the commands for the selection.
    ScenarioApp::rightClickRow(notesList(), 1);
    const QStringList forSelection = ScenarioApp::popUpMenuTitles();
    EXPECT_TRUE(forSelection.contains(QStringLiteral("Duplicate Selected Notes")))
        << forSelection.join(u',').toStdString();
    ScenarioApp::key(Qt::Key_Escape);

    app.save();
    const QList<scenario::StoredNote> stored = scenario::readNotesFile(path);
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored.at(0).categories, QStringList({ "Work" }));
    EXPECT_EQ(stored.at(1).categories, QStringList({ "Work" }));
    EXPECT_EQ(stored.at(2).text, QStringLiteral("Gamma"));
    EXPECT_TRUE(stored.at(2).categories.isEmpty());
}

// The list's header and the bar under it count the notes listed, following deletions and the
// chosen tag.
TEST(NotesListScenario, TheHeaderAndTheBarCountTheListedNotes)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Counted.brindlex");
    scenario::writeNotesFile(path,
        { QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") }, false,
        { QStringLiteral("Work") });
    ASSERT_NE(app.openDocument(path), nullptr);
    BXMainWindowController* main = ScenarioApp::frontMainWindow();
    const auto* count = main->mainWindow()->findChild<QLabel*>(QStringLiteral("notesCount"));
    ASSERT_NE(count, nullptr);
    const auto header
        = [] { return notesList()->model()->headerData(0, Qt::Horizontal).toString(); };
    EXPECT_EQ(header(), QStringLiteral("Notes (3)"));
    EXPECT_EQ(count->text(), QStringLiteral("3 notes"));
    bxtest::saveScreenshot(
        main->mainWindow()->grab().toImage(), QStringLiteral("scenario-notes-counted"));

    ScenarioApp::clickRow(notesList(), 0);
    ScenarioApp::answerNextDialog(QStringLiteral("Delete"));
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Delete Page…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 2; }));
    EXPECT_EQ(header(), QStringLiteral("Notes (2)"));
    EXPECT_EQ(count->text(), QStringLiteral("2 notes"));

    ScenarioApp::key(Qt::Key_Shift);
    ScenarioApp::clickSidebarRow(QStringLiteral("Work"));
    ScenarioApp::clickRow(notesList(), 0);
    ScenarioApp::clickRow(notesList(), 1, Qt::ShiftModifier);
    ScenarioApp::answerNextDialog(QStringLiteral("Remove from Category"));
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Delete Pages…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().isEmpty(); }));
    EXPECT_EQ(header(), QStringLiteral("Notes (0)"));
    EXPECT_EQ(count->text(), QStringLiteral("no notes"));
    ScenarioApp::clickSidebarRow(QStringLiteral("All Notes"));
    EXPECT_TRUE(ScenarioApp::waitUntil([count] { return count->text() == u"2 notes"_qs; }));
}

namespace {

// A command that moves the list's selection without a click on a row.
struct SelectingCommand {
    const char* name;
    std::function<void()> run;
};

void PrintTo(const SelectingCommand& command, std::ostream* out)
{
    *out << command.name;
}

void deleteThePage()
{
    ScenarioApp::answerNextDialog(QStringLiteral("Delete"));
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Delete Page…") }));
}

void newPage()
{
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    ScenarioApp::idle(300);
}

} // namespace

class SelectingCommandScenario : public testing::TestWithParam<SelectingCommand> { };

// After a command chose the selected note, the keys go back to the list by Tab and a word is
// typed there: the note the list shows selected is the one renamed, and
// no other row changes.
TEST_P(SelectingCommandScenario, KeysTypedOnTheListThenRenameTheSelectedNote)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Selected.brindlex");
    scenario::writeNotesFile(
        path, { QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickRow(notesList(), 1);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta"_qs; }));

    GetParam().run();
    ScenarioApp::idle(300);
    // A key makes the window active again, as a window manager does once a sheet is gone.
    ScenarioApp::key(Qt::Key_Shift);
    // From the search field back past the tags and the note (which keeps Tab) to the list.
    ScenarioApp::keys(QKeySequence::Find);
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), notesList())
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                        : "none");
    const QList<int> selected = ScenarioApp::selectedRows();
    ASSERT_EQ(selected.size(), 1);
    QStringList expected = ScenarioApp::listTitles();
    expected[selected.first()] = QStringLiteral("Renamed");
    expected.sort();

    ScenarioApp::type(QStringLiteral("Renamed\n"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return !notesList()->isEditingCell(); }));
    QStringList shown = ScenarioApp::listTitles();
    shown.sort();
    EXPECT_EQ(shown, expected);
    app.save();
    EXPECT_EQ(scenario::storedTitles(path), expected);
}

INSTANTIATE_TEST_SUITE_P(Commands, SelectingCommandScenario,
    testing::Values(SelectingCommand { "new_page", newPage },
        SelectingCommand { "delete_note", deleteThePage },
        SelectingCommand { "undo_new_page",
            [] {
                newPage();
                ScenarioApp::keys(QKeySequence::Undo);
            } }),
    [](const testing::TestParamInfo<SelectingCommand>& tested) {
        return std::string(tested.param.name);
    });
