#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "platform/appkit/TextListPanel.h"
#include "platform/appkit/TokenField.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/Document.h"
#include "platform/text/RtfListLevel.h"
#include "platform/text/TextListMarkers.h"
#include "support/TestEnvironment.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <functional>

using scenario::ScenarioApp;

// Seeded random user actions on a real window, with what a user relies on checked after each:
// every text on screen is its note's stored text, every list title is its note's first line,
// and the file saved at the end holds what the notes held. `make monkey SEEDS=... MINUTES=...`
// runs chosen seeds for longer; `make test` runs the fixed ones below.
namespace {

struct Action {
    const char* name;
    int weight;
    std::function<void(QRandomGenerator&)> perform;
};

BXMainWindowController* window()
{
    return ScenarioApp::frontMainWindow();
}

QString randomWord(QRandomGenerator& random)
{
    static const QStringList syllables { QStringLiteral("ka"), QStringLiteral("lo"),
        QStringLiteral("mé"), QStringLiteral("ñu"), QStringLiteral("zü"), QStringLiteral("Tr"),
        QStringLiteral("ße"), QStringLiteral("ø"), QStringLiteral("Ab"), QStringLiteral("ç"),
        QStringLiteral("д"), QStringLiteral("語"), QStringLiteral("x"), QStringLiteral("Q") };
    QString word;
    const int count = 1 + random.bounded(4);
    for (int i = 0; i < count; ++i)
        word += syllables.at(random.bounded(int(syllables.size())));
    return word;
}

void clickInText()
{
    if (BXMainWindowController* front = window()) {
        QWidget* viewport = front->noteTextView()->viewport();
        ScenarioApp::click(viewport, QPoint(viewport->width() / 2, viewport->height() - 5));
    }
}

void clickRandomRow(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    if (!front)
        return;
    const int rows = front->notesTableView()->model()->rowCount();
    if (rows > 0)
        ScenarioApp::clickRow(front->notesTableView(), random.bounded(rows));
}

// What the last action promised beyond the invariants (a tag the note has now, a paragraph's
// list), checked once the window is idle: an empty answer when it holds.
std::function<QString()> expectation;

QStringList categoryNames(const BXNote& note)
{
    QStringList names;
    for (const platform::ManagedObjectPtr& category : note.categories())
        names << category->valueForKey(BXCategory::CategoryNameKey).toString();
    names.sort();
    return names;
}

// Format > Text > List...: a marker from the panel's list ("None" first ends the list).
void setList(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    if (!front || !front->noteTextView()->isEditable()
        || !ScenarioApp::chooseMenuItem(
            { QStringLiteral("Format"), QStringLiteral("Text"), QStringLiteral("List...") }))
        return;
    const auto panel
        = [] { return qobject_cast<platform::TextListPanel*>(QApplication::activeModalWidget()); };
    if (!ScenarioApp::waitUntil([&] { return panel() != nullptr; }, 2000))
        return;
    ScenarioApp::key(Qt::Key_Home);
    for (int steps = random.bounded(9); steps > 0; --steps)
        ScenarioApp::key(Qt::Key_Down);
    const QTextListFormat::Style chosen = panel()->markerStyle();
    const QPointer<BXTextView> view = front->noteTextView();
    // By number: the markers that come or go move the caret's index into another paragraph.
    const int paragraph = view->mirror()->findBlock(view->selectedRange().location).blockNumber();
    ScenarioApp::key(Qt::Key_Return);
    QString expected;
    if (chosen != QTextListFormat::ListStyleUndefined) {
        platform::RtfListLevel level;
        level.style = chosen;
        expected = level.markerFormat();
    }
    expectation = [view, paragraph, expected]() -> QString {
        const QTextBlock block
            = view && view->mirror() ? view->mirror()->findBlockByNumber(paragraph) : QTextBlock();
        if (!block.isValid())
            return {};
        const QStringList lists = platform::TextListMarkers::itemLists(block);
        const QString shown = lists.isEmpty() ? QString() : lists.last();
        return shown == expected
            ? QString()
            : QStringLiteral("the paragraph's list is \"%1\" after choosing \"%2\"")
                  .arg(shown, expected);
    };
}

// Types a tag name into the tags bar, creates the tag when asked and leaves the bar.
void tagNote(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    const BXNote::NotePtr note = front ? front->selectedNote() : nullptr;
    platform::TokenField* tags = front ? front->tagsController()->tokenField() : nullptr;
    if (!note || !tags || !tags->isVisible())
        return;
    static const QStringList names { QStringLiteral("Garden"), QStringLiteral("Ärger"),
        QStringLiteral("語"), QStringLiteral("Work") };
    const QString word = names.at(random.bounded(int(names.size())));
    // Words typed into the field before and not yet a tag start this tag's name.
    const QString name = (tags->editingText() + word).trimmed();
    ScenarioApp::click(tags, QPoint(tags->width() - 5, tags->height() / 2));
    ScenarioApp::type(word + QLatin1Char('\n'));
    // A new name asks first, in a popover, whether to make the tag.
    QAbstractButton* ok = nullptr;
    if (ScenarioApp::waitUntil(
            [&] { return (ok = ScenarioApp::buttonTitled(QStringLiteral("OK"))) != nullptr; },
            1000))
        ScenarioApp::click(ok);
    // The note takes its tags when the edit ends.
    ScenarioApp::key(Qt::Key_Tab);
    expectation = [note, name]() -> QString {
        const QStringList held = categoryNames(*note);
        return held.contains(name) ? QString()
                                   : QStringLiteral("the note tagged \"%1\" has the tags \"%2\"")
                                         .arg(name, held.join(QStringLiteral(", ")));
    };
}

BXNoteWindowController* noteWindowOf(
    const platform::Document* document, const BXNote::NotePtr& note)
{
    if (!document)
        return nullptr;
    for (platform::WindowController* controller : document->windowControllers()) {
        auto* noteWindow = qobject_cast<BXNoteWindowController*>(controller);
        if (noteWindow && noteWindow->noteItem() == note)
            return noteWindow;
    }
    return nullptr;
}

// Opens the selected note in its own window, types at its end there and closes the window.
void typeInNoteWindow(QRandomGenerator& random)
{
    BXMainWindowController* front = window();
    const BXNote::NotePtr note = front ? front->selectedNote() : nullptr;
    // The note's window, once in front, is the main window.
    const QPointer<platform::Document> document = front ? front->document() : nullptr;
    if (!note
        || !ScenarioApp::chooseMenuItem(
            { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") }))
        return;
    BXNoteWindowController* noteWindow = nullptr;
    if (!ScenarioApp::waitUntil([&] {
            noteWindow = noteWindowOf(document, note);
            return noteWindow && noteWindow->noteTextView()->isVisible();
        })) {
        expectation = [] { return QStringLiteral("the note's own window did not show"); };
        return;
    }
    ScenarioApp::idle(200);
    QWidget* viewport = noteWindow->noteTextView()->viewport();
    ScenarioApp::click(viewport, QPoint(viewport->width() / 2, viewport->height() - 5));
    const QString word = randomWord(random);
    ScenarioApp::type(word);
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    expectation = [document, note, word]() -> QString {
        if (noteWindowOf(document, note))
            return QStringLiteral("the note's own window did not close");
        return note->noteText().contains(word)
            ? QString()
            : QStringLiteral("\"%1\" typed in the note's window is not in \"%2\"")
                  .arg(word, note->noteText());
    };
}

QList<Action> actions()
{
    const auto key = [](int k, Qt::KeyboardModifiers m = {}) {
        return [k, m](QRandomGenerator&) { ScenarioApp::key(k, m); };
    };
    const auto menu = [](QStringList path) {
        return [path](QRandomGenerator&) { ScenarioApp::chooseMenuItem(path); };
    };
    return {
        { "type a word", 30,
            [](QRandomGenerator& random) {
                ScenarioApp::type(randomWord(random) + QLatin1Char(' '));
            } },
        { "click in the text", 8, [](QRandomGenerator&) { clickInText(); } },
        { "Return", 6, key(Qt::Key_Return) },
        { "Tab", 3, key(Qt::Key_Tab) },
        { "Shift+Tab", 1, key(Qt::Key_Backtab, Qt::ShiftModifier) },
        { "list on or off", 2, setList },
        { "tag the note", 2, tagNote },
        { "type in the note's own window", 2, typeInNoteWindow },
        { "Backspace", 6, key(Qt::Key_Backspace) },
        { "Delete", 3, key(Qt::Key_Delete) },
        { "Left", 3, key(Qt::Key_Left) },
        { "Right", 3, key(Qt::Key_Right) },
        { "Up", 3, key(Qt::Key_Up) },
        { "Down", 3, key(Qt::Key_Down) },
        { "Home", 2, key(Qt::Key_Home) },
        { "End", 2, key(Qt::Key_End) },
        { "Bold", 2, key(Qt::Key_B, Qt::ControlModifier) },
        { "Italic", 2, key(Qt::Key_I, Qt::ControlModifier) },
        { "Underline", 2, key(Qt::Key_U, Qt::ControlModifier) },
        { "New Page", 5, key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier) },
        { "Duplicate", 2, key(Qt::Key_D, Qt::ControlModifier) },
        { "Delete Note", 2,
            [](QRandomGenerator&) {
                // The item is titled for what is selected once its menu shows.
                const QString title = ScenarioApp::selectedRows().size() < 2
                    ? QStringLiteral("Delete Page…")
                    : QStringLiteral("Delete Pages…");
                ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), title });
            } },
        { "Undo", 4, key(Qt::Key_Z, Qt::ControlModifier) },
        { "Redo", 2, key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier) },
        { "click a row", 6, [](QRandomGenerator& random) { clickRandomRow(random); } },
        { "sort by a column", 1,
            [](QRandomGenerator& random) {
                if (BXMainWindowController* front = window()) {
                    QHeaderView* header = front->notesTableView()->horizontalHeader();
                    const int column = random.bounded(header->count());
                    if (!header->isSectionHidden(column))
                        ScenarioApp::click(header->viewport(),
                            QPoint(
                                header->sectionViewportPosition(column) + 5, header->height() / 2));
                }
            } },
        { "search a word", 2,
            [](QRandomGenerator& random) {
                ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
                ScenarioApp::type(randomWord(random).left(2));
            } },
        { "clear the search", 2,
            [](QRandomGenerator&) {
                ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
                ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
                ScenarioApp::key(Qt::Key_Backspace);
            } },
        { "click a sidebar row", 2,
            [](QRandomGenerator& random) {
                if (BXMainWindowController* front = window()) {
                    BXOutlineView* outline = front->outlineView();
                    const int rows = outline->model()->rowCount();
                    if (rows > 0)
                        ScenarioApp::clickRow(outline, random.bounded(rows));
                }
            } },
        { "zoom in", 1,
            menu({ QStringLiteral("View"), QStringLiteral("Zoom"), QStringLiteral("Zoom In") }) },
        { "zoom out", 1,
            menu({ QStringLiteral("View"), QStringLiteral("Zoom"), QStringLiteral("Zoom Out") }) },
        { "save", 2, key(Qt::Key_S, Qt::ControlModifier) },
    };
}

