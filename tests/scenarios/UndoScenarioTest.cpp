#include "ScenarioApp.h"

#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

using scenario::ScenarioApp;

namespace {

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(" | ")).toStdString();
}

// The Edit menu's undo and redo items as it shows them, "Undo …" first.
std::string undoItems()
{
    QStringList items;
    for (const QString& title : ScenarioApp::enabledMenuItems({ QStringLiteral("Edit") })) {
        if (title.startsWith(QStringLiteral("Undo")) || title.startsWith(QStringLiteral("Redo")))
            items << title;
    }
    return joined(items);
}

bool listShows(const QStringList& titles)
{
    return ScenarioApp::waitUntil([&] { return ScenarioApp::listTitles() == titles; });
}

} // namespace

// Undo Add Note takes away the note that was added, with what was typed into it since; Redo
// brings it back with its text. Each undo the menu names does what it names, once.
TEST(UndoScenario, UndoAddNoteTakesAwayTheNoteTypedInto)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Added.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha note") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    ScenarioApp::idle(300);
    ScenarioApp::type(QStringLiteral("Undo me note"));
    ASSERT_TRUE(listShows({ QStringLiteral("Alpha note"), QStringLiteral("Undo me note") }))
        << joined(ScenarioApp::listTitles());
    ScenarioApp::clickRow(window->notesTableView(), 0);
    ScenarioApp::idle(300);

    EXPECT_EQ(undoItems(), "Undo Add Note");
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_TRUE(listShows({ QStringLiteral("Alpha note") })) << joined(ScenarioApp::listTitles());
    EXPECT_EQ(undoItems(), "Redo Add Note");
    ScenarioApp::keys(QKeySequence::Redo);
    EXPECT_TRUE(listShows({ QStringLiteral("Alpha note"), QStringLiteral("Undo me note") }))
        << joined(ScenarioApp::listTitles());
    EXPECT_EQ(undoItems(), "Undo Add Note");

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), "Alpha note | Undo me note");
}

// After Delete All Found, a click into the empty text makes a new note; undo first takes that
// away, as the menu says, and then brings the deleted notes back.
TEST(UndoScenario, AfterDeleteAllFoundEachUndoDoesWhatTheMenuNames)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Found.brindlex");
    QStringList texts;
    for (int i = 1; i <= 6; ++i)
        texts << QStringLiteral("Apple %1").arg(i);
    scenario::writeNotesFile(path, texts + QStringList { QStringLiteral("Pear") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::keys(QKeySequence::Find);
    ScenarioApp::type(QStringLiteral("Apple"));
    ASSERT_TRUE(listShows(texts)) << joined(ScenarioApp::listTitles());
    ScenarioApp::answerNextDialog(QStringLiteral("Delete"));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Delete All Found") }));
    ASSERT_TRUE(listShows({})) << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);

    ScenarioApp::click(window->noteTextView()->viewport());
    ScenarioApp::idle(500);
    EXPECT_EQ(undoItems(), "Undo Add Note");
    ScenarioApp::keys(QKeySequence::Undo);
    ScenarioApp::idle(300);
    EXPECT_TRUE(listShows({})) << joined(ScenarioApp::listTitles());
    EXPECT_EQ(undoItems(), "Undo Delete Notes | Redo Add Note");
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_TRUE(listShows(texts)) << joined(ScenarioApp::listTitles());

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), joined(texts + QStringList { "Pear" }));
}

// Looking into the Edit menu (closed again with Escape, which leaves the menu bar taking the
// keys) and the undo's own message window in front end no typing: Undo Typing stays offered,
// and after it Redo Typing.
TEST(UndoScenario, TypingKeepsItsUndoAndRedoWhileMenusAndMessagesShow)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Typed.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha note") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::type(QStringLiteral(" and more"));
    ScenarioApp::idle(300);

    EXPECT_EQ(undoItems(), "Undo Typing");
    // Each step chosen by its title shows its text and, once its "Undone" or "Redone" message
    // has come up in a window of its own, offers the opposite step.
    const struct {
        const char* item;
        const char* text;
        const char* offered;
    } steps[] = {
        { "Undo Typing", "Alpha note", "Redo Typing" },
        { "Redo Typing", "Alpha note and more", "Undo Typing" },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.item);
        // A second look, after the one that closed with Escape.
        EXPECT_EQ(undoItems(), step.item);
        ASSERT_TRUE(
            ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QString::fromUtf8(step.item) }));
        EXPECT_TRUE(ScenarioApp::waitUntil([&] {
            return ScenarioApp::editorText() == QString::fromUtf8(step.text);
        })) << ScenarioApp::editorText().toStdString();
        ScenarioApp::idle(500);
        EXPECT_EQ(undoItems(), step.offered);
    }

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), "Alpha note and more");
}
