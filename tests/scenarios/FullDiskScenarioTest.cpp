#include "FullDisk.h"
#include "ScenarioApp.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QMessageBox>

#include <csignal>

using scenario::FullDisk;
using scenario::ScenarioApp;

// The save fails and says why; the user goes on to quit by a termination signal (a logout):
// the note is kept where untitled documents are kept, and the next start offers it.
TEST(FullDiskScenario, NotesAFullDiskRefusedAreKeptAtATerminationAndOfferedAtTheNextStart)
{
    FullDisk disk(bxtest::makeTempFolder(QStringLiteral("full")));
    const QString path = disk.folder() + QStringLiteral("/Shopping.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Groceries") });
    {
        ScenarioApp app;
        ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));
        disk.fill();
        ScenarioApp::type(QStringLiteral(" and tea"));
        ScenarioApp::keys(QKeySequence::Save);

        QMessageBox* box = ScenarioApp::waitForMessageBox();
        ASSERT_NE(box, nullptr) << "the failed save was not told";
        EXPECT_EQ(box->text(), QStringLiteral("The document “Shopping” could not be saved."));
        EXPECT_EQ(box->informativeText(), QStringLiteral("There isn't enough space on the disk."));
        ScenarioApp::clickButton(box, QStringLiteral("OK"));
        ScenarioApp::idle(100);
        std::raise(SIGTERM);
        ScenarioApp::idle(1000);
    }
    ScenarioApp::endTheQuitAsked();
    EXPECT_EQ(scenario::storedTexts(path), QStringList { QStringLiteral("Groceries") });

    QString said;
    ScenarioApp::acceptNextMessage(&said);
    ScenarioApp next;
    EXPECT_TRUE(said.contains(QStringLiteral("“Shopping”"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("There isn't enough space on the disk.")))
        << said.toStdString();
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Groceries and tea"));
    })) << ScenarioApp::listTitles().join(u'|').toStdString();
}
