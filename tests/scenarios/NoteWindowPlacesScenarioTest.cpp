#include "ScenarioApp.h"

#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QWindow>

using scenario::ScenarioApp;

namespace {

class NoteWindowPlacesScenario : public testing::Test {
protected:
    // The main window of a file holding `texts`, opened through File > Open, with the first
    // note selected by a click.
    BXMainWindowController* openNotes(const QStringList& texts)
    {
        const QString path = app.folder() + QStringLiteral("/Places.brindlex");
        scenario::writeNotesFile(path, texts);
        BXMainWindowController* main = app.openDocument(path);
        if (main) {
            ScenarioApp::clickRow(main->notesTableView(), 0);
            ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; });
        }
        return main;
    }

    ScenarioApp app;
};

} // namespace

// Note windows opened one after another stand a step apart, each showing its title.
TEST_F(NoteWindowPlacesScenario, NoteWindowsOpenedInTurnCascade)
{
    BXMainWindowController* main = openNotes({ u"Alpha"_qs, u"Beta"_qs });
    ASSERT_NE(main, nullptr);
    ASSERT_NE(scenario::openInOwnWindow(main), nullptr);
    QWidget* first = ScenarioApp::visibleNoteWindows().value(0);
    ASSERT_NE(first, nullptr);

    ScenarioApp::clickRow(main->notesTableView(), 1);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta"_qs; }));
    ASSERT_NE(scenario::openInOwnWindow(main), nullptr);
    ASSERT_EQ(ScenarioApp::visibleNoteWindows().size(), 2);
    QWidget* second = ScenarioApp::visibleNoteWindows().at(0) == first
        ? ScenarioApp::visibleNoteWindows().at(1)
        : ScenarioApp::visibleNoteWindows().at(0);
    EXPECT_EQ(second->geometry().topLeft() - first->geometry().topLeft(), QPoint(22, 22));
    EXPECT_TRUE(second->screen()->availableGeometry().contains(second->frameGeometry()));
}

// Picking a minimised note window in the Window menu shows it again, in front with the keys.
TEST_F(NoteWindowPlacesScenario, TheWindowMenuBringsBackAMinimisedNoteWindow)
{
    BXMainWindowController* main = openNotes({ u"Alpha"_qs });
    ASSERT_NE(main, nullptr);
    ASSERT_NE(scenario::openInOwnWindow(main), nullptr);
    QWidget* note = ScenarioApp::visibleNoteWindows().value(0);
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(ScenarioApp::waitUntil([note] { return QApplication::activeWindow() == note; }));
    const QString title = note->windowHandle()->title();

    ScenarioApp::key(Qt::Key_M, Qt::ControlModifier);
    ASSERT_TRUE(ScenarioApp::waitUntil([note] { return note->isMinimized(); }));
    ScenarioApp::click(main->notesTableView()->viewport(), QPoint(5, 5));
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [main] { return QApplication::activeWindow() == main->mainWindow(); }));

    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ u"Window"_qs, u"    "_qs + title }));
    EXPECT_TRUE(ScenarioApp::waitUntil([note] {
        return !note->isMinimized() && note->isVisible() && QApplication::activeWindow() == note;
    })) << "minimised: "
        << note->isMinimized();
}