// Answers whatever question is up with its default button, as a hurried user does.
void dismissDialogs()
{
    for (int guard = 0; guard < 5; ++guard) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ScenarioApp::key(Qt::Key_Return);
        ScenarioApp::idle(100);
    }
}

QString shownText(const platform::TextView* view)
{
    const QTextDocument* shown = view->mirror() ? view->mirror() : view->textStorage();
    return shown ? shown->toPlainText() : QString();
}

// What a user relies on, checked once the window is idle; an empty answer when all holds.
QString brokenInvariant()
{
    BXMainWindowController* front = window();
    if (!front)
        return QStringLiteral("the main window is gone");
    const QList<platform::ManagedObjectPtr>& rows = front->notesController()->arrangedObjects();
    const QAbstractItemModel* model = front->notesTableView()->model();
    if (model->rowCount() != rows.size())
        return QStringLiteral("the list shows %1 rows for %2 notes")
            .arg(model->rowCount())
            .arg(rows.size());
    for (int row = 0; row < rows.size(); ++row) {
        const auto note = std::dynamic_pointer_cast<BXNote>(rows.at(row));
        const QString shown = model->index(row, 0).data(Qt::DisplayRole).toString();
        if (note && shown != note->noteTitle())
            return QStringLiteral("row %1 shows \"%2\" for the note titled \"%3\"")
                .arg(row)
                .arg(shown, note->noteTitle());
        // A named note (a copy takes its original's title as its name) keeps its name.
        const QString derived = !note    ? QString()
            : note->noteName().isEmpty() ? BXNote::noteName(note->noteText())
                                         : note->noteName();
        if (note && !derived.isEmpty() && note->noteTitle() != derived)
            return QStringLiteral("row %1's title \"%2\" is not its first line \"%3\"")
                .arg(row)
                .arg(note->noteTitle(), derived);
    }
    if (const BXNote::NotePtr note = front->selectedNote()) {
        const BXTextView* view = front->noteTextView();
        if (view->isVisible() && shownText(view) != note->noteText())
            return QStringLiteral("the text shows \"%1\" but the note holds \"%2\"")
                .arg(shownText(view), note->noteText());
        if (view->isVisible() && view->mirror()
            && scenario::paragraphLists(*view->mirror())
                != scenario::paragraphLists(*note->attributedString()))
            return QStringLiteral("the text shows the lists %1 but the note holds %2")
                .arg(scenario::paragraphLists(*view->mirror()),
                    scenario::paragraphLists(*note->attributedString()));
    }
    for (platform::WindowController* controller : front->document()->windowControllers()) {
        auto* noteWindow = qobject_cast<BXNoteWindowController*>(controller);
        if (noteWindow && noteWindow->noteItem()
            && shownText(noteWindow->noteTextView()) != noteWindow->noteItem()->noteText())
            return QStringLiteral("a note window shows another text than its note's");
    }
    return {};
}

