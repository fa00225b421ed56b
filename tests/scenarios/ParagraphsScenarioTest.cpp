#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "platform/documents/Document.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;
using scenario::ScenarioApp;

namespace {

// Each paragraph as "text@size": the size its characters are typed in, or for an empty one the
// size typing there would take.
QStringList paragraphSizes(const QTextDocument& text)
{
    QStringList paragraphs;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        if (block.length() > 1)
            cursor.movePosition(QTextCursor::NextCharacter);
        paragraphs << QStringLiteral("%1@%2")
                          .arg(block.text())
                          .arg(AttributedText::fontPointSize(cursor.charFormat()));
    }
    return paragraphs;
}

std::string shown(const BXTextView* view)
{
    return AttributedText::string(*view->mirror()).toStdString();
}

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(" | ")).toStdString();
}

struct Typist {
    const char* name;
    // Milliseconds between keys.
    int interval;
    // Whether the note gets a window of its own to be typed in.
    bool inNoteWindow;
    // Whether the typist stops for a moment before and after each Return.
    bool pauses;
};

void PrintTo(const Typist& typist, std::ostream* out)
{
    *out << typist.name;
}

} // namespace

class BlankLinesScenario : public testing::TestWithParam<Typist> { };

// A blank line is an empty paragraph like any other, in the look of the paragraph before it:
// Return on an empty line makes one, the text after it keeps its size, and undo and redo take
// it back and bring it again, on screen and in the file.
TEST_P(BlankLinesScenario, ReturnOnAnEmptyLineMakesABlankLineInTheSameLook)
{
    const Typist typist = GetParam();
    ScenarioApp app;
    BXMainWindowController* main = app.newDocument();
    ASSERT_NE(main, nullptr);
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    ScenarioApp::idle(300);
    BXTextView* view = main->noteTextView();
    if (typist.inNoteWindow) {
        app.type(QStringLiteral("Window"), typist.interval);
        view = scenario::openInOwnWindow(main);
        ASSERT_NE(view, nullptr);
        ScenarioApp::click(view->viewport());
        ScenarioApp::keys(QKeySequence::MoveToEndOfDocument);
        app.type(QStringLiteral("\n"), typist.interval);
    }
    const auto typeLine = [&](const QString& line) {
        if (typist.pauses)
            ScenarioApp::idle(600);
        app.type(line, typist.interval);
    };
    typeLine(QStringLiteral("Blank line test"));
    typeLine(QStringLiteral("\n"));
    typeLine(QStringLiteral("Para one"));
    typeLine(QStringLiteral("\n"));
    typeLine(QStringLiteral("\n"));
    typeLine(QStringLiteral("Para two"));
    ScenarioApp::idle(300);

    const QString prefix = typist.inNoteWindow ? QStringLiteral("Window\n") : QString();
    const QString typed = prefix + QStringLiteral("Blank line test\nPara one\n\nPara two");
    const double size
        = AttributedText::fontPointSize(BXDocument::defaultStringAttributes().characters);
    QStringList sizes;
    for (const QString& line : typed.split(u'\n'))
        sizes << QStringLiteral("%1@%2").arg(line).arg(size);
    EXPECT_EQ(shown(view), typed.toStdString());
    EXPECT_EQ(joined(paragraphSizes(*view->mirror())), joined(sizes));
    bxtest::saveScreenshot(view->window()->grab().toImage(),
        QStringLiteral("scenario-blank-line-%1").arg(QString::fromLatin1(typist.name)));

    // The typing goes as one step and comes back with its blank line.
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_EQ(shown(view), prefix.chopped(prefix.isEmpty() ? 0 : 1).toStdString());
    ScenarioApp::keys(QKeySequence::Redo);
    EXPECT_EQ(shown(view), typed.toStdString());

    if (typist.inNoteWindow)
        ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    const QString path = app.folder() + QStringLiteral("/Blank.brindlex");
    app.save(path);
    app.closeFrontDocument();
    int notes = 0;
    scenario::forEachStoredNote(path, [&](const BXNote& note) {
        ++notes;
        const std::unique_ptr<QTextDocument> stored = note.attributedString();
        EXPECT_EQ(stored->toPlainText().toStdString(), typed.toStdString());
        EXPECT_EQ(joined(paragraphSizes(*stored)), joined(sizes));
    });
    EXPECT_EQ(notes, 1);
}

