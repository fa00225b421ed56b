// The main window over a notes file of 10,000 notes: opening the file to a usable window with
// the list filled (in a fresh process, and again in this one), selecting a 10 KB or a 100 KB
// note until its text is shown, and one keystroke in a 100 KB note with hashtag and spelling marks
// and the write-back into the note (letters and their deletions in turn, in view, so that neither
// the paragraph nor the scrolling grows with the number of iterations).

#include "support/BenchNotesFile.h"
#include "support/ColdRun.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;

namespace {

constexpr int kNotes = 10000;
const QString kTenKilobytesA = QStringLiteral("Ten kilobytes A");
const QString kTenKilobytesB = QStringLiteral("Ten kilobytes B");
const QString kHundredKilobytes = QStringLiteral("Hundred kilobytes");
const QString kHundredKilobytesB = QStringLiteral("Hundred kilobytes B");
// The four notes above, listed beside the small ones.
constexpr int kLargeNotes = 4;

const QString kParagraph = QStringLiteral(
    "Notes from the meeting about #projects/garden: the fence needs paint, the tulips need "
    "planting and somebody should finaly look at the gate before the winter comes.\n");

// The notes file, written once per run: 10,000 notes of about 600 bytes and four large ones.
const BenchNotesFile& notesFile()
{
    static const BenchNotesFile file(QStringLiteral("Bench.brindlex"), [](BXDocument& document) {
        for (int i = 0; i < kNotes; ++i)
            benchAddNote(document,
                benchParagraphs(QStringLiteral("Note %1").arg(i), 600, kParagraph), false);
        benchAddNote(document, benchParagraphs(kTenKilobytesA, 10 * 1024, kParagraph), true);
        benchAddNote(document, benchParagraphs(kTenKilobytesB, 10 * 1024, kParagraph), true);
        benchAddNote(document, benchParagraphs(kHundredKilobytes, 100 * 1024, kParagraph), true);
        benchAddNote(document, benchParagraphs(kHundredKilobytesB, 100 * 1024, kParagraph), true);
    });
    return file;
}

using OpenWindow = BenchMainWindow;

// Opens the file and lets the window restore its saved state, after which selections show notes.
bool openOrSkip(OpenWindow& window, platform::FakeScheduler& scheduler, benchmark::State& state)
{
    if (window.open(notesFile().url)) {
        scheduler.advance(1);
        return true;
    }
    state.SkipWithError("the notes file does not open");
    return false;
}

[[maybe_unused]] const bool kColdOpen
    = ColdRun::add(QStringLiteral("mainwindow-open"), [](const QStringList& arguments) {
          platform::FakeScheduler scheduler;
          const ColdRun::Meter meter;
          OpenWindow window;
          if (!window.open(QUrl::fromLocalFile(arguments.value(0))))
              return std::optional<ColdRun::Measure>();
          return std::optional(meter.stop(double(window.listed())));
      });

// From launch to a window whose list holds every note.
void BM_ColdOpenToUsableWindow(benchmark::State& state)
{
    ColdRun::iterate(state, QStringLiteral("mainwindow-open"), { notesFile().url.toLocalFile() },
        kNotes + kLargeNotes);
}

void BM_OpenToUsableWindow(benchmark::State& state)
{
    const QUrl url = notesFile().url;
    platform::FakeScheduler scheduler;
    for (auto _ : state) {
        auto window = std::make_unique<OpenWindow>();
        if (!window->open(url)) {
            state.SkipWithError("the notes file does not open");
            return;
        }
        benchmark::DoNotOptimize(window->listed());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

// A click in the list that changes the note, until the note's text is laid out and painted;
// the notes shown in turn are of 10 KB, or of 100 KB with the argument 100.
void BM_SelectNote(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    OpenWindow window;
    if (!openOrSkip(window, scheduler, state))
        return;
    const bool large = state.range(0) == 100;
    const std::shared_ptr<BXNote> notes[]
        = { window.noteTitled(large ? kHundredKilobytes : kTenKilobytesA),
              window.noteTitled(large ? kHundredKilobytesB : kTenKilobytesB) };
    BXNotesArrayController* list = window.controller->notesController();
    BXTextView* view = window.controller->noteTextView();
    int turn = 0;
    for (auto _ : state) {
        const std::shared_ptr<BXNote>& note = notes[turn++ % 2];
        list->setSelectedObjects({ note });
        scheduler.advance(BXMainWindowController::kTextSwapDelay);
        view->viewport()->repaint();
        if (view->textStorage() != note->textStorage()) {
            state.SkipWithError("the note was not shown");
            return;
        }
        // The caret's place comes a moment later, off the selection's path.
        state.PauseTiming();
        scheduler.advance(1);
        state.ResumeTiming();
    }
    state.counters["characters"] = double(AttributedText::length(*notes[0]->textStorage()));
}

// Selects `note` and focuses its text view; the first marking and the spelling of the whole
// note happen before typing.
BXTextView* showForTyping(
    OpenWindow& window, platform::FakeScheduler& scheduler, const std::shared_ptr<BXNote>& note)
{
    window.controller->notesController()->setSelectedObjects({ note });
    scheduler.advance(1);
    BXTextView* view = window.controller->noteTextView();
    QApplication::setActiveWindow(window.controller->mainWindow());
    view->setFocus();
    QApplication::processEvents();
    scheduler.runUntilIdle();
    QApplication::processEvents();
    return view;
}

void BM_KeystrokeIn100KBNote(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    OpenWindow window;
    if (!openOrSkip(window, scheduler, state))
        return;
    const std::shared_ptr<BXNote> note = window.noteTitled(kHundredKilobytes);
    BXTextView* view = showForTyping(window, scheduler, note);
    view->setSelectedRange({ 5000, 0 });
    int typed = 0;
    for (auto _ : state) {
        // A letter and its deletion, so neither the note nor its paragraph grows.
        const bool erase = ++typed % 2 == 0;
        QKeyEvent key(QEvent::KeyPress, erase ? Qt::Key_Backspace : Qt::Key_A, Qt::NoModifier,
            erase ? QString() : QStringLiteral("a"));
        QApplication::sendEvent(view, &key);
        scheduler.runUntilIdle();
        QApplication::processEvents();
    }
    if (note->noteText().size() != AttributedText::length(*view->mirror()))
        state.SkipWithError("the typing did not reach the note");
    state.counters["characters"] = double(note->noteText().size());
}

// Typing in a note's first line retitles it: the list moves that one note to its new place.
void BM_KeystrokeInTitleLine(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    OpenWindow window;
    if (!openOrSkip(window, scheduler, state))
        return;
    const std::shared_ptr<BXNote> note = window.noteTitled(kTenKilobytesA);
    BXNotesArrayController* list = window.controller->notesController();
    BXTextView* view = showForTyping(window, scheduler, note);
    // A letter before the title and its deletion: each moves the note far in the sorted list.
    view->setSelectedRange({ 0, 0 });
    int typed = 0;
    for (auto _ : state) {
        const bool erase = ++typed % 2 == 0;
        QKeyEvent key(QEvent::KeyPress, erase ? Qt::Key_Backspace : Qt::Key_Z, Qt::NoModifier,
            erase ? QString() : QStringLiteral("z"));
        QApplication::sendEvent(view, &key);
        scheduler.runUntilIdle();
        QApplication::processEvents();
    }
    if (note->noteTitle() != kTenKilobytesA
        && note->noteTitle() != QStringLiteral("z") + kTenKilobytesA)
        state.SkipWithError("the typing did not retitle the note");
    state.counters["notes"] = double(list->arrangedObjects().size());
}

// The write-back alone, the part of a keystroke this window adds to the text view's own: the
// note takes the edited 100 KB text (rich text data, plain text, title, date).
void BM_WriteBackOf100KBNote(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    OpenWindow window;
    if (!openOrSkip(window, scheduler, state))
        return;
    const std::shared_ptr<BXNote> note = window.noteTitled(kHundredKilobytes);
    std::unique_ptr<QTextDocument> texts[] = { note->attributedString(), note->attributedString() };
    // A letter far from the title, as typing in the body adds.
    QTextCursor typed(texts[1].get());
    typed.setPosition(5000);
    typed.insertText(QStringLiteral("a"));
    int turn = 0;
    for (auto _ : state) {
        window.controller->setAttributedString(*texts[turn++ % 2], note.get());
        scheduler.runUntilIdle();
    }
}

} // namespace

BENCHMARK(BM_ColdOpenToUsableWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_OpenToUsableWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SelectNote)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteBackOf100KBNote)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_KeystrokeInTitleLine)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_KeystrokeIn100KBNote)->Unit(benchmark::kMicrosecond)->UseRealTime();
