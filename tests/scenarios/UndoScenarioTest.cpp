#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/appkit/TokenField.h"
#include "platform/text/AttributedText.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenuBar>

#include <cstring>
#include <functional>
#include <vector>

using platform::AttributedText;
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

// " and more" typed at the end of "Alpha note" is undone and redone, each step chosen from the
// Edit menu by its title after a second look into the menu (the first closed with Escape):
// each step leaves `shown` holding its text and, once its "Undone" or "Redone" message has had
// time to come up in a window of its own, offers the opposite step.
void undoAndRedoTheTyping(const std::function<QString()>& shown)
{
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
        EXPECT_EQ(undoItems(), step.item);
        ASSERT_TRUE(
            ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QString::fromUtf8(step.item) }));
        EXPECT_TRUE(ScenarioApp::waitUntil([&] { return shown() == QString::fromUtf8(step.text); }))
            << shown().toStdString();
        ScenarioApp::idle(500);
        EXPECT_EQ(undoItems(), step.offered);
    }
}

bool listShows(const QStringList& titles)
{
    return ScenarioApp::waitUntil([&] { return ScenarioApp::listTitles() == titles; });
}

QString notesCount(BXMainWindowController* window)
{
    const auto* count = window->mainWindow()->findChild<QLabel*>(QStringLiteral("notesCount"));
    return count ? count->text() : QString();
}

// What the user did before adding a note, and how the note was added.
struct AddingAfter {
    const char* name;
    std::function<void(BXMainWindowController*)> before;
    std::function<void(BXMainWindowController*)> add;
};

void PrintTo(const AddingAfter& adding, std::ostream* out)
{
    *out << adding.name;
}

// A file of the notes "Alpha" and "Beta" opened at `path`, "Alpha" selected and shown; null
// when it does not come up.
BXMainWindowController* openAlphaAndBetaShowingAlpha(ScenarioApp& app, const QString& path)
{
    scenario::writeNotesFile(path, { QStringLiteral("Alpha"), QStringLiteral("Beta") });
    BXMainWindowController* window = app.openDocument(path);
    if (!window)
        return nullptr;
    ScenarioApp::clickRow(window->notesTableView(), 0);
    return ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; })
        ? window
        : nullptr;
}

// How the user renames the note selected in the list to "Named".
struct Renaming {
    const char* name;
    std::function<void(BXMainWindowController*)> rename;
};

void PrintTo(const Renaming& renaming, std::ostream* out)
{
    *out << renaming.name;
}

// A new document whose one note, "First note", was typed into its empty text and saved.
BXMainWindowController* newDocumentWithFirstNote(ScenarioApp& app)
{
    BXMainWindowController* window = app.newDocument();
    if (!window)
        return nullptr;
    ScenarioApp::click(window->noteTextView()->viewport());
    ScenarioApp::type(QStringLiteral("First note"));
    app.save(app.folder() + QStringLiteral("/First.brindlex"));
    return window;
}

// Below a search's message, where an empty text pane takes the click.
void clickBelowTheText(BXMainWindowController* window)
{
    QWidget* viewport = window->noteTextView()->viewport();
    ScenarioApp::click(viewport, QPoint(viewport->width() / 2, viewport->height() - 5));
}

// A file of one note, "Alpha note", written at `path` and opened.
BXMainWindowController* openAlphaNote(ScenarioApp& app, const QString& path)
{
    scenario::writeNotesFile(path, { QStringLiteral("Alpha note") });
    return app.openDocument(path);
}

void newPage(BXMainWindowController*)
{
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
}

// "Alpha note" opened at `path`, "tok05x" typed into a new page after a pause, and that typing
// undone: the menu offers Undo Add Note and Redo Typing.
void typeIntoANewPageAndUndoIt(ScenarioApp& app, const QString& path)
{
    BXMainWindowController* window = openAlphaNote(app, path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::idle(300);
    newPage(window);
    ScenarioApp::idle(300);
    ScenarioApp::type(QStringLiteral("tok05x"));
    ScenarioApp::idle(500);
    ASSERT_EQ(undoItems(), "Undo Typing");
    ScenarioApp::keys(QKeySequence::Undo);
    ScenarioApp::idle(300);
    ASSERT_EQ(undoItems(), "Undo Add Note | Redo Typing");
}

} // namespace

