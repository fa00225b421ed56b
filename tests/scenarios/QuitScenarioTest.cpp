#include "ScenarioApp.h"

#include "app/BXDocumentController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QSignalSpy>

using scenario::ScenarioApp;

namespace {

void typeInNewNote(const QString& text)
{
    ScenarioApp::click(ScenarioApp::frontMainWindow()->noteTextView()->viewport());
    ScenarioApp::type(text);
}

int visibleMainWindows()
{
    int count = 0;
    for (platform::Document* document : platform::DocumentController::shared()->documents()) {
        for (platform::WindowController* controller : document->windowControllers()) {
            auto* main = qobject_cast<BXMainWindowController*>(controller);
            if (main && main->mainWindow()->isVisible())
                ++count;
        }
    }
    return count;
}

} // namespace

TEST(QuitScenario, CancelAtTheQuitsQuestionKeepsEveryDocumentOpen)
{
    ScenarioApp app;
    auto* controller = qobject_cast<BXDocumentController*>(platform::DocumentController::shared());
    QSignalSpy quit(controller, &BXDocumentController::quitRequested);
    for (const QString& name : { QStringLiteral("Home"), QStringLiteral("Work") }) {
        const QString path = app.folder() + QLatin1Char('/') + name + QStringLiteral(".brindlex");
        scenario::writeNotesFile(path, { name + QStringLiteral(" notes") });
        ASSERT_NE(app.openDocument(path), nullptr);
    }
    ASSERT_NE(app.newDocument(), nullptr);
    typeInNewNote(QStringLiteral("Not saved yet"));

    bool asked = false;
    ScenarioApp::whenDialogShows([&](QDialog*) {
        asked = true;
        ScenarioApp::click(ScenarioApp::buttonTitled(QStringLiteral("Cancel")));
    });
    ScenarioApp::key(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return asked; }));
    ScenarioApp::idle(500);
    EXPECT_EQ(controller->documents().size(), 3);
    EXPECT_EQ(visibleMainWindows(), 3);
    EXPECT_EQ(quit.count(), 0);
}

TEST(QuitScenario, DontSaveAfterACancelledSavePanelClosesWithoutWritingAnyState)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    ASSERT_NE(app.newDocument(), nullptr);
    typeInNewNote(QStringLiteral("A note to throw away"));
    // Long enough for the untitled document to be autosaved.
    ScenarioApp::idle(int(platform::Document::kLongestAutosaveDelay * 1000) + 500);
    platform::LogCapture log;

    ScenarioApp::whenDialogShows([](QDialog*) {
        ScenarioApp::whenDialogShows([](QDialog* panel) { panel->reject(); });
        ScenarioApp::click(ScenarioApp::buttonTitled(QStringLiteral("Save…")));
    });
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return visibleMainWindows() == 2; }));
    ScenarioApp::idle(300);
    ASSERT_EQ(visibleMainWindows(), 2) << "the window closed without being saved";

    ScenarioApp::answerNextDialog(QStringLiteral("Don't Save"));
    app.closeFrontDocument();
    ScenarioApp::idle(300);
    EXPECT_EQ(visibleMainWindows(), 1);
    EXPECT_FALSE(log.contains(QStringLiteral("failed to save window state")))
        << log.lines().join(u'\n').toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Could not save the document preferences")))
        << log.lines().join(u'\n').toStdString();
}
