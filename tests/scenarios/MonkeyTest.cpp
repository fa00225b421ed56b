#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/BXNote.h"
#include "lists/BXNotesArrayController.h"
#include "lists/BXOutlineView.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXNoteWindowController.h"
#include "mainwindow/BXTextView.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/Document.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QTextDocument>

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
        if (front->noteTextView()->isVisible()
            && shownText(front->noteTextView()) != note->noteText())
            return QStringLiteral("the text shows \"%1\" but the note holds \"%2\"")
                .arg(shownText(front->noteTextView()), note->noteText());
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
    for (int index : chosen) {
        const Action& action = all.at(index);
        run.log << QString::fromUtf8(action.name);
        action.perform(random);
        dismissDialogs();
        // The application's own delays (a new row, the text swap) run out before the check.
        ScenarioApp::idle(400);
        run.failure = brokenInvariant();
        if (run.failure.isEmpty()
            && ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count()
                > failuresBefore)
            run.failure = QStringLiteral("a Qt warning or failed expectation");
        if (!run.failure.isEmpty())
            return run;
    }
    // What the notes hold now is what the file must hold once saved and read again.
    QStringList expected;
    const auto* document = dynamic_cast<const BXDocument*>(window()->document());
    const QList<platform::ManagedObjectPtr> notes
        = document->managedObjectContext()
              ->fetchObjects(platform::FetchRequest(BXNote::entityName()), nullptr)
              .value_or(QList<platform::ManagedObjectPtr> {});
    for (const platform::ManagedObjectPtr& object : notes) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (note && !note->trashFlag())
            expected << note->noteText();
    }
    app.save();
    app.closeFrontDocument();
    QStringList stored = scenario::storedTexts(path);
    std::sort(expected.begin(), expected.end());
    stored.removeAll(QString());
    expected.removeAll(QString());
    if (stored != expected)
        run.failure
            = QStringLiteral("the saved file holds other texts than the notes did:\n  %1\nvs\n  %2")
                  .arg(stored.join(QStringLiteral(" | ")), expected.join(QStringLiteral(" | ")));
    return run;
}

quint32 envSeedOr(quint32 fallback)
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("BX_MONKEY_SEED").toUInt(&ok);
    return ok ? seed : fallback;
}

// The shortest list of the failing run's actions that still fails, found by leaving out ever
// smaller runs of actions while time allows.
QList<int> shrink(quint32 seed, QList<int> failing, const QString& folder, int seconds)
{
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
            if (!shorter.isEmpty() && !perform(seed, shorter, path).failure.isEmpty())
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
    const QList<int> shortest = shrink(seed, failing, folder, minutes > 0 ? 600 : 120);
    QStringList names;
    const QList<Action> all = actions();
    for (int index : shortest)
        names << QString::fromUtf8(all.at(index).name);
    ADD_FAILURE() << "seed " << seed << " failed after " << run.log.size()
                  << " actions: " << run.failure.toStdString() << "\nshortest failing actions: "
                  << names.join(QStringLiteral(", ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, Monkey, ::testing::Values(1u, 2u, 3u, 4u));