// Undo Add Note takes away the note that was added, with what was typed into it since; Redo
// brings it back with its text. Each undo the menu names does what it names, once.
TEST(UndoScenario, UndoAddNoteTakesAwayTheNoteTypedInto)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Added.brindlex");
    BXMainWindowController* window = openAlphaNote(app, path);
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

class UndoAddNoteScenario : public testing::TestWithParam<AddingAfter> { };

// A new note is untitled, a blank row: Undo Add Note, chosen by that name, takes the row away
// whatever came before (a deletion, an undo, a search the note does not match), then offers
// Redo Add Note, which brings it back.
TEST_P(UndoAddNoteScenario, TakesAwayTheBlankRowAndOffersItsRedo)
{
    ScenarioApp app;
    BXMainWindowController* window = newDocumentWithFirstNote(app);
    ASSERT_NE(window, nullptr);
    GetParam().before(window);
    ScenarioApp::idle(400);
    const QStringList rows = ScenarioApp::listTitles();
    const QString count = notesCount(window);

    GetParam().add(window);
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        return ScenarioApp::listTitles().size() == rows.size() + 1
            && ScenarioApp::listTitles().contains(QString());
    })) << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(400);

    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QStringLiteral("Undo Add Note") }));
    EXPECT_TRUE(listShows(rows)) << ScenarioApp::listTitles().size()
                                 << " rows: " << joined(ScenarioApp::listTitles());
    EXPECT_EQ(notesCount(window), count);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return !window->noteTextView()->isEditable(); }));
    EXPECT_TRUE(ScenarioApp::enabledMenuItems({ QStringLiteral("Edit") })
                    .contains(QStringLiteral("Redo Add Note")))
        << undoItems();

    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QStringLiteral("Redo Add Note") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([&] {
        return ScenarioApp::listTitles().size() == rows.size() + 1;
    })) << joined(ScenarioApp::listTitles());
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return window->noteTextView()->isEditable(); }));
}

INSTANTIATE_TEST_SUITE_P(Steps, UndoAddNoteScenario,
    testing::Values(AddingAfter { "after_deleting_the_note",
                        [](BXMainWindowController*) {
                            ScenarioApp::answerNextDialog(QStringLiteral("Delete"));
                            ScenarioApp::chooseMenuItem(
                                { QStringLiteral("Note"), QStringLiteral("Delete Page…") });
                        },
                        newPage },
        AddingAfter { "after_an_undo",
            [](BXMainWindowController*) { ScenarioApp::keys(QKeySequence::Undo); }, newPage },
        AddingAfter { "by_a_click_in_the_text_during_a_search",
            [](BXMainWindowController*) {
                ScenarioApp::keys(QKeySequence::Find);
                ScenarioApp::type(QStringLiteral("ka"));
            },
            clickBelowTheText }),
    [](const testing::TestParamInfo<AddingAfter>& tested) {
        return std::string(tested.param.name);
    });

// A search that no longer lists a blank new note (it passes no filter of its own) leaves
// nothing for Undo Add Note to take away: the menu no longer offers it, as after a change of
// category.
TEST(UndoScenario, NoUndoAddNoteOnceTheSearchNoLongerListsTheBlankNote)
{
    ScenarioApp app;
    BXMainWindowController* window = newDocumentWithFirstNote(app);
    ASSERT_NE(window, nullptr);
    ScenarioApp::keys(QKeySequence::Find);
    ScenarioApp::type(QStringLiteral("ka"));
    ASSERT_TRUE(listShows({})) << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);
    clickBelowTheText(window);
    ASSERT_TRUE(listShows({ QString() })) << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);
    ASSERT_EQ(undoItems(), "Undo Add Note");

    ScenarioApp::keys(QKeySequence::Find);
    ScenarioApp::keys(QKeySequence::SelectAll);
    ScenarioApp::key(Qt::Key_Backspace);
    EXPECT_TRUE(listShows({ QStringLiteral("First note") })) << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);
    EXPECT_FALSE(ScenarioApp::enabledMenuItems({ QStringLiteral("Edit") })
                     .contains(QStringLiteral("Undo Add Note")))
        << undoItems();
    EXPECT_TRUE(window->noteTextView()->isEditable());
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("First note"));
}

