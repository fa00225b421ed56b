#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

using scenario::ScenarioApp;

namespace {

const QString kLessons = QStringLiteral("Xylophone lessons\nTuesdays at five");

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(" | ")).toStdString();
}

// Opens a file holding `texts` and puts the caret at the end of the first note's first line.
BXMainWindowController* openWithCaretAfterFirstLine(ScenarioApp& app, const QString& path)
{
    scenario::writeNotesFile(path, { kLessons });
    BXMainWindowController* window = app.openDocument(path);
    if (!window)
        return nullptr;
    ScenarioApp::clickRow(window->notesTableView(), 0);
    ScenarioApp::idle(300);
    ScenarioApp::click(window->noteTextView()->viewport(), QPoint(30, 16));
    ScenarioApp::keys(QKeySequence::MoveToStartOfDocument);
    ScenarioApp::key(Qt::Key_End);
    return window;
}

} // namespace

// A copy is titled by its first line like its original: typing at its start retitles it in
// the list and in the file, and it carries no name of its own.
TEST(DuplicateScenario, ACopysTitleFollowsItsFirstLine)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Titles.brindlex");
    BXMainWindowController* window = openWithCaretAfterFirstLine(app, path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 2; }));
    ScenarioApp::idle(300);
    ScenarioApp::keys(QKeySequence::MoveToStartOfDocument);
    ScenarioApp::type(QStringLiteral("Cello and "));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles()
            == QStringList { QStringLiteral("Cello and Xylophone lessons"),
                   QStringLiteral("Xylophone lessons") };
    })) << joined(ScenarioApp::listTitles());

    app.save();
    app.closeFrontDocument();
    QStringList stored;
    scenario::forEachStoredNote(path, [&stored](const BXNote& note) {
        stored << QStringLiteral("%1 [%2]").arg(note.noteTitle(), note.noteName());
    });
    stored.sort();
    EXPECT_EQ(joined(stored),
        joined({ QStringLiteral("Cello and Xylophone lessons []"),
            QStringLiteral("Xylophone lessons []") }));
}
