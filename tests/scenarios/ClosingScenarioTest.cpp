#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

using scenario::ScenarioApp;

// Undo shows its message in an overlay that takes no focus: the keys after it, Ctrl+W among
// them, still go to the document's window.
TEST(ClosingScenario, CtrlWClosesTheWindowRightAfterAnUndo)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    ScenarioApp::click(ScenarioApp::frontMainWindow()->noteTextView()->viewport());
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Kept\nundone"));
    const QString path = app.folder() + QStringLiteral("/Undo.brindlex");
    app.save(path);
    ScenarioApp::key(Qt::Key_Z, Qt::ControlModifier);
    ScenarioApp::idle(200);
    app.closeFrontDocument();
    EXPECT_EQ(ScenarioApp::frontMainWindow(), nullptr);
}