// New Page while the last new page is still blank selects that page again and adds no step:
// Undo Add Note takes the blank row away, and the next Undo Add Note takes away the note added
// before it, not nothing.
TEST(UndoScenario, NewPageOnABlankNewPageAddsNoSecondStep)
{
    ScenarioApp app;
    BXMainWindowController* window = newDocumentWithFirstNote(app);
    ASSERT_NE(window, nullptr);
    ScenarioApp::idle(300);
    newPage(window);
    ASSERT_TRUE(listShows({ QStringLiteral("First note"), QString() }))
        << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);
    newPage(window);
    ScenarioApp::idle(400);
    EXPECT_EQ(ScenarioApp::selectedRows(), QList<int> { 1 });

    for (const QStringList& left :
        { QStringList { QStringLiteral("First note") }, QStringList {} }) {
        ASSERT_TRUE(ScenarioApp::chooseMenuItem(
            { QStringLiteral("Edit"), QStringLiteral("Undo Add Note") }));
        EXPECT_TRUE(listShows(left)) << joined(ScenarioApp::listTitles());
        ScenarioApp::idle(300);
    }
    EXPECT_EQ(undoItems(), "Redo Add Note");
}

// Looking into the Edit menu (closed again with Escape, which leaves the menu bar taking the
// keys) and the undo's own message window in front end no typing: Undo Typing stays offered,
// and after it Redo Typing.
TEST(UndoScenario, TypingKeepsItsUndoAndRedoWhileMenusAndMessagesShow)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Typed.brindlex");
    BXMainWindowController* window = openAlphaNote(app, path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::type(QStringLiteral(" and more"));
    ScenarioApp::idle(300);

    EXPECT_EQ(undoItems(), "Undo Typing");
    undoAndRedoTheTyping(&ScenarioApp::editorText);

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), "Alpha note and more");
}

// A new page deleted and brought back by Undo Delete Note: the menu then offers Redo Delete
// Note, under that name, and it deletes the page again.
TEST(UndoScenario, UndoOfDeletingANewPageOffersItsRedo)
{
    ScenarioApp app;
    BXMainWindowController* window = newDocumentWithFirstNote(app);
    ASSERT_NE(window, nullptr);
    newPage(window);
    ASSERT_TRUE(listShows({ QStringLiteral("First note"), QString() }))
        << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);
    ScenarioApp::answerNextDialog(QStringLiteral("Delete"));
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Delete Page…") }));
    ASSERT_TRUE(listShows({ QStringLiteral("First note") })) << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);

    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Edit"), QStringLiteral("Undo Delete Note") }));
    EXPECT_TRUE(listShows({ QStringLiteral("First note"), QString() }))
        << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);
    EXPECT_EQ(undoItems(), "Undo Add Note | Redo Delete Note");
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Edit"), QStringLiteral("Redo Delete Note") }));
    EXPECT_TRUE(listShows({ QStringLiteral("First note") })) << joined(ScenarioApp::listTitles());
}

namespace {

// One step taken by its Edit menu item, and the list it leaves.
struct MenuStep {
    const char* item;
    QStringList rows;
};

// A command key pressed at once after the keys typed into a new page (none: the keys come slowly,
// each after a pause), the undo steps the Edit menu then offers, newest first, with the list each
// leaves, and what the file holds once every step is redone.
struct CommandAfterTyping {
    const char* name;
    QKeySequence command;
    std::vector<MenuStep> undos;
    QStringList saved;
    // The command comes in the turn the new note is listed, before that turn has ended.
    bool asTheRowShows = false;
};

void PrintTo(const CommandAfterTyping& command, std::ostream* out)
{
    *out << command.name;
}

} // namespace

