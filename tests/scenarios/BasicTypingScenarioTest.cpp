#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

using scenario::ScenarioApp;

// The first thing a new user does: a new notes file, a note typed, saved, opened again.
TEST(BasicTypingScenario, ATypedNoteIsListedByItsFirstLineAndKeptInTheSavedFile)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    EXPECT_TRUE(ScenarioApp::listTitles().isEmpty());

    // A new file shows its spare empty note: a click in the text and typing make it a note;
    // the typist starts at once, before the note has come.
    ScenarioApp::click(ScenarioApp::frontMainWindow()->noteTextView()->viewport());
    app.type(QStringLiteral("Shopping list\nbread, milk, café"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList { QStringLiteral("Shopping list") };
    })) << ScenarioApp::listTitles().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Shopping list\nbread, milk, café"));

    const QString path = app.folder() + QStringLiteral("/Typed.brindlex");
    app.save(path);
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(path),
        QStringList { QStringLiteral("Shopping list\nbread, milk, café") });
}
