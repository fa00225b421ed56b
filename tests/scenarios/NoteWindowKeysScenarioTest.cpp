#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>

using scenario::ScenarioApp;

// Keys typed the moment a note's own window opens go in where the main window's caret was, as
// the window takes it over a moment later, not at the start of the note; so does a selection's
// replacement.
TEST(NoteWindowKeysScenario, KeysTypedAsTheWindowOpensGoInAtTheCaretItTakesOver)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Own window.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha note") });
    BXMainWindowController* main = app.openDocument(path);
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickToTheEndOfTheText(main);
    ScenarioApp::keys(QKeySequence::SelectPreviousWord);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") }));
    BXNoteWindowController* own = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        own = scenario::noteWindowOf(main->document(), main->selectedNote());
        return own && own->noteWindow()->isVisible();
    }));
    // The window system gives the keys to the window that opened.
    QApplication::setActiveWindow(own->noteWindow());
    ScenarioApp::type(QStringLiteral("page and more"));
    EXPECT_TRUE(ScenarioApp::waitUntil([&] {
        return own->noteTextView()->mirror()->toPlainText()
            == QStringLiteral("Alpha page and more");
    })) << own->noteTextView()->mirror()->toPlainText().toStdString();

    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(path), QStringList { QStringLiteral("Alpha page and more") });
}
