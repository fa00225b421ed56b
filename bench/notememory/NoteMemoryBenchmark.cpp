// Freeing the notes the main window no longer shows, over a notes file of 10,000 notes: the
// periodic clean-up with 100 text storages built, and the resident memory left after showing
// and releasing 1,000 notes of 10 KB.

#include "support/BenchNotesFile.h"
#include "support/ColdRun.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/notememory/BXNoteMemoryManager.h"

#include "platform/testing/FakeScheduler.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>

namespace {

constexpr int kNotes = 10000;
constexpr int kLargeNotes = 1000;
constexpr int kBuiltStorages = 100;

// Written once per run: 9,000 notes of about 600 bytes and 1,000 of 10 KB ("Large ...").
const BenchNotesFile& notesFile()
{
    static const BenchNotesFile file(QStringLiteral("Memory.brindlex"), [](BXDocument& document) {
        const QString paragraph = QStringLiteral(
            "Notes from the meeting about the garden: the fence needs paint, the tulips need "
            "planting and somebody should look at the gate before the winter comes.\n");
        for (int i = 0; i < kNotes; ++i) {
            const bool large = i < kLargeNotes;
            benchAddNote(document,
                benchParagraphs(
                    (large ? QStringLiteral("Large %1") : QStringLiteral("Note %1")).arg(i),
                    large ? 10 * 1024 : 600, paragraph),
                false);
        }
    });
    return file;
}

// The file in its main window with the whole list built.
bool openWindow(BenchMainWindow& window, const QUrl& url, platform::FakeScheduler& scheduler)
{
    if (!window.open(url))
        return false;
    scheduler.advance(1);
    return window.listed() == kNotes;
}

// Every 300 s: the cache trimmed and every storage no window shows written back and dropped.
void BM_PeriodicCleanUp(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    BenchMainWindow window;
    if (!openWindow(window, notesFile().url, scheduler)) {
        state.SkipWithError("the notes file does not open");
        return;
    }
    const QList<std::shared_ptr<BXNote>> notes
        = window.notesTitledWith(QStringLiteral("Note ")).mid(0, kBuiltStorages);
    for (auto _ : state) {
        state.PauseTiming();
        for (const auto& note : notes)
            note->textStorage();
        state.ResumeTiming();
        window.controller->noteMemoryManager()->performPeriodicMemoryCleanup();
    }
    state.counters["storages_left"] = double(std::count_if(notes.cbegin(), notes.cend(),
        [](const std::shared_ptr<BXNote>& note) { return note->hasTextStorage(); }));
}

[[maybe_unused]] const bool kShowAndRelease
    = ColdRun::add(QStringLiteral("show-and-release"), [](const QStringList& arguments) {
          platform::FakeScheduler scheduler;
          BenchMainWindow window;
          if (!openWindow(window, QUrl::fromLocalFile(arguments.value(0)), scheduler))
              return std::optional<ColdRun::Measure>();
          const ColdRun::Meter meter;
          BXNotesArrayController* list = window.controller->notesController();
          for (const auto& note : window.notesTitledWith(QStringLiteral("Large "))) {
              list->setSelectedObjects({ note });
              scheduler.advance(1);
              QApplication::processEvents();
          }
          window.controller->releaseMemoryForInactiveNotes();
          return std::optional(meter.stop(double(window.notesTitledWith(QStringLiteral("Large ")).size())));
      });

// Resident growth over showing and releasing 1,000 notes of 10 KB in a window listing 10,000
// ("resident_MB"; the goal is under 60 MB).
void BM_ShowAndRelease1000Notes(benchmark::State& state)
{
    ColdRun::iterate(
        state, QStringLiteral("show-and-release"), { notesFile().url.toLocalFile() }, kLargeNotes);
}

} // namespace

BENCHMARK(BM_PeriodicCleanUp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowAndRelease1000Notes)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
