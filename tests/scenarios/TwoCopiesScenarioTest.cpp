#include "MessageBoxWatch.h"
#include "ScenarioApp.h"
#include "SecondCopy.h"

#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "platform/documents/Document.h"

#include <gtest/gtest.h>

#include <csignal>

using scenario::ScenarioApp;
using scenario::SecondCopy;

// Two copies of the application, each in its own process, on one file: a note this copy shows
// and the other changed and saved is shown as the other saved it once this copy takes it in,
// and what this copy writes next keeps it.
TEST(TwoCopiesScenario, ANoteTakenInFromTheOtherCopyShowsItsTextAndKeepsItAtTheNextSave)
{
    if (SecondCopy::isSecondCopy()) {
        SecondCopy::serve();
        return;
    }
    QString path;
    QStringList othersMessages;
    {
        ScenarioApp app;
        scenario::MessageBoxWatch watch;
        path = app.folder() + QStringLiteral("/Shared.brindlex");
        scenario::writeNotesFile(path,
            { QStringLiteral("Trip"), QStringLiteral("Packing list"), QStringLiteral("Budget") });
        SecondCopy other;
        ASSERT_EQ(other.send(QStringLiteral("open ") + path), QStringLiteral("ok"));
        ASSERT_EQ(other.send(QStringLiteral("select Packing list")), QStringLiteral("ok"));

        BXMainWindowController* window = app.openDocument(path);
        ASSERT_NE(window, nullptr);
        ScenarioApp::clickRow(window->notesTableView(),
            int(ScenarioApp::listTitles().indexOf(QStringLiteral("Packing list"))));
        ASSERT_TRUE(ScenarioApp::waitUntil([window] { return !window->isTextSwapPending(); }));
        ScenarioApp::clickToTheEndOfTheText(window);
        ScenarioApp::type(QStringLiteral(", boots"));
        ScenarioApp::keys(QKeySequence::Save);
        platform::Document* document = window->document();
        ASSERT_TRUE(ScenarioApp::waitUntil([document] { return !document->isDocumentEdited(); }));

        // The other copy read the note before that save: its user adds to it and saves, and is
        // told that both versions are kept.
        ASSERT_EQ(other.send(QStringLiteral("type , tent")), QStringLiteral("ok"));
        ASSERT_EQ(other.send(QStringLiteral("save")), QStringLiteral("ok"));
        othersMessages = other.send(QStringLiteral("told")).split(u'\n');

        // This copy saves again and takes the other's version in: the editor shows it, with
        // the caret still after the last word, where the user goes on typing.
        ScenarioApp::keys(QKeySequence::Save);
        EXPECT_TRUE(ScenarioApp::waitUntil([] {
            return ScenarioApp::editorText() == QStringLiteral("Packing list, tent");
        })) << ScenarioApp::editorText().toStdString();
        EXPECT_TRUE(ScenarioApp::listTitles().contains(QStringLiteral("Packing list, tent")))
            << ScenarioApp::listTitles().join(u'|').toStdString();
        ScenarioApp::type(QStringLiteral(" and map"));
        EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Packing list, tent and map"));
        EXPECT_TRUE(other.finish());

        // A termination saves what this copy holds.
        std::raise(SIGTERM);
        ScenarioApp::idle(1000);
    }
    ScenarioApp::endTheQuitAsked();
    EXPECT_TRUE(othersMessages.contains(
        QStringLiteral("“Packing list, tent” was also changed in another window of this file.")))
        << othersMessages.join(u'|').toStdString();
    QStringList stored = scenario::storedTexts(path);
    stored.sort();
    EXPECT_EQ(stored,
        QStringList({ QStringLiteral("Budget"), QStringLiteral("Packing list, boots"),
            QStringLiteral("Packing list, tent and map"), QStringLiteral("Trip") }));
}