struct MonkeyRun {
    QStringList log;
    QString failure;
};

QList<int> plan(quint32 seed, int count)
{
    QRandomGenerator random(seed);
    const QList<Action> all = actions();
    int total = 0;
    for (const Action& action : all)
        total += action.weight;
    QList<int> chosen;
    for (int i = 0; i < count; ++i) {
        int pick = random.bounded(total);
        int index = 0;
        while (pick >= all.at(index).weight)
            pick -= all.at(index++).weight;
        chosen << index;
    }
    return chosen;
}

// A note as the final comparison sees it: its text, tags and paragraph lists.
QString summary(const QString& text, const QStringList& categories, const QString& lists)
{
    return QStringLiteral("%1 {%2} [%3]").arg(text, categories.join(QLatin1Char(',')), lists);
}

// Runs the planned actions on a fresh application; stops at the first broken invariant.
MonkeyRun perform(quint32 seed, const QList<int>& chosen, const QString& path)
{
    MonkeyRun run;
    const QList<Action> all = actions();
    const int failuresBefore
        = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    ScenarioApp app;
    if (!app.newDocument()) {
        run.failure = QStringLiteral("no document");
        return run;
    }
    clickInText();
    ScenarioApp::type(QStringLiteral("First note"));
    app.save(path);
    QRandomGenerator random(seed ^ 0x5eedu);
    // A hurried user clicks away a menu that stays up and answers a question that does, also
    // while an action waits inside it (a space typed into a button that opens a menu).
    QTimer hurry;
    QPointer<QWidget> seen;
    QObject::connect(&hurry, &QTimer::timeout, [&seen] {
        QWidget* popup = QApplication::activePopupWidget();
        QWidget* up = popup ? popup : QApplication::activeModalWidget();
        if (up && up == seen) {
            if (popup)
                QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(-5, -5));
            else
                ScenarioApp::key(Qt::Key_Return);
        }
        seen = up;
    });
    hurry.start(1000);
    for (int index : chosen) {
        const Action& action = all.at(index);
        run.log << QString::fromUtf8(action.name);
        action.perform(random);
        dismissDialogs();
        // The application's own delays (a new row, the text swap) run out before the check.
        ScenarioApp::idle(400);
        // On a busy machine the text swap can come later still; the check waits for it.
        const QPointer<BXMainWindowController> front = window();
        ScenarioApp::waitUntil([front] { return !front || !front->isTextSwapPending(); }, 2000);
        run.failure = brokenInvariant();
        if (run.failure.isEmpty() && expectation)
            run.failure = expectation();
        expectation = nullptr;
        if (run.failure.isEmpty()
            && ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count()
                > failuresBefore)
            run.failure = QStringLiteral("a Qt warning or failed expectation");
        if (!run.failure.isEmpty())
            return run;
    }
    // What the notes hold now is what the file must hold once saved and read again.
    expectation = nullptr;
    QStringList expected;
    const auto* document = dynamic_cast<const BXDocument*>(window()->document());
    const QList<platform::ManagedObjectPtr> notes
        = document->managedObjectContext()
              ->fetchObjects(platform::FetchRequest(BXNote::entityName()), nullptr)
              .value_or(QList<platform::ManagedObjectPtr> {});
    for (const platform::ManagedObjectPtr& object : notes) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (note && !note->trashFlag() && !note->noteText().isEmpty())
            expected << summary(note->noteText(), categoryNames(*note),
                scenario::paragraphLists(*note->attributedString()));
    }
    app.save();
    app.closeFrontDocument();
    QStringList stored;
    for (const scenario::StoredNote& note : scenario::readNotesFile(path)) {
        if (!note.text.isEmpty())
            stored << summary(note.text, note.categories, note.lists);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(stored.begin(), stored.end());
    if (stored != expected)
        run.failure
            = QStringLiteral(
                "the saved file holds other notes than the document did:\n  %1\nvs\n  %2")
                  .arg(stored.join(QStringLiteral(" | ")), expected.join(QStringLiteral(" | ")));
    return run;
}

