// The main window's search over a notes file of 10,000 notes of about 2 KB in several scripts
// (accented Latin, Greek, Cyrillic, Japanese): one keystroke of search-as-you-type, from the
// key event in the search field to the filtered list painted, by words and by a regular
// expression; a Find Next that walks every listed note before it wraps inside the shown one;
// and the resident memory of the window with its list filtered, above an empty window.

#include "support/ColdRun.h"

#include "document/BXDocument.h"
#include "document/BXNote.h"
#include "lists/BXNotesArrayController.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowSearch.h"
#include "mainwindow/BXSearchField.h"
#include "mainwindow/BXTextView.h"

#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

constexpr int kNotes = 10000;
// In the first note only, at its start.
const QString kRareWord = QStringLiteral("quokka");

QString noteText(int index, QRandomGenerator& random)
{
    static const QStringList words { "garden", "Élan", "équipe", "naïve", "Straße", "river",
        "lantern", "copper", "meadow", "Κήπος", "θάλασσα", "Москва", "река", "東京", "図書館",
        "ベランダ", "budget", "Quartz", "café", "façade" };
    QString text = QStringLiteral("Note %1\n").arg(index, 5, 10, QLatin1Char('0'));
    if (index == 0)
        text += kRareWord + QLatin1Char(' ');
    while (text.size() < 2048) {
        text += words.at(random.bounded(words.size()));
        text += random.bounded(9) == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text;
}

// Two notes files written once per run: 10,000 notes, and an empty one.
struct NotesFiles {
    QTemporaryDir folder;
    QUrl full = QUrl::fromLocalFile(folder.filePath(QStringLiteral("Search.brindlex")));
    QUrl empty = QUrl::fromLocalFile(folder.filePath(QStringLiteral("Empty.brindlex")));

    NotesFiles()
    {
        write(full, kNotes);
        write(empty, 0);
    }

    static void write(const QUrl& url, int count)
    {
        platform::FakeScheduler scheduler;
        BXDocument document;
        QRandomGenerator random(7);
        for (int i = 0; i < count; ++i) {
            BXNote::NotePtr note
                = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
            // Plain notes: the text shown is the stored plain text.
            note->setNoteStyles({});
            note->updateNoteText(noteText(i, random));
            note->setTrashFlag(false);
        }
        bool saved = false;
        document.saveToURL(url, BXDocument::NotesDocumentType, platform::SaveOperation::SaveAs,
            [&](const platform::Error& error) { saved = error.isNull(); });
        scheduler.runUntilIdle();
        document.close();
        if (!saved)
            qFatal("the benchmark's notes file could not be written");
    }
};

const NotesFiles& notesFiles()
{
    static const NotesFiles files;
    return files;
}

[[maybe_unused]] const bool kFactory = [] {
    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    return true;
}();

// A document open in its main window, shown, with its state loaded.
struct OpenWindow {
    std::unique_ptr<BXDocument> document = std::make_unique<BXDocument>();
    QPointer<BXMainWindowController> controller;

    bool open(const QUrl& url, platform::FakeScheduler& scheduler)
    {
        if (!document->initWithContentsOfURL(url, BXDocument::NotesDocumentType, nullptr))
            return false;
        document->makeWindowControllers();
        controller = dynamic_cast<BXMainWindowController*>(document->windowControllers().value(0));
        if (!controller)
            return false;
        controller->showWindow();
        QApplication::processEvents();
        scheduler.advance(1);
        QApplication::processEvents();
        return controller->preferencesInited();
    }

    BXMainWindowSearch* search() const { return controller->search(); }
    qsizetype listed() const { return controller->notesController()->arrangedObjects().size(); }

    ~OpenWindow()
    {
        // The window keeps its search in the file; the next benchmark starts without one.
        if (controller) {
            controller->search()->setSearchMode(BXMainWindowSearch::kWordsMode);
            controller->search()->resetSearchIgnoringString(false);
        }
        document->close();
        document.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

void sendKey(QWidget* target, Qt::Key key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// Types `text` one key at a time and erases it again, over and over: each iteration is one
// key, until the list it filters is painted. The notes shown meanwhile change off the clock.
void typeAndErase(benchmark::State& state, int mode, const QString& text)
{
    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    OpenWindow window;
    if (!window.open(notesFiles().full, scheduler)) {
        state.SkipWithError("the notes file does not open");
        return;
    }
    window.search()->changeSearchMode(mode);
    BXSearchField* field = window.search()->searchField();
    QWidget* list = window.controller->notesTableView()->viewport();
    QApplication::setActiveWindow(window.controller->mainWindow());
    field->setFocus();
    // The notes' texts come from the store on the first search; keystrokes find them read.
    field->setText(text);
    field->clear();
    scheduler.advance(1);
    qsizetype typed = 0;
    bool erasing = false;
    qsizetype fewest = kNotes;
    for (auto _ : state) {
        if (erasing)
            sendKey(field, Qt::Key_Backspace, QString());
        else
            sendKey(field, Qt::Key_unknown, text.at(typed));
        typed += erasing ? -1 : 1;
        list->repaint();
        state.PauseTiming();
        fewest = std::min(fewest, window.listed());
        if (typed == text.size() || typed == 0)
            erasing = typed != 0;
        scheduler.advance(0.5);
        state.ResumeTiming();
    }
    if (input.beepCount() > 0)
        state.SkipWithError("a search was refused");
    state.counters["fewest_listed"] = double(fewest);
}

void BM_KeystrokeSearchWords(benchmark::State& state)
{
    typeAndErase(state, BXMainWindowSearch::kWordsMode, QStringLiteral("Élan café"));
}

void BM_KeystrokeSearchRegularExpression(benchmark::State& state)
{
    typeAndErase(
        state, BXMainWindowSearch::kRegularExpressionMode, QStringLiteral("ri.er|l.ntern"));
}

// Find Next after the only match: every other note is searched, then the shown note again.
void BM_FindNextThroughAllNotes(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    OpenWindow window;
    if (!window.open(notesFiles().full, scheduler)) {
        state.SkipWithError("the notes file does not open");
        return;
    }
    const int mode = int(state.range(0));
    const QString pattern
        = mode == BXMainWindowSearch::kWordsMode ? kRareWord : QStringLiteral("quok+a");
    BXMainWindowSearch* search = window.search();
    search->setSearchMode(mode);
    search->setSearchString(pattern);
    BXNotesArrayController* notes = window.controller->notesController();
    // Shown anew, as a click in the list shows it.
    for (const int row : { 1, 0 }) {
        notes->setSelectionIndex(row);
        scheduler.advance(1);
        QApplication::processEvents();
    }
    const std::shared_ptr<BXNote> first = window.controller->selectedNote();
    BXTextView* view = window.controller->noteTextView();
    if (!first || !first->noteText().contains(kRareWord)
        || !view->setSelectedRange({ first->noteText().size(), 0 })) {
        state.SkipWithError("the first note is not shown with the word");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        view->setSelectedRange({ first->noteText().size(), 0 });
        state.ResumeTiming();
        const bool found = search->findStringInNotes(pattern, false, false, true, true, false);
        if (!found || window.controller->selectedNote() != first) {
            state.SkipWithError("the walk did not come back to the first note");
            return;
        }
    }
    state.counters["notes"] = double(window.listed());
}

[[maybe_unused]] const bool kFilteredMemory
    = ColdRun::add(QStringLiteral("search-filtered-memory"), [](const QStringList& arguments) {
          platform::FakeScheduler scheduler;
          platform::FakeUserInput input;
          OpenWindow empty;
          if (!empty.open(QUrl::fromLocalFile(arguments.value(1)), scheduler))
              return std::optional<ColdRun::Measure>();
          const ColdRun::Meter meter;
          OpenWindow window;
          if (!window.open(QUrl::fromLocalFile(arguments.value(0)), scheduler))
              return std::optional<ColdRun::Measure>();
          window.search()->searchField()->setText(arguments.value(2));
          scheduler.advance(1);
          QApplication::processEvents();
          return std::optional(meter.stop(double(window.listed())));
      });

// The window over 10,000 notes, above an already open empty window: arg 1 with its list
// filtered by a word most notes hold, 0 unfiltered for comparison.
void BM_ResidentMemory(benchmark::State& state)
{
    ColdRun::iterate(state, QStringLiteral("search-filtered-memory"),
        { notesFiles().full.toLocalFile(), notesFiles().empty.toLocalFile(),
            state.range(0) ? QStringLiteral("garden") : QString() });
}

} // namespace

BENCHMARK(BM_KeystrokeSearchWords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeSearchRegularExpression)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNextThroughAllNotes)
    ->Arg(BXMainWindowSearch::kWordsMode)
    ->Arg(BXMainWindowSearch::kRegularExpressionMode)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResidentMemory)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2);