INSTANTIATE_TEST_SUITE_P(Typists, BlankLinesScenario,
    testing::Values(Typist { "fast", 7, false, false }, Typist { "steady", 40, false, false },
        Typist { "pausing", 40, false, true }, Typist { "in_a_note_window", 40, true, false }),
    [](const testing::TestParamInfo<Typist>& tested) { return std::string(tested.param.name); });

// A new page typed into in a window of its own takes the default look there as it does in the
// main window: the window, the main window and the file show the text in the default size.
TEST(NewPageLookScenario, ANewPageTypedInItsOwnWindowTakesTheDefaultSize)
{
    ScenarioApp app;
    BXMainWindowController* main = app.newDocument();
    ASSERT_NE(main, nullptr);
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    ScenarioApp::idle(300);
    const BXNote::NotePtr note = main->selectedNote();
    platform::Document* document = main->document();
    BXTextView* own = scenario::openInOwnWindow(main);
    ASSERT_NE(own, nullptr);
    ScenarioApp::click(own->viewport());
    app.type(QStringLiteral("Own window"));
    ScenarioApp::idle(300);

    const double size
        = AttributedText::fontPointSize(BXDocument::defaultStringAttributes().characters);
    const std::string expected = QStringLiteral("Own window@%1").arg(size).toStdString();
    EXPECT_EQ(joined(paragraphSizes(*own->mirror())), expected);
    EXPECT_EQ(joined(paragraphSizes(*note->attributedString())), expected);
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return !scenario::noteWindowOf(document, note); }));
    EXPECT_EQ(joined(paragraphSizes(*main->noteTextView()->mirror())), expected);

    const QString path = app.folder() + QStringLiteral("/Own.brindlex");
    app.save(path);
    app.closeFrontDocument();
    scenario::forEachStoredNote(path, [&](const BXNote& stored) {
        EXPECT_EQ(joined(paragraphSizes(*stored.attributedString())), expected);
    });
}

namespace {

enum class Return { Duplicated, Reopened };

// A text typed into a new page and brought back from the file: the window that shows it, and
// the size it was typed in.
struct BroughtBack {
    BXMainWindowController* main = nullptr;
    double size = 0;
};

// Types `typed` into a new page after making the text `bigger` steps bigger, then brings it back
// from the file at `path` as `how` says: the copy Duplicate makes, or the file opened again with
// the note selected and its text clicked. No window when the file did not open again.
BroughtBack typeAndBringBack(
    ScenarioApp& app, const QString& typed, int bigger, Return how, const QString& path)
{
    // An untitled window keeps the application running while the file is closed.
    if (how == Return::Reopened && !app.newDocument())
        return {};
    BroughtBack back { app.newDocument() };
    if (!back.main)
        return {};
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    ScenarioApp::idle(300);
    for (int step = 0; step < bigger; ++step)
        ScenarioApp::key(Qt::Key_Plus, Qt::ControlModifier);
    app.type(typed);
    ScenarioApp::idle(300);
    back.size = AttributedText::fontPointSize(
        QTextCursor(back.main->noteTextView()->mirror()->lastBlock()).charFormat());
    if (how == Return::Duplicated) {
        ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
        ScenarioApp::idle(300);
        return back;
    }
    app.save(path);
    app.closeFrontDocument();
    back.main = app.openDocument(path);
    if (!back.main)
        return {};
    ScenarioApp::clickRow(back.main->notesTableView(), 0);
    ScenarioApp::idle(300);
    ScenarioApp::click(back.main->noteTextView()->viewport());
    return back;
}

// Saves and closes the file at `path`, then reads it: the paragraph sizes of each stored note
// holding `word`.
std::string savedSizesOfNotesWith(ScenarioApp& app, const QString& path, const QString& word)
{
    app.save(path);
    app.closeFrontDocument();
    QStringList stored;
    scenario::forEachStoredNote(path, [&](const BXNote& note) {
        if (note.noteText().contains(word))
            stored << joined(paragraphSizes(*note.attributedString())).c_str();
    });
    return joined(stored);
}

struct StoredBlankLines {
    const char* name;
    // What is typed after the size is made bigger; its line before the last is empty.
    const char* typed;
    Return how;
};

void PrintTo(const StoredBlankLines& lines, std::ostream* out)
{
    *out << lines.name;
}

} // namespace

class StoredBlankLinesScenario : public testing::TestWithParam<StoredBlankLines> { };

