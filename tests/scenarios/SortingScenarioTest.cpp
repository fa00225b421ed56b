#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowNoteActions.h"
#include "mainwindow/editor/BXTextView.h"
#include "ui/BXHoverButton.h"

#include <gtest/gtest.h>

#include <QLabel>

using scenario::ScenarioApp;

namespace {

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(" | ")).toStdString();
}

} // namespace

// Sorted by the date modified, an edited note moves to its new place at once, as it does by
// title, and the main window's date line shows the new date once the typing pauses.
TEST(SortingScenario, ByDateModifiedAnEditedNoteMovesAtOnceAndTheDateLineFollows)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Dates.brindlex");
    const QDateTime january(QDate(2020, 1, 10), QTime(9, 0));
    const QDateTime february(QDate(2020, 2, 10), QTime(9, 0));
    scenario::writeNotesFile(path,
        { QStringLiteral("Alpha note\nbody"), QStringLiteral("Beta note\nbody") }, false, {},
        { january, february });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::click(window->noteActions()->notesToolbarSortButton());
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem({ QStringLiteral("Date Modified") }));
    ScenarioApp::idle(300);
    const QStringList sorted = ScenarioApp::listTitles();
    ASSERT_EQ(sorted.size(), 2);
    const int alpha = int(sorted.indexOf(QStringLiteral("Alpha note")));

    // Alpha, the older, becomes the newest; its title stays.
    ScenarioApp::clickRow(window->notesTableView(), alpha);
    ScenarioApp::idle(300);
    ScenarioApp::click(window->noteTextView()->viewport());
    ScenarioApp::keys(QKeySequence::MoveToEndOfDocument);
    ScenarioApp::type(QStringLiteral(" edited"));
    const QStringList reversed { sorted.at(1), sorted.at(0) };
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return ScenarioApp::listTitles() == reversed; }))
        << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Alpha note\nbody edited"));

    const BXNote::NotePtr note = window->selectedNote();
    ASSERT_NE(note, nullptr);
    ASSERT_GT(note->noteModified(), february);
    const QLabel* line = window->bars()->infoBar()->infoTextField();
    EXPECT_TRUE(ScenarioApp::waitUntil([&] {
        return line->text() == BXInfoBarView::stringFromDate(note->noteModified());
    })) << line->text().toStdString();
}