class CommandAfterNewPageTypingScenario : public testing::TestWithParam<CommandAfterTyping> { };

// New Page by its keys, a word typed at once, and a command key straight after it: the Edit
// menu offers the steps it offers when the keys come slower, the typing one of its own after
// Add Note. Each undo the menu names takes away what it names, and each redo, Redo Add Note
// first, brings back what it names.
TEST_P(CommandAfterNewPageTypingScenario, EachUndoAndRedoDoesWhatTheMenuNames)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Command.brindlex");
    BXMainWindowController* window = openAlphaNote(app, path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::idle(300);

    newPage(window);
    const bool slowly = GetParam().command.isEmpty();
    if (slowly)
        ScenarioApp::idle(300);
    ScenarioApp::type(QStringLiteral("tok05x"), slowly ? scenario::keyInterval() : 5);
    if (GetParam().asTheRowShows) {
        ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 2; }));
    }
    ScenarioApp::keys(GetParam().command);
    ScenarioApp::idle(500);

    const std::vector<MenuStep>& undos = GetParam().undos;
    const QStringList typed = ScenarioApp::listTitles();
    for (const MenuStep& step : undos) {
        SCOPED_TRACE(step.item);
        ASSERT_EQ(undoItems().substr(0, std::strlen(step.item)), step.item) << undoItems();
        ASSERT_TRUE(
            ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QString::fromUtf8(step.item) }));
        EXPECT_TRUE(listShows(step.rows)) << joined(ScenarioApp::listTitles());
        ScenarioApp::idle(300);
    }
    for (auto step = undos.rbegin(); step != undos.rend(); ++step) {
        const QString redo = QString::fromUtf8(step->item).replace(0, 4, QStringLiteral("Redo"));
        SCOPED_TRACE(redo.toStdString());
        ASSERT_NE(undoItems().find(redo.toStdString()), std::string::npos) << undoItems();
        ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), redo }));
        const auto before = std::next(step);
        EXPECT_TRUE(listShows(before == undos.rend() ? typed : before->rows))
            << joined(ScenarioApp::listTitles());
        ScenarioApp::idle(300);
    }
    EXPECT_EQ(undoItems().find("Redo"), std::string::npos) << undoItems();

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), joined(GetParam().saved));
}

INSTANTIATE_TEST_SUITE_P(Keys, CommandAfterNewPageTypingScenario,
    testing::Values(CommandAfterTyping { "bold", QKeySequence::Bold,
                        { { "Undo Typing", { QStringLiteral("Alpha note"), QString() } },
                            { "Undo Add Note", { QStringLiteral("Alpha note") } } },
                        { QStringLiteral("Alpha note"), QStringLiteral("tok05x") } },
        CommandAfterTyping { "bold_as_the_row_shows", QKeySequence::Bold,
            { { "Undo Typing", { QStringLiteral("Alpha note"), QString() } },
                { "Undo Add Note", { QStringLiteral("Alpha note") } } },
            { QStringLiteral("Alpha note"), QStringLiteral("tok05x") }, true },
        CommandAfterTyping { "none", QKeySequence(),
            { { "Undo Typing", { QStringLiteral("Alpha note"), QString() } },
                { "Undo Add Note", { QStringLiteral("Alpha note") } } },
            { QStringLiteral("Alpha note"), QStringLiteral("tok05x") } },
        // Saving leaves the typing undoable: it goes first, then the note.
        CommandAfterTyping { "save", QKeySequence::Save,
            { { "Undo Typing", { QStringLiteral("Alpha note"), QString() } },
                { "Undo Add Note", { QStringLiteral("Alpha note") } } },
            { QStringLiteral("Alpha note"), QStringLiteral("tok05x") } },
        // Duplicating ends the editing, which leaves what was typed to the note, as when the
        // keys come slower: Add Note takes it away with the note.
        CommandAfterTyping { "duplicate", QKeySequence(Qt::CTRL | Qt::Key_D),
            { { "Undo Duplicate Note", { QStringLiteral("Alpha note"), QStringLiteral("tok05x") } },
                { "Undo Add Note", { QStringLiteral("Alpha note") } } },
            { QStringLiteral("Alpha note"), QStringLiteral("tok05x"), QStringLiteral("tok05x") } }),
    [](const testing::TestParamInfo<CommandAfterTyping>& tested) {
        return std::string(tested.param.name);
    });

