#include "ScenarioApp.h"

#include "app/BXDocumentController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMessageBox>

#include <csignal>

using scenario::ScenarioApp;

namespace {

QString frontTitle()
{
    BXMainWindowController* window = ScenarioApp::frontMainWindow();
    return window ? window->mainWindow()->windowTitle().remove(QStringLiteral("[*]")) : QString();
}

} // namespace

TEST(MovedFileScenario, ARenamedFileIsFollowedAndSavedWhereItIsNow)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Plans.brindlex");
    const QString renamed = app.folder() + QStringLiteral("/Old plans.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Garden") });
    ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));

    // Another program renames the file while it is open.
    ASSERT_TRUE(QFile::rename(path, renamed));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return frontTitle() == QStringLiteral("Old plans"); }))
        << frontTitle().toStdString();
    ScenarioApp::clickToTheEndOfTheText(ScenarioApp::frontMainWindow());
    ScenarioApp::type(QStringLiteral(" shed"));
    ScenarioApp::keys(QKeySequence::Save);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] {
        return QFileInfo::exists(renamed)
            && scenario::storedTexts(renamed) == QStringList { QStringLiteral("Garden shed") };
    })) << scenario::storedTexts(renamed).join(u'|').toStdString()
        << " shown: " << ScenarioApp::editorText().toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
    auto* controller = platform::DocumentController::shared();
    EXPECT_EQ(controller->recentDocumentURLs().value(0), QUrl::fromLocalFile(renamed));
    EXPECT_FALSE(controller->recentDocumentURLs().contains(QUrl::fromLocalFile(path)));
}

TEST(MovedFileScenario, ADeletedFileIsToldAtOnceAndItsNotesAreSavedElsewhere)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Recipes.brindlex");
    const QString saved = app.folder() + QStringLiteral("/Recipes again.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Bread") });
    ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));
    ScenarioApp::type(QStringLiteral(" and butter"));

    ASSERT_TRUE(QDir(path).removeRecursively());
    QString said;
    QMessageBox* box = ScenarioApp::waitForMessageBox(&said);
    ASSERT_NE(box, nullptr) << "nothing was said";
    EXPECT_EQ(said, QStringLiteral("The file “Recipes.brindlex” was deleted."));
    ScenarioApp::answerNextFilePanel(saved);
    ScenarioApp::clickButton(box, QStringLiteral("Save As…"));
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return QFileInfo::exists(saved); }));
    EXPECT_TRUE(
        ScenarioApp::waitUntil([] { return frontTitle() == QStringLiteral("Recipes again"); }));
    EXPECT_EQ(scenario::storedTexts(saved), QStringList { QStringLiteral("Bread and butter") });
}

TEST(MovedFileScenario, AReplacedFileIsToldAndClosingAsksToSaveTheNotes)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    const QString path = app.folder() + QStringLiteral("/Letters.brindlex");
    const QString other = app.folder() + QStringLiteral("/Other.brindlex");
    const QString kept = app.folder() + QStringLiteral("/Letters kept.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Dear Ann") });
    scenario::writeNotesFile(other, { QStringLiteral("Someone else's") });
    ASSERT_NE(app.openDocument(path), nullptr);

    // Another program puts another notes file in its place.
    ASSERT_TRUE(QDir(path).removeRecursively());
    ASSERT_TRUE(QFile::rename(other, path));
    QString said;
    QMessageBox* box = ScenarioApp::waitForMessageBox(&said);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(said, QStringLiteral("The file “Letters.brindlex” was replaced by another file."));
    ScenarioApp::clickButton(box, QStringLiteral("Later"));
    ScenarioApp::idle(200);

    // Closing asks, as for a document never saved, and saving keeps the notes shown.
    ScenarioApp::whenDialogShows([kept](QDialog* dialog) {
        ScenarioApp::answerNextFilePanel(kept);
        ScenarioApp::clickButton(qobject_cast<QMessageBox*>(dialog), QStringLiteral("Save…"));
    });
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(kept), QStringList { QStringLiteral("Dear Ann") });
    EXPECT_EQ(scenario::storedTexts(path), QStringList { QStringLiteral("Someone else's") });
}