quint32 envSeedOr(quint32 fallback)
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("BX_MONKEY_SEED").toUInt(&ok);
    return ok ? seed : fallback;
}

// A failure's kind: its message without the quoted texts and the numbers in it.
QString failureKind(QString failure)
{
    static const QRegularExpression details(QStringLiteral("\"[^\"]*\"|\\d+"));
    return failure.replace(details, QString());
}

// The shortest list of the failing run's actions that still fails the same way, found by
// leaving out ever smaller runs of actions while time allows. A run that fails otherwise (a
// window that did not come up on a busy machine) keeps its actions in.
QList<int> shrink(
    quint32 seed, QList<int> failing, const QString& failure, const QString& folder, int seconds)
{
    const QString kind = failureKind(failure);
    QElapsedTimer clock;
    clock.start();
    int attempt = 0;
    for (qsizetype chunk = failing.size() / 2; chunk >= 1; chunk /= 2) {
        for (qsizetype start = 0; start + chunk <= failing.size();) {
            if (clock.elapsed() > seconds * 1000)
                return failing;
            QList<int> shorter = failing;
            shorter.remove(start, chunk);
            const QString path = folder + QStringLiteral("/shrink-%1.brindlex").arg(++attempt);
            if (!shorter.isEmpty() && failureKind(perform(seed, shorter, path).failure) == kind)
                failing = shorter;
            else
                start += chunk;
        }
    }
    return failing;
}

} // namespace

