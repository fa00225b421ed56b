#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QLabel>

using scenario::ScenarioApp;

namespace {

BXTableView* notesList()
{
    return ScenarioApp::frontMainWindow()->notesTableView();
}

// The saved notes' titles, sorted.
QStringList storedTitles(const QString& path)
{
    QStringList titles;
    scenario::forEachStoredNote(
        path, [&titles](const BXNote& note) { titles << note.noteTitle(); });
    titles.sort();
    return titles;
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
    EXPECT_EQ(storedTitles(path), QStringList({ "Alpha", "Groceries" }));
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
