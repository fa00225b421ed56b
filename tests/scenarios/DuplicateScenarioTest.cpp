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

struct Typist {
    const char* name;
    int interval;
    // Milliseconds between Duplicate and the first key.
    int pause;
};

void PrintTo(const Typist& typist, std::ostream* out)
{
    *out << typist.name;
}

} // namespace

class DuplicateTypingScenario : public testing::TestWithParam<Typist> { };

// What is typed after Duplicate goes into the copy, at the caret the copy shows (where the
// original had it), however soon the typing starts; the original stays as it was.
TEST_P(DuplicateTypingScenario, KeysAfterDuplicateGoIntoTheCopyAtItsCaret)
{
    const Typist typist = GetParam();
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Lessons.brindlex");
    BXMainWindowController* window = openWithCaretAfterFirstLine(app, path);
    ASSERT_NE(window, nullptr);

    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
    if (typist.pause > 0)
        ScenarioApp::idle(typist.pause);
    ScenarioApp::type(QStringLiteral("abcdefgh"), typist.interval);
    const QString copy = QStringLiteral("Xylophone lessonsabcdefgh\nTuesdays at five");
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return ScenarioApp::editorText() == copy; }))
        << ScenarioApp::editorText().toStdString();
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Xylophone lessonsabcdefgh"));
    })) << joined(ScenarioApp::listTitles());

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), joined({ kLessons, copy }));
}

INSTANTIATE_TEST_SUITE_P(Typists, DuplicateTypingScenario,
    testing::Values(Typist { "at_once", 40, 0 }, Typist { "at_once_fast", 6, 0 },
        Typist { "after_a_pause", 40, 500 }),
    [](const testing::TestParamInfo<Typist>& tested) { return std::string(tested.param.name); });

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

// Duplicate's key works whenever a note is selected, also after its menu was last seen while
// none was (a search that found nothing): the key is checked when pressed.
TEST(DuplicateScenario, TheKeyDuplicatesAfterTheMenuWasSeenWithNothingSelected)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Keys.brindlex");
    BXMainWindowController* window = openWithCaretAfterFirstLine(app, path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("qqqq"));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().isEmpty(); }));
    EXPECT_FALSE(
        ScenarioApp::isMenuItemEnabled({ QStringLiteral("Note"), QStringLiteral("Duplicate") }));

    ScenarioApp::key(Qt::Key_Escape);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 1; }));
    ScenarioApp::clickRow(window->notesTableView(), 0);
    ScenarioApp::idle(300);
    ScenarioApp::click(window->noteTextView()->viewport(), QPoint(30, 16));
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 2; }))
        << joined(ScenarioApp::listTitles());
}

// A copy made during a search is listed and selected while the search stays, as a new note
// would be, also when its original was edited so that the search no longer finds it: what is
// typed at once goes into the copy, which the user sees.
TEST(DuplicateScenario, ACopyMadeDuringASearchIsListedAndTakesTheKeys)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Search.brindlex");
    scenario::writeNotesFile(path, { kLessons, QStringLiteral("Cello practice") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("xylo"));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList { "Xylophone lessons" };
    })) << joined(ScenarioApp::listTitles());
    ScenarioApp::clickRow(window->notesTableView(), 0);
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::keys(QKeySequence::MoveToStartOfDocument);
    for (int i = 0; i < 4; ++i)
        ScenarioApp::key(Qt::Key_Delete);
    const QString edited = QStringLiteral("phone lessons\nTuesdays at five");
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return ScenarioApp::editorText() == edited; }));
    ScenarioApp::key(Qt::Key_End);

    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
    ScenarioApp::type(QStringLiteral("abcdefgh"));
    const QString copy = QStringLiteral("phone lessonsabcdefgh\nTuesdays at five");
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return ScenarioApp::editorText() == copy; }))
        << ScenarioApp::editorText().toStdString();
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles()
            == QStringList { "phone lessons", "phone lessonsabcdefgh" };
    })) << joined(ScenarioApp::listTitles());
    EXPECT_EQ(window->searchString(), QStringLiteral("xylo"));

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)),
        joined({ QStringLiteral("Cello practice"), edited, copy }));
}

// How a note's new name in the list is ended before its text is typed into.
struct RenameEnd {
    const char* name;
    // Typed after the name.
    const char* keys;
};

