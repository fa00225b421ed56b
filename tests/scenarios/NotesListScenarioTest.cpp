#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include <gtest/gtest.h>

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
