#include "FullDisk.h"
#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include <csignal>

using scenario::FullDisk;
using scenario::ScenarioApp;

namespace {

// The Edit menu's undo item as it shows it, empty when Undo is greyed.
QString undoItem()
{
    for (const QString& title : ScenarioApp::enabledMenuItems({ QStringLiteral("Edit") })) {
        if (title.startsWith(QStringLiteral("Undo")))
            return title;
    }
    return {};
}

// A message box shown now, if any.
QMessageBox* shownMessageBox()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

// Ctrl+S in the middle of typing: Undo still takes the typing back, and on a note just added
// it takes back the typing first, not the whole note.
TEST(SavingScenario, SavingKeepsTheUndoOfTyping)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Undo after save.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha note") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::type(QStringLiteral(" and more"));
    app.save();
    EXPECT_EQ(undoItem(), QStringLiteral("Undo Typing"));
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText() == QStringLiteral("Alpha note");
    })) << ScenarioApp::editorText().toStdString();

    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    ScenarioApp::type(QStringLiteral("Fresh words"));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Fresh words"));
    })) << ScenarioApp::listTitles().join(u'|').toStdString();
    app.save();
    EXPECT_EQ(undoItem(), QStringLiteral("Undo Typing"));
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText().isEmpty(); }))
        << ScenarioApp::editorText().toStdString();
    ScenarioApp::idle(300);
    EXPECT_EQ(ScenarioApp::listTitles().size(), 2)
        << ScenarioApp::listTitles().join(u'|').toStdString();
    EXPECT_EQ(undoItem(), QStringLiteral("Undo Add Note"));
}

// After File > Save As…, New Page by its keys and typing at once: the words are the new note's.
TEST(SavingScenario, NewPageTypedIntoRightAfterSaveAs)
{
    ScenarioApp app;
    const QString first = app.folder() + QStringLiteral("/First.brindlex");
    scenario::writeNotesFile(first, { QStringLiteral("First words") });
    BXMainWindowController* window = app.openDocument(first);
    ASSERT_NE(window, nullptr);
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::type(QStringLiteral(" here"));
    const QString path = app.folder() + QStringLiteral("/Saved as.brindlex");
    ScenarioApp::answerNextFilePanel(path);
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Save As…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [&] { return window->document()->fileURL() == QUrl::fromLocalFile(path); }));
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    ScenarioApp::type(QStringLiteral("Second words"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Second words"));
    })) << ScenarioApp::listTitles().join(u'|').toStdString();
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Second words"));
    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(path),
        (QStringList { QStringLiteral("First words here"), QStringLiteral("Second words") }));
}

// A full disk refuses every autosave: the user hears of it once, the edits stay in the window,
// and autosave goes on trying.
TEST(SavingScenario, AFailedAutosaveIsToldOnceAndTheEditsKept)
{
    FullDisk disk(bxtest::makeTempFolder(QStringLiteral("full")));
    const QString path = disk.folder() + QStringLiteral("/Shopping.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Groceries") });
    {
        ScenarioApp app;
        BXMainWindowController* window = app.openDocument(path);
        ASSERT_NE(window, nullptr);
        ScenarioApp::clickToTheEndOfTheText(window);
        disk.fill();
        ScenarioApp::type(QStringLiteral(" and tea"));

        QMessageBox* box = ScenarioApp::waitForMessageBox();
        ASSERT_NE(box, nullptr) << "the failed autosave was not told";
        EXPECT_EQ(box->text(),
            QStringLiteral("The document “Shopping” could not be saved automatically."));
        EXPECT_TRUE(box->informativeText().startsWith(
            QStringLiteral("There isn't enough space on the disk.")))
            << box->informativeText().toStdString();
        ScenarioApp::clickButton(box, QStringLiteral("OK"));
        ScenarioApp::clickToTheEndOfTheText(window);
        ScenarioApp::type(QStringLiteral(" and milk"));
        // Two more autosaves fail meanwhile.
        ScenarioApp::idle(int(platform::Document::kLongestAutosaveDelay * 1000) * 2);
        EXPECT_EQ(shownMessageBox(), nullptr) << "told again";
        EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Groceries and tea and milk"));
        EXPECT_TRUE(window->mainWindow()->isWindowModified());
        std::raise(SIGTERM);
        ScenarioApp::idle(1000);
    }
    ScenarioApp::endTheQuitAsked();
}