// Blank lines typed in a bigger size keep that size once the text comes back from the file (a
// copy of the note, the file opened again): a word typed into one is in that size on screen
// and in the saved file, and undoing it leaves the blank line in that size.
TEST_P(StoredBlankLinesScenario, AWordTypedIntoABlankLineTakesItsSize)
{
    const StoredBlankLines lines = GetParam();
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Blank.brindlex");
    const auto [main, size]
        = typeAndBringBack(app, QString::fromUtf8(lines.typed), 3, lines.how, path);
    ASSERT_NE(main, nullptr);
    ASSERT_GT(
        size, AttributedText::fontPointSize(BXDocument::defaultStringAttributes().characters));
    ScenarioApp::keys(QKeySequence::MoveToEndOfDocument);
    // Into the blank line before the last.
    ScenarioApp::key(Qt::Key_Up);
    app.type(QStringLiteral("word"));
    ScenarioApp::idle(300);

    QStringList typed = QString::fromUtf8(lines.typed).split(u'\n');
    const auto inSize = [&] {
        QStringList sizes;
        for (const QString& line : typed)
            sizes << QStringLiteral("%1@%2").arg(line).arg(size);
        return sizes;
    };
    const QStringList blank = inSize();
    typed[typed.size() - 2] = QStringLiteral("word");
    const QStringList sizes = inSize();
    const QTextDocument& shownText = *main->noteTextView()->mirror();
    EXPECT_EQ(joined(paragraphSizes(shownText)), joined(sizes));
    // Undo gives the blank line back in its size, and redo the word.
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_EQ(joined(paragraphSizes(shownText)), joined(blank));
    ScenarioApp::keys(QKeySequence::Redo);
    EXPECT_EQ(joined(paragraphSizes(shownText)), joined(sizes));
    EXPECT_EQ(savedSizesOfNotesWith(app, path, QStringLiteral("word")), joined(sizes));
}

INSTANTIATE_TEST_SUITE_P(Ways, StoredBlankLinesScenario,
    testing::Values(
        StoredBlankLines { "after_a_line_duplicated", "Heading\n\n", Return::Duplicated },
        StoredBlankLines { "after_a_line_reopened", "Heading\n\n", Return::Reopened },
        StoredBlankLines { "only_blank_lines_duplicated", "\n\n", Return::Duplicated },
        StoredBlankLines { "blank_lines_first_reopened", "\n\nEnd", Return::Reopened }),
    [](const testing::TestParamInfo<StoredBlankLines>& tested) {
        return std::string(tested.param.name);
    });

namespace {

struct ErasedFirstLine {
    const char* name;
    // Times the text is made bigger before it is typed.
    int bigger;
    Return how;
};

void PrintTo(const ErasedFirstLine& line, std::ostream* out)
{
    *out << line.name;
}

} // namespace

class ErasedFirstLineScenario : public testing::TestWithParam<ErasedFirstLine> { };

// The first line of a note that came back from the file (a copy, the file opened again) erased
// key by key is an empty paragraph like a blank line: a word typed there takes the size the line
// had, on screen and in the saved file.
TEST_P(ErasedFirstLineScenario, AWordTypedWhereTheFirstLineWasTakesItsSize)
{
    const ErasedFirstLine line = GetParam();
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Erased.brindlex");
    const auto [main, size]
        = typeAndBringBack(app, QStringLiteral("Top\nEnd"), line.bigger, line.how, path);
    ASSERT_NE(main, nullptr);
    ScenarioApp::keys(QKeySequence::MoveToStartOfDocument);
    ScenarioApp::keys(QKeySequence::MoveToEndOfLine);
    for (int key = 0; key < 3; ++key)
        ScenarioApp::key(Qt::Key_Backspace);
    app.type(QStringLiteral("word"));
    ScenarioApp::idle(300);

    const std::string expected = QStringLiteral("word@%1 | End@%1").arg(size).toStdString();
    EXPECT_EQ(joined(paragraphSizes(*main->noteTextView()->mirror())), expected);
    EXPECT_EQ(savedSizesOfNotesWith(app, path, QStringLiteral("word")), expected);
}

INSTANTIATE_TEST_SUITE_P(Ways, ErasedFirstLineScenario,
    testing::Values(ErasedFirstLine { "default_size_duplicated", 0, Return::Duplicated },
        ErasedFirstLine { "bigger_duplicated", 3, Return::Duplicated },
        ErasedFirstLine { "default_size_reopened", 0, Return::Reopened },
        ErasedFirstLine { "bigger_reopened", 3, Return::Reopened }),
    [](const testing::TestParamInfo<ErasedFirstLine>& tested) {
        return std::string(tested.param.name);
    });