// The user goes to another application between Undo Add Note and its redo, which frees the
// memory of the notes not shown: the word typed into the page still comes back with Redo Typing,
// and the file holds it.
TEST(UndoScenario, GoingToAnotherApplicationKeepsTheRedoOfTypingIntoAnUndoneNote)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Away.brindlex");
    typeIntoANewPageAndUndoIt(app, path);
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QStringLiteral("Undo Add Note") }));
    ScenarioApp::idle(300);
    ScenarioApp::switchToAnotherApplication(ScenarioApp::frontMainWindow()->mainWindow(), 300);
    for (const QString& redo : { QStringLiteral("Redo Add Note"), QStringLiteral("Redo Typing") }) {
        SCOPED_TRACE(redo.toStdString());
        ASSERT_NE(undoItems().find(redo.toStdString()), std::string::npos) << undoItems();
        ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), redo }));
        ScenarioApp::idle(300);
    }
    EXPECT_TRUE(listShows({ QStringLiteral("Alpha note"), QStringLiteral("tok05x") }))
        << joined(ScenarioApp::listTitles());
    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), "Alpha note | tok05x");
}

// Redo pressed twice at once after the new page and its word were undone: the second redo comes
// before the note has had time to show, and still brings the word back into it, on screen and
// in the file, with its undo named.
TEST(UndoScenario, RedoTypingAtOnceAfterRedoAddNoteBringsTheWordBack)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Again.brindlex");
    ASSERT_NO_FATAL_FAILURE(typeIntoANewPageAndUndoIt(app, path));
    ScenarioApp::keys(QKeySequence::Undo);
    ASSERT_TRUE(listShows({ QStringLiteral("Alpha note") })) << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);

    ScenarioApp::keys(QKeySequence::Redo);
    ScenarioApp::keys(QKeySequence::Redo);
    EXPECT_TRUE(listShows({ QStringLiteral("Alpha note"), QStringLiteral("tok05x") }))
        << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(300);
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("tok05x"));
    EXPECT_EQ(undoItems(), "Undo Typing");

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), "Alpha note | tok05x");
}

// Undo Add Note and Redo Add Note in quick succession: the page's text is put away a moment
// after the previous note shows, which can fall after the redo selected the page again but
// before its text is back on screen. The typing undone first still waits for its redo, and
// the word comes back on screen and into the file. The parameter is the pause in ms between the
// two keys.
class QuickRedoAddNoteScenario : public testing::TestWithParam<int> { };

TEST_P(QuickRedoAddNoteScenario, KeepsTheTypingsRedo)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Quick.brindlex");
    ASSERT_NO_FATAL_FAILURE(typeIntoANewPageAndUndoIt(app, path));

    ScenarioApp::keys(QKeySequence::Undo);
    ScenarioApp::idle(GetParam());
    ScenarioApp::keys(QKeySequence::Redo);
    ScenarioApp::idle(500);
    EXPECT_EQ(undoItems(), "Undo Add Note | Redo Typing");
    ScenarioApp::keys(QKeySequence::Redo);
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText() == QStringLiteral("tok05x");
    })) << ScenarioApp::editorText().toStdString();

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), "Alpha note | tok05x");
}

INSTANTIATE_TEST_SUITE_P(Pauses, QuickRedoAddNoteScenario, testing::Values(130, 170));

namespace {

// How the user undoes while a tag name is still being typed.
struct UndoWay {
    const char* name;
    std::function<void()> undo;
};

void PrintTo(const UndoWay& way, std::ostream* out)
{
    *out << way.name;
}

class UndoWhileTypingATagScenario : public testing::TestWithParam<UndoWay> { };

} // namespace

