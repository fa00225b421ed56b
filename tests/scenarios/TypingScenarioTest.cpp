#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowNoteActions.h"
#include "mainwindow/editor/BXTextView.h"

#include "lists/BXTableView.h"
#include "ui/BXHoverButton.h"

#include <gtest/gtest.h>

using scenario::ScenarioApp;

namespace {

const QKeySequence kNewPage(Qt::CTRL | Qt::SHIFT | Qt::Key_N);

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(" | ")).toStdString();
}

bool listShows(const QStringList& titles)
{
    return ScenarioApp::waitUntil([&] { return ScenarioApp::listTitles() == titles; });
}

// Clicks into the shown note's first line.
void clickIntoText()
{
    BXTextView* view = ScenarioApp::frontMainWindow()->noteTextView();
    ScenarioApp::click(view->viewport(), QPoint(30, 16));
}

} // namespace

// The application with a notes file an earlier session left, opened through the Open panel.
class TypingScenario : public testing::Test {
protected:
    // Writes `name` in the scenario's folder holding `texts` (and the spare note) and opens it.
    BXMainWindowController* openFile(
        const QString& name, const QStringList& texts, bool spare = false)
    {
        path = app.folder() + u'/' + name;
        scenario::writeNotesFile(path, texts, spare);
        return app.openDocument(path);
    }

    // Selects the row's note and clicks into its first line.
    void clickIntoNote(BXMainWindowController* window, int row)
    {
        ScenarioApp::clickRow(window->notesTableView(), row);
        ScenarioApp::idle(300);
        clickIntoText();
    }

    // Saves and closes the window: what the file then holds.
    QStringList saveAndReadBack()
    {
        app.save();
        app.closeFrontDocument();
        return scenario::storedTexts(path);
    }

    ScenarioApp app;
    QString path;
};

TEST_F(TypingScenario, ATabTypedIntoANoteIsShownListedAndSavedAlike)
{
    BXMainWindowController* window
        = openFile(QStringLiteral("Tabs.brindlex"), { QStringLiteral("Tabtest\none") });
    ASSERT_NE(window, nullptr);
    clickIntoNote(window, 0);
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    app.type(QStringLiteral("\ttwo"));
    const QString typed = QStringLiteral("Tabtest\none\ttwo");
    EXPECT_TRUE(listShows({ QStringLiteral("Tabtest") })) << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::editorText(), typed);

    EXPECT_EQ(saveAndReadBack(), QStringList { typed });
}

TEST_F(TypingScenario, TypingGoesOnWhereTheCaretIsWhileTheNoteMovesInTheList)
{
    BXMainWindowController* window = openFile(
        QStringLiteral("Fruit.brindlex"), { QStringLiteral("Mango"), QStringLiteral("Nectarine") });
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(listShows({ QStringLiteral("Mango"), QStringLiteral("Nectarine") }));

    // At the start of Nectarine: the first key moves it above Mango.
    clickIntoNote(window, 1);
    ScenarioApp::key(Qt::Key_Home, Qt::ControlModifier);
    app.type(QStringLiteral("aaa bbb ccc"));
    EXPECT_TRUE(listShows({ QStringLiteral("aaa bbb cccNectarine"), QStringLiteral("Mango") }))
        << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("aaa bbb cccNectarine"));

    // A new note from the notes bar moves up at its first key too.
    ScenarioApp::click(window->noteActions()->notesToolbarAddButton());
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Aardvark title END"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Aardvark title END"));
    })) << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::listTitles().size(), 3);
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Aardvark title END"));

    EXPECT_EQ(saveAndReadBack(),
        (QStringList { QStringLiteral("Aardvark title END"), QStringLiteral("Mango"),
            QStringLiteral("aaa bbb cccNectarine") }));
}

TEST_F(TypingScenario, NewPageFromTheTextPutsTheTypingIntoTheNewNote)
{
    BXMainWindowController* window = openFile(QStringLiteral("Pages.brindlex"),
        { QStringLiteral("Alpha note"), QStringLiteral("Beta note") });
    ASSERT_NE(window, nullptr);
    clickIntoNote(window, 1);

    // The caret is in Beta's text when the shortcut comes.
    ScenarioApp::keys(kNewPage);
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Hotel"));
    EXPECT_TRUE(listShows(
        { QStringLiteral("Alpha note"), QStringLiteral("Beta note"), QStringLiteral("Hotel") }))
        << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::selectedRows(), QList<int> { 2 });
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Hotel"));

    EXPECT_EQ(saveAndReadBack(),
        (QStringList {
            QStringLiteral("Alpha note"), QStringLiteral("Beta note"), QStringLiteral("Hotel") }));
}

TEST_F(TypingScenario, NewNoteRecyclesTheSpareNoteAFileHolds)
{
    ASSERT_NE(openFile(QStringLiteral("Spare.brindlex"), { QStringLiteral("Alpha note") }, true),
        nullptr);
    ScenarioApp::keys(kNewPage);
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Hotel"));
    EXPECT_TRUE(listShows({ QStringLiteral("Alpha note"), QStringLiteral("Hotel") }))
        << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Hotel"));
    EXPECT_EQ(
        saveAndReadBack(), (QStringList { QStringLiteral("Alpha note"), QStringLiteral("Hotel") }));
}
