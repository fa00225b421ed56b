#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QMessageBox>

#include <sqlite3.h>

#include <csignal>

using scenario::ScenarioApp;

namespace {

const QString kBusyTitle = QStringLiteral("Shopping — In Use by Another Program");

// Another program with the notes file's store open in a transaction of its own, holding every
// other connection off until it lets go.
class StoreHolder final {
public:
    explicit StoreHolder(const QString& package)
    {
        const QByteArray store
            = (package + QStringLiteral("/StoreContent/persistentStore")).toUtf8();
        EXPECT_EQ(sqlite3_open(store.constData(), &m_db), SQLITE_OK);
        sqlite3_busy_timeout(m_db, 10000);
        EXPECT_EQ(sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~StoreHolder() { letGo(); }
    StoreHolder(const StoreHolder&) = delete;
    StoreHolder& operator=(const StoreHolder&) = delete;

    void letGo()
    {
        if (!m_db)
            return;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
        m_db = nullptr;
    }

private:
    sqlite3* m_db = nullptr;
};

QString windowTitle(BXMainWindowController* window)
{
    return window->mainWindow()->windowTitle().remove(QStringLiteral("[*]"));
}

} // namespace

// Typing, a new note and Save while another program holds the file: the window answers, says
// the file is busy, and a termination keeps the notes in a copy that the next start offers.
TEST(HeldStoreScenario, TheWindowAnswersWhileAnotherProgramHoldsTheFileAndATerminationKeepsItAll)
{
    const QString path
        = bxtest::makeTempFolder(QStringLiteral("held")) + QStringLiteral("/Shopping.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Groceries") });
    {
        ScenarioApp app;
        BXMainWindowController* window = app.openDocument(path);
        ScenarioApp::clickToTheEndOfTheText(window);
        StoreHolder other(path);
        ScenarioApp::type(QStringLiteral(" and tea"));
        EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Groceries and tea"));
        EXPECT_TRUE(
            ScenarioApp::waitUntil([&] { return windowTitle(window) == kBusyTitle; }, 15000))
            << windowTitle(window).toStdString();

        ASSERT_TRUE(
            ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("New Page") }));
        ScenarioApp::idle(300);
        ScenarioApp::type(QStringLiteral("Milk"));
        EXPECT_TRUE(ScenarioApp::waitUntil([] {
            return ScenarioApp::listTitles().contains(QStringLiteral("Milk"));
        })) << ScenarioApp::listTitles().join(u'|').toStdString();
        EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Milk"));

        ScenarioApp::keys(QKeySequence::Save);
        QMessageBox* box = ScenarioApp::waitForMessageBox();
        ASSERT_NE(box, nullptr) << "the failed save was not told";
        EXPECT_EQ(box->text(), QStringLiteral("The document “Shopping” could not be saved."));
        EXPECT_EQ(box->informativeText(),
            QStringLiteral("The notes store is in use by another program."));
        ScenarioApp::clickButton(box, QStringLiteral("OK"));
        EXPECT_EQ(windowTitle(window), kBusyTitle);

        std::raise(SIGTERM);
        ScenarioApp::idle(1000);
    }
    ScenarioApp::endTheQuitAsked();
    EXPECT_EQ(scenario::storedTexts(path), QStringList { QStringLiteral("Groceries") });

    QString said;
    ScenarioApp::acceptNextMessage(&said);
    ScenarioApp next;
    EXPECT_TRUE(said.contains(QStringLiteral("“Shopping”"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("in use by another program"))) << said.toStdString();
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        const QStringList titles = ScenarioApp::listTitles();
        return titles.contains(QStringLiteral("Groceries and tea"))
            && titles.contains(QStringLiteral("Milk"));
    })) << ScenarioApp::listTitles().join(u'|').toStdString();
}

// Once the other program lets go, what waited is saved in the file and the window says no more.
TEST(HeldStoreScenario, WhatWaitedIsSavedOnceTheOtherProgramLetsGo)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Shopping.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Groceries") });
    BXMainWindowController* window = app.openDocument(path);
    ScenarioApp::clickToTheEndOfTheText(window);
    StoreHolder other(path);
    ScenarioApp::type(QStringLiteral(" and tea"));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return windowTitle(window) == kBusyTitle; }, 15000))
        << windowTitle(window).toStdString();

    other.letGo();
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [&] { return windowTitle(window) == QStringLiteral("Shopping"); }, 15000))
        << windowTitle(window).toStdString();
    EXPECT_EQ(scenario::storedTexts(path), QStringList { QStringLiteral("Groceries and tea") });
}