// A tag name half typed when the user undoes is given up with the edit: neither asked about
// nor applied afterwards as a step of its own. The step the Edit menu named is the one undone,
// its Redo is offered and brings the note back, and the file keeps no trace of the name.
TEST_P(UndoWhileTypingATagScenario, UndoesTheNamedStepAndOffersItsRedo)
{
    ScenarioApp app;
    BXMainWindowController* window = newDocumentWithFirstNote(app);
    ASSERT_NE(window, nullptr);
    const QString path = app.folder() + QStringLiteral("/First.brindlex");
    platform::TokenField* tags = window->tagsController()->tokenField();
    // From the search field, Shift+Tab goes back to the note's tags.
    ScenarioApp::keys(QKeySequence::Find);
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), tags);
    ScenarioApp::type(QStringLiteral("Garden"));
    ScenarioApp::idle(300);

    GetParam().undo();
    EXPECT_TRUE(listShows({})) << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(500);
    EXPECT_EQ(ScenarioApp::buttonTitled(QStringLiteral("OK")), nullptr);
    EXPECT_TRUE(tags->objectValue().isEmpty());
    EXPECT_EQ(undoItems(), "Redo Add Note");
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QStringLiteral("Redo Add Note") }));
    EXPECT_TRUE(listShows({ QStringLiteral("First note") })) << joined(ScenarioApp::listTitles());

    app.save();
    app.closeFrontDocument();
    const QList<scenario::StoredNote> stored = scenario::readNotesFile(path);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.front().text, QStringLiteral("First note"));
    EXPECT_TRUE(stored.front().categories.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Ways, UndoWhileTypingATagScenario,
    testing::Values(UndoWay { "EditMenuAfterALookIntoIt",
                        [] {
                            // The look ends with Escape, which leaves the menu bar the keys.
                            ASSERT_TRUE(ScenarioApp::enabledMenuItems({ QStringLiteral("Edit") })
                                            .contains(QStringLiteral("Undo Add Note")));
                            ScenarioApp::idle(300);
                            ASSERT_TRUE(ScenarioApp::chooseMenuItem(
                                { QStringLiteral("Edit"), QStringLiteral("Undo Add Note") }));
                        } },
        UndoWay { "EditMenu",
            [] {
                ASSERT_TRUE(ScenarioApp::chooseMenuItem(
                    { QStringLiteral("Edit"), QStringLiteral("Undo Add Note") }));
            } },
        UndoWay { "Keys", [] { ScenarioApp::keys(QKeySequence::Undo); } }),
    [](const testing::TestParamInfo<UndoWay>& way) { return std::string(way.param.name); });
// Looking into a note window's Edit menu and leaving it with one Escape gives the keys back to
// the note's text (the bar kept them once, and took Undo Typing away), and so does answering
// the Delete Note message. Undo Typing stays offered and undoes the word, and Redo Typing
// follows it.
TEST(UndoScenario, TypingInANoteWindowKeepsItsUndoAndRedoWhileMenusAndMessagesShow)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Own.brindlex");
    BXMainWindowController* main = openAlphaNote(app, path);
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickRow(main->notesTableView(), 0);
    const auto note = main->selectedNote();
    BXTextView* own = scenario::openInOwnWindow(main);
    ASSERT_NE(own, nullptr);
    // Past the moment the window takes the main window's selection.
    ScenarioApp::idle(300);
    ScenarioApp::click(own->viewport());
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral(" and more"));
    ScenarioApp::idle(300);

    EXPECT_EQ(undoItems(), "Undo Typing");
    auto* bar = own->window()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    for (QAction* menu : bar->actions()) {
        if (menu->text().remove(u'&') == u"Edit"_qs)
            ScenarioApp::click(bar, bar->actionGeometry(menu).center());
    }
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return QApplication::activePopupWidget(); }));
    ScenarioApp::key(Qt::Key_Escape);
    ASSERT_TRUE(ScenarioApp::waitUntil([own] { return own->hasFocus(); }));
    EXPECT_EQ(undoItems(), "Undo Typing");
    ScenarioApp::answerNextDialog(QStringLiteral("Cancel"));
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Delete Note") }));
    ScenarioApp::idle(300);

    undoAndRedoTheTyping([own] { return AttributedText::string(*own->mirror()); });

    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    ASSERT_TRUE(
        ScenarioApp::waitUntil([&] { return !scenario::noteWindowOf(main->document(), note); }));
    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), "Alpha note and more");
}