TEST(MovedFileScenario, MoveToAndRenameFromTheFileMenuTakeTheFileAlong)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Diary.brindlex");
    const QString folder = app.folder() + QStringLiteral("/Archive");
    ASSERT_TRUE(QDir().mkpath(folder));
    scenario::writeNotesFile(path, { QStringLiteral("Monday") });
    ASSERT_NE(app.openDocument(path), nullptr);

    ScenarioApp::answerNextFilePanel(folder);
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Move To…") }));
    const QString moved = folder + QStringLiteral("/Diary.brindlex");
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return QFileInfo::exists(moved); }));
    EXPECT_FALSE(QFileInfo::exists(path));

    ScenarioApp::answerNextFilePanel(folder + QStringLiteral("/Journal"));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Rename…") }));
    const QString renamed = folder + QStringLiteral("/Journal.brindlex");
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return QFileInfo::exists(renamed); }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return frontTitle() == QStringLiteral("Journal"); }));
    ScenarioApp::clickToTheEndOfTheText(ScenarioApp::frontMainWindow());
    ScenarioApp::type(QStringLiteral(" morning"));
    ScenarioApp::keys(QKeySequence::Save);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] {
        return scenario::storedTexts(renamed) == QStringList { QStringLiteral("Monday morning") };
    }));
    EXPECT_TRUE(
        ScenarioApp::isMenuItemEnabled({ QStringLiteral("File"), QStringLiteral("Save As…") }));
    EXPECT_TRUE(
        ScenarioApp::isMenuItemEnabled({ QStringLiteral("File"), QStringLiteral("Duplicate") }));
}

TEST(MovedFileScenario, NotesOfADeletedFileAtATerminationAreOfferedAtTheNextStart)
{
    QString path;
    {
        ScenarioApp app;
        path = app.folder() + QStringLiteral("/Notebook.brindlex");
        scenario::writeNotesFile(path, { QStringLiteral("Ideas") });
        ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));
        ScenarioApp::type(QStringLiteral(" for spring"));
        ASSERT_TRUE(QDir(path).removeRecursively());
        QMessageBox* box = ScenarioApp::waitForMessageBox(nullptr);
        ASSERT_NE(box, nullptr);
        ScenarioApp::clickButton(box, QStringLiteral("Later"));
        ScenarioApp::idle(100);
        std::raise(SIGTERM);
        ScenarioApp::idle(1000);
    }
    ScenarioApp::endTheQuitAsked();

    QString said;
    ScenarioApp::acceptNextMessage(&said);
    ScenarioApp next;
    EXPECT_TRUE(said.contains(QStringLiteral("“Notebook”"))) << said.toStdString();
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Ideas for spring"));
    })) << ScenarioApp::listTitles().join(u'|').toStdString();
}

TEST(MovedFileScenario, SaveAsAndDuplicateFromTheFileMenuLeaveTheFileAsItWasSaved)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Diary.brindlex");
    const QString saved = app.folder() + QStringLiteral("/Evenings.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Monday") });
    ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));
    ScenarioApp::type(QStringLiteral(" evening"));

    ScenarioApp::answerNextFilePanel(saved);
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Save As…") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return frontTitle() == QStringLiteral("Evenings"); }))
        << frontTitle().toStdString();
    EXPECT_EQ(scenario::storedTexts(saved), QStringList { QStringLiteral("Monday evening") });
    EXPECT_EQ(scenario::storedTexts(path), QStringList { QStringLiteral("Monday") });

    // The duplicate is a document of its own: what is typed there stays there.
    auto* controller = platform::DocumentController::shared();
    ASSERT_EQ(controller->documents().size(), 1);
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Duplicate") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        return controller->documents().size() == 2 && frontTitle() != QStringLiteral("Evenings");
    }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Monday evening"));
    })) << ScenarioApp::listTitles().join(u'|').toStdString();
    ScenarioApp::clickToTheEndOfTheText(ScenarioApp::frontMainWindow());
    ScenarioApp::type(QStringLiteral(" late"));
    ScenarioApp::idle(int(platform::Document::kLongestAutosaveDelay * 1000) + 500);
    EXPECT_EQ(scenario::storedTexts(saved), QStringList { QStringLiteral("Monday evening") });
}