void PrintTo(const RenameEnd& end, std::ostream* out)
{
    *out << end.name;
}

// Opens a file holding kLessons, renames its note "Music" in the list with `ending` typed after
// the name, and clicks to the end of its text. nullptr when a step did not happen.
BXMainWindowController* openRenamedToMusic(
    ScenarioApp& app, const QString& path, const QString& ending)
{
    scenario::writeNotesFile(path, { kLessons });
    BXMainWindowController* window = app.openDocument(path);
    if (!window)
        return nullptr;
    BXTableView* list = window->notesTableView();
    ScenarioApp::clickRow(list, 0);
    if (!ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == kLessons; })
        || !ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Rename") })
        || !ScenarioApp::waitUntil([list] { return list->isEditingCell(); }))
        return nullptr;
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("Music") + ending);
    ScenarioApp::clickToTheEndOfTheText(window);
    return window;
}

class DuplicateAfterRenameScenario : public testing::TestWithParam<RenameEnd> { };

// After a note was renamed in the list, Duplicate from its text sends the keys typed at once
// into the copy at its caret: the list, where the name was typed, takes none of them.
TEST_P(DuplicateAfterRenameScenario, KeysGoIntoTheCopyNotIntoTheList)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Renamed.brindlex");
    BXMainWindowController* window
        = openRenamedToMusic(app, path, QString::fromUtf8(GetParam().keys));
    ASSERT_NE(window, nullptr);
    BXTableView* list = window->notesTableView();
    ScenarioApp::type(QStringLiteral(" weekly"));

    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
    ScenarioApp::type(QStringLiteral("abcdefgh"));
    const QString original = kLessons + QStringLiteral(" weekly");
    const QString copy = original + QStringLiteral("abcdefgh");
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return ScenarioApp::editorText() == copy; }))
        << ScenarioApp::editorText().toStdString();
    EXPECT_FALSE(list->isEditingCell());
    EXPECT_TRUE(window->noteTextView()->hasFocus());

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(joined(scenario::storedTexts(path)), joined({ original, copy }));
}

INSTANTIATE_TEST_SUITE_P(Ends, DuplicateAfterRenameScenario,
    testing::Values(RenameEnd { "with_return", "\n" }, RenameEnd { "with_a_click_away", "" }),
    [](const testing::TestParamInfo<RenameEnd>& end) { return std::string(end.param.name); });

// A copy of a renamed note carries the name. Undoing the copy after typing into it lets go of
// its text, which is written into it while it has no name; redoing it brings the name back,
// and the list and the saved file title the copy by that name, not by its first line.
TEST(DuplicateScenario, ARedoneCopyOfARenamedNoteIsTitledByItsName)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Redone.brindlex");
    BXMainWindowController* window = openRenamedToMusic(app, path, QStringLiteral("\n"));
    ASSERT_NE(window, nullptr);
    BXTableView* list = window->notesTableView();
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
    ScenarioApp::type(QStringLiteral(" weekly"));
    const QString copy = kLessons + QStringLiteral(" weekly");
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return ScenarioApp::editorText() == copy; }))
        << ScenarioApp::editorText().toStdString();
    const QStringList titles { QStringLiteral("Music"), QStringLiteral("Music") };
    ASSERT_EQ(joined(ScenarioApp::listTitles()), joined(titles));

    // A click on the copy's row ends the typing, so that Undo takes back the copy.
    ScenarioApp::clickRow(list, ScenarioApp::selectedRows().value(0));
    ScenarioApp::idle(300);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Edit"), QStringLiteral("Undo Duplicate Note") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 1; }))
        << joined(ScenarioApp::listTitles());
    ScenarioApp::idle(500);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Edit"), QStringLiteral("Redo Duplicate Note") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 2; }));
    ScenarioApp::idle(300);
    EXPECT_EQ(joined(ScenarioApp::listTitles()), joined(titles));

    app.save();
    app.closeFrontDocument();
    QStringList stored;
    scenario::forEachStoredNote(path, [&stored](const BXNote& note) {
        stored
            << QStringLiteral("%1 [%2] %3").arg(note.noteTitle(), note.noteName(), note.noteText());
    });
    stored.sort();
    EXPECT_EQ(joined(stored),
        joined({ QStringLiteral("Music [Music] ") + kLessons,
            QStringLiteral("Music [Music] ") + copy }));
}