class Monkey : public ::testing::TestWithParam<quint32> { };

TEST_P(Monkey, EveryTextShownIsItsNotesAndTheSavedFileHoldsThem)
{
    const quint32 seed = envSeedOr(GetParam());
    const int minutes = qEnvironmentVariableIntValue("BX_MONKEY_MINUTES");
    // About half a minute a seed in `make test`; `make monkey` runs for the minutes asked.
    const int count = minutes > 0 ? minutes * 200 : 100;
    const QList<int> chosen = plan(seed, count);
    const QString folder = bxtest::makeTempFolder(QStringLiteral("monkey"));
    const MonkeyRun run = perform(seed, chosen, folder + QStringLiteral("/monkey.brindlex"));
    if (run.failure.isEmpty())
        return;
    const QList<int> failing = chosen.mid(0, run.log.size());
    const QList<int> shortest = shrink(seed, failing, run.failure, folder, minutes > 0 ? 600 : 120);
    QStringList names;
    const QList<Action> all = actions();
    for (int index : shortest)
        names << QString::fromUtf8(all.at(index).name);
    ADD_FAILURE() << "seed " << seed << " failed after " << run.log.size()
                  << " actions: " << run.failure.toStdString() << "\nshortest failing actions: "
                  << names.join(QStringLiteral(", ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, Monkey, ::testing::Values(1u, 2u, 3u, 4u));