class UndoRenameScenario : public testing::TestWithParam<Renaming> { };

// A renamed note whose first line then changed, the typing's own undo gone with its text when
// another note was shown: Undo Change Note Title gives it the title of its first line as it is
// now, in the list and in the saved file, and Redo names it again.
TEST_P(UndoRenameScenario, UndoTitlesTheNoteByItsFirstLineAsItIsNow)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Renamed.brindlex");
    BXMainWindowController* window = openAlphaAndBetaShowingAlpha(app, path);
    ASSERT_NE(window, nullptr);
    GetParam().rename(window);
    ASSERT_TRUE(listShows({ QStringLiteral("Beta"), QStringLiteral("Named") }))
        << joined(ScenarioApp::listTitles());
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::keys(QKeySequence::MoveToStartOfDocument);
    ScenarioApp::type(QStringLiteral("Gamma\n"));
    ScenarioApp::clickRow(window->notesTableView(), 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta"_qs; }));
    ScenarioApp::idle(300);
    ASSERT_EQ(undoItems(), "Undo Change Note Title");

    const struct {
        const char* item;
        QStringList rows;
    } steps[] = {
        { "Undo Change Note Title", { QStringLiteral("Beta"), QStringLiteral("Gamma") } },
        { "Redo Change Note Title", { QStringLiteral("Beta"), QStringLiteral("Named") } },
        { "Undo Change Note Title", { QStringLiteral("Beta"), QStringLiteral("Gamma") } },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.item);
        ASSERT_TRUE(
            ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QString::fromUtf8(step.item) }));
        EXPECT_TRUE(listShows(step.rows)) << joined(ScenarioApp::listTitles());
        ScenarioApp::idle(300);
    }

    app.save();
    app.closeFrontDocument();
    QStringList stored;
    scenario::forEachStoredNote(path,
        [&stored](const BXNote& note) { stored << note.noteTitle() + u':' + note.noteText(); });
    stored.sort();
    EXPECT_EQ(joined(stored), "Beta:Beta | Gamma:Gamma\nAlpha");
}

INSTANTIATE_TEST_SUITE_P(Ways, UndoRenameScenario,
    testing::Values(Renaming { "from_the_note_menu",
                        [](BXMainWindowController* window) {
                            ASSERT_TRUE(ScenarioApp::chooseMenuItem(
                                { QStringLiteral("Note"), QStringLiteral("Rename") }));
                            ASSERT_TRUE(ScenarioApp::waitUntil(
                                [window] { return window->notesTableView()->isEditingCell(); }));
                            ScenarioApp::keys(QKeySequence::SelectAll);
                            ScenarioApp::type(QStringLiteral("Named\n"));
                        } },
        // Keys typed while the list has them start the row's edit; a click away ends it.
        Renaming { "by_typing_on_its_row_and_clicking_away",
            [](BXMainWindowController* window) {
                ScenarioApp::clickRow(window->notesTableView(), 0);
                ScenarioApp::type(QStringLiteral("Named"));
                ScenarioApp::click(window->noteTextView()->viewport());
            } }),
    [](const testing::TestParamInfo<Renaming>& tested) { return std::string(tested.param.name); });

// A row's editor left with the title it showed names nothing: no undo step is offered, and the
// title still follows the note's first line.
TEST(UndoScenario, ARowEditThatKeepsTheTitleNamesNothing)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Kept.brindlex");
    BXMainWindowController* window = openAlphaAndBetaShowingAlpha(app, path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::idle(300);
    ScenarioApp::type(QStringLiteral("Alpha"));
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::idle(300);
    EXPECT_EQ(undoItems(), "");

    ScenarioApp::keys(QKeySequence::MoveToStartOfDocument);
    ScenarioApp::type(QStringLiteral("Gamma\n"));
    EXPECT_TRUE(listShows({ QStringLiteral("Beta"), QStringLiteral("Gamma") }))
        << joined(ScenarioApp::listTitles());
}
