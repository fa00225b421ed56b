// The recent notes of a main window listing 10,000 notes, modified over 100 days: the two
// fetches behind the Recents menu and every Back/Forward step and its enabling.

#include "support/BenchNotesFile.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowRecentNotes.h"

#include "platform/testing/FakeScheduler.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPointer>

namespace {

constexpr int kNotes = 10000;
constexpr int kDays = 100;

// Written once per run: note i last modified i % 100 days before the newest one.
const BenchNotesFile& notesFile()
{
    static const BenchNotesFile file(QStringLiteral("Recent.brindlex"), [](BXDocument& document) {
        const QDateTime newest(QDate(2024, 6, 30), QTime(15, 0));
        for (int i = 0; i < kNotes; ++i) {
            BXNote::NotePtr note
                = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
            note->updateNoteText(QStringLiteral("Note %1\nAbout the garden and the gate.").arg(i));
            note->setTrashFlag(false);
            note->setValue(newest.addDays(-(i % kDays)).addSecs(-i), BXNote::NoteModifiedKey);
        }
    });
    return file;
}

void BM_FetchSortedRecentNotes(benchmark::State& state)
{
    const BenchNotesFile& file = notesFile();
    platform::FakeScheduler scheduler;
    auto document = std::make_unique<BXDocument>();
    if (!document->initWithContentsOfURL(file.url, BXDocument::NotesDocumentType, nullptr)) {
        state.SkipWithError("the notes file does not open");
        return;
    }
    QPointer<BXMainWindowController> controller = new BXMainWindowController;
    document->addWindowController(controller);
    controller->windowDidLoad();
    controller->mainWindow()->show();
    QApplication::processEvents();
    scheduler.advance(1);
    qsizetype found = 0;
    for (auto _ : state) {
        found = controller->recentNotes()->fetchSortedRecentNotes().size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["recent_notes"] = double(found);
    delete controller.data();
    document->close();
}

} // namespace

BENCHMARK(BM_FetchSortedRecentNotes)->Unit(benchmark::kMillisecond);
