#include "ScenarioApp.h"

#include "lists/BXTableView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowNoteActions.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "platform/appkit/TokenField.h"
#include "ui/BXHoverButton.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <functional>

using scenario::ScenarioApp;

namespace {

struct ClickElsewhere {
    const char* name;
    std::function<void(BXMainWindowController*)> click;
};

void PrintTo(const ClickElsewhere& where, std::ostream* out)
{
    *out << where.name;
}

// Opens a file of two notes, the second selected by a click on its row.
BXMainWindowController* openWithSecondNoteSelected(ScenarioApp& app, const QString& path)
{
    scenario::writeNotesFile(path, { QStringLiteral("Alpha note"), QStringLiteral("Beta note") });
    BXMainWindowController* window = app.openDocument(path);
    if (!window)
        return nullptr;
    ScenarioApp::clickRow(window->notesTableView(), 1);
    ScenarioApp::idle(300);
    return window;
}

// New Page by its keys, `word` typed after `wait` ms at 5 ms a key, then at once a click on
// the search field.
void newPageTypeAndClickTheSearchField(
    BXMainWindowController* window, int wait, const QString& word)
{
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    ScenarioApp::idle(wait);
    ScenarioApp::type(word, 5);
    ScenarioApp::click(window->search()->searchField());
}

// Whether the list comes to show a note titled `title`.
testing::AssertionResult listed(const QString& title)
{
    if (ScenarioApp::waitUntil([title] { return ScenarioApp::listTitles().contains(title); }))
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
        << "the list shows " << ScenarioApp::listTitles().join(QStringLiteral(" | ")).toStdString();
}

// What the file opened by openWithSecondNoteSelected() holds once saved with a new note.
QStringList savedWithNewNote(ScenarioApp& app, const QString& path)
{
    app.save();
    app.closeFrontDocument();
    return scenario::storedTexts(path);
}

QStringList twoNotesAnd(const QString& text)
{
    return { QStringLiteral("Alpha note"), QStringLiteral("Beta note"), text };
}

} // namespace

class NewNoteTypingScenario : public testing::TestWithParam<ClickElsewhere> { };

// The keys typed right after New Note belong to the new note whatever the user does next: a
// click elsewhere at once moves the selection or the focus only after they are in the note.
TEST_P(NewNoteTypingScenario, KeysTypedAtOnceStayInTheNewNoteWhenTheUserClicksElsewhere)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Quick.brindlex");
    BXMainWindowController* window = openWithSecondNoteSelected(app, path);
    ASSERT_NE(window, nullptr);

    ScenarioApp::click(window->noteActions()->notesToolbarAddButton());
    ScenarioApp::idle(50);
    ScenarioApp::type(QStringLiteral("tok01x"), 5);
    GetParam().click(window);
    ScenarioApp::idle(600);

    EXPECT_TRUE(listed(QStringLiteral("tok01x")));
    EXPECT_EQ(savedWithNewNote(app, path), twoNotesAnd(QStringLiteral("tok01x")));
}

INSTANTIATE_TEST_SUITE_P(Clicks, NewNoteTypingScenario,
    testing::Values(ClickElsewhere { "a_row",
                        [](BXMainWindowController* window) {
                            ScenarioApp::clickRow(window->notesTableView(), 0);
                        } },
        ClickElsewhere { "the_search_field",
            [](BXMainWindowController* window) {
                ScenarioApp::click(window->search()->searchField());
            } }),
    [](const testing::TestParamInfo<ClickElsewhere>& tested) {
        return std::string(tested.param.name);
    });

class NewNoteKeysScenario : public testing::TestWithParam<int> { };

// New Note by its keys from the notes list, the typing starting once the text has taken the
// focus but before the new note's text shows, then at once a click on the search field: the
// keys are in the new note, and the search field has the focus the click gave it.
TEST_P(NewNoteKeysScenario, KeysTypedBeforeTheNewTextShowsReachItAfterAClickElsewhere)
{
    ScenarioApp app;
    BXMainWindowController* window
        = openWithSecondNoteSelected(app, app.folder() + QStringLiteral("/Keys.brindlex"));
    ASSERT_NE(window, nullptr);

    newPageTypeAndClickTheSearchField(window, GetParam(), QStringLiteral("tok02x"));
    EXPECT_TRUE(listed(QStringLiteral("tok02x")));
    EXPECT_EQ(QApplication::focusWidget(), window->search()->searchField());
}

INSTANTIATE_TEST_SUITE_P(Waits, NewNoteKeysScenario, testing::Values(100, 160, 250),
    [](const testing::TestParamInfo<int>& tested) { return std::to_string(tested.param) + "ms"; });

class NewNoteEarlyClickScenario : public testing::TestWithParam<int> { };

// New Note by its keys, the typing and a click on the search field both before the new note's
// text has taken the focus: the keys are in the new note, and what is typed after the click
// is a search.
TEST_P(NewNoteEarlyClickScenario, TheFieldClickedBeforeTheNewTextTookTheFocusKeepsIt)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Early.brindlex");
    BXMainWindowController* window = openWithSecondNoteSelected(app, path);
    ASSERT_NE(window, nullptr);

    newPageTypeAndClickTheSearchField(window, GetParam(), QStringLiteral("tok04x"));
    ScenarioApp::type(QStringLiteral("Beta"));

    EXPECT_EQ(window->search()->searchField()->text(), QStringLiteral("Beta"));
    ScenarioApp::click(window->search()->searchField());
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::key(Qt::Key_Backspace);
    EXPECT_TRUE(listed(QStringLiteral("tok04x")));
    EXPECT_EQ(savedWithNewNote(app, path), twoNotesAnd(QStringLiteral("tok04x")));
}

// Typing begins before the new note is in the list, or once it is but has no focus yet.
INSTANTIATE_TEST_SUITE_P(Waits, NewNoteEarlyClickScenario, testing::Values(20, 80),
    [](const testing::TestParamInfo<int>& tested) { return std::to_string(tested.param) + "ms"; });

class NewNoteAfterTagScenario : public testing::TestWithParam<int> { };

// A tag name typed into the tags bar, then New Page by its keys: ending that edit asks in a
// popover whether to make the tag, and the popover comes up with the keyboard while the user
// is typing into the new page or just before. The keys still go into the new page, also those
// typed after its text showed, and none is lost when a click elsewhere follows.
TEST_P(NewNoteAfterTagScenario, KeysTypedIntoTheNewPageAreNotTakenByTheQuestionAboutTheTag)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Tagged.brindlex");
    BXMainWindowController* window = openWithSecondNoteSelected(app, path);
    ASSERT_NE(window, nullptr);
    platform::TokenField* tags = window->tagsController()->tokenField();
    ScenarioApp::click(tags, QPoint(tags->width() - 5, tags->height() / 2));
    ScenarioApp::type(QStringLiteral("Garden"));

    newPageTypeAndClickTheSearchField(window, GetParam(), QStringLiteral("tok03x"));
    EXPECT_TRUE(listed(QStringLiteral("tok03x")));
    EXPECT_EQ(savedWithNewNote(app, path), twoNotesAnd(QStringLiteral("tok03x")));
}

// The question comes while the keys are typed, or is up before the first.
INSTANTIATE_TEST_SUITE_P(Waits, NewNoteAfterTagScenario, testing::Values(100, 300),
    [](const testing::TestParamInfo<int>& tested) { return std::to_string(tested.param) + "ms"; });
