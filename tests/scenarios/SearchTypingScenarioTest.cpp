#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"

#include <gtest/gtest.h>

#include <QApplication>

using scenario::ScenarioApp;

// A search typed, a click into the text, blank lines, then New Page: the spare note holding only
// the blank lines becomes the new page, and what the text shows is what the note holds.
TEST(SearchTypingScenario, NewPageAfterBlankLinesTypedUnderASearchShowsTheNewPage)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    BXMainWindowController* front = ScenarioApp::frontMainWindow();
    QWidget* viewport = front->noteTextView()->viewport();
    const QPoint low(viewport->width() / 2, viewport->height() - 5);
    ScenarioApp::click(viewport, low);
    ScenarioApp::type(QStringLiteral("First note"));
    ScenarioApp::idle(400);
    ScenarioApp::clickRow(front->notesTableView(), 0);
    ScenarioApp::idle(400);
    ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("zq"));
    ScenarioApp::idle(400);
    ScenarioApp::click(viewport, low);
    ScenarioApp::idle(400);
    ScenarioApp::key(Qt::Key_Return);
    ScenarioApp::key(Qt::Key_Return);
    ScenarioApp::idle(400);

    ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ScenarioApp::idle(1000);
    const BXNote::NotePtr page = front->selectedNote();
    ASSERT_TRUE(page);
    EXPECT_EQ(ScenarioApp::editorText(), page->noteText());
    ScenarioApp::type(QStringLiteral("Fresh"));
    EXPECT_TRUE(ScenarioApp::waitUntil([front] {
        const BXNote::NotePtr note = front->selectedNote();
        return note && note->noteText().endsWith(QStringLiteral("Fresh"));
    }));
    EXPECT_EQ(ScenarioApp::editorText(), front->selectedNote()->noteText());
}

// Escape in the search field clears the search: the field empties and every note is listed.
TEST(SearchTypingScenario, EscapeInTheSearchFieldClearsTheSearch)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Escape.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha note"), QStringLiteral("Beta note") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::keys(QKeySequence::Find);
    ScenarioApp::type(QStringLiteral("Alp"));
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [] { return ScenarioApp::listTitles() == QStringList { QStringLiteral("Alpha note") }; }));

    ScenarioApp::key(Qt::Key_Escape);
    EXPECT_TRUE(window->search()->searchField()->text().isEmpty());
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles()
            == QStringList { QStringLiteral("Alpha note"), QStringLiteral("Beta note") };
    })) << ScenarioApp::listTitles().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(window->searchString().isEmpty());
}

// A notes file opened with the toolbar shown is ready for a search: typing at once filters the
// list, and the text stays as it was.
TEST(SearchTypingScenario, AFileOpensWithTheSearchFieldTakingTheTyping)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Ready.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha"), QStringLiteral("Beta") });
    ASSERT_NE(app.openDocument(path), nullptr);
    BXMainWindowController* front = ScenarioApp::frontMainWindow();
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [front] { return QApplication::focusWidget() == front->search()->searchField(); }));
    ScenarioApp::type(QStringLiteral("bet"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "Beta" });
    })) << ScenarioApp::listTitles().join(u',').toStdString();
    EXPECT_EQ(scenario::storedTexts(path), QStringList({ "Alpha", "Beta" }));
}
