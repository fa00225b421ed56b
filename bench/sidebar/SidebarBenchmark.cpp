// The categories sidebar over a notes file of 10,000 notes and 200 categories, each note in one
// or two of them: opening the sidebar (smart categories, arranging, sections, outline model),
// the reaction of a selected Recent Notes to a new note, one tag peek pass, and moving one
// category.

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/sidebar/BXOutlineView.h"

#include "document/model/BXCategory.h"
#include "document/model/BXFetchedNotesCategory.h"

#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/UndoManager.h"

#include "support/BenchNotesStore.h"

#include <benchmark/benchmark.h>

#include <QDateTime>

using namespace platform;

namespace {

constexpr int kNotes = 10000;
constexpr int kCategories = 200;

BenchNotesStore& notesFile()
{
    static BenchNotesStore* file = [] {
        auto* made = new BenchNotesStore;
        Error error;
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(made->coordinator);
        QList<ManagedObjectPtr> categories;
        for (int i = 0; i < kCategories; ++i) {
            ManagedObjectPtr category = context.insertNewObjectForEntityForName("Category");
            category->setValue(QStringLiteral("Tag %1").arg(i), "categoryName");
            category->setValue(i % 50, "position");
            categories << category;
        }
        const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-730);
        for (int i = 0; i < kNotes; ++i) {
            ManagedObjectPtr note = context.insertNewObjectForEntityForName("Note");
            note->setValue(QStringLiteral("Note %1").arg(i), "noteTitle");
            note->setValue(start.addSecs(qint64(i) * 6300), "noteModified");
            categories.at(i % kCategories)->addRelatedObject("notes", note);
            if (i % 3 == 0)
                categories.at((i * 7) % kCategories)->addRelatedObject("notes", note);
        }
        // The smart categories, made once as a document's first opening does.
        BXCategoriesArrayController sidebar;
        sidebar.setManagedObjectContext(&context);
        sidebar.prepareContent();
        if (!context.save(&error))
            qFatal("save: %s", qPrintable(error.toString()));
        return made;
    }();
    return *file;
}

struct Sidebar {
    Sidebar()
    {
        context.setPersistentStoreCoordinator(notesFile().coordinator);
        context.setUndoManager(&undo);
        undo.setGroupsByEvent(false);
        controller.setManagedObjectContext(&context);
        controller.awakeFromNib();
        controller.prepareContent();
        controller.setOutlineView(&outline);
    }
    ~Sidebar() { controller.setOutlineView(nullptr); }

    ManagedObjectContext context;
    UndoManager undo;
    BXCategoriesArrayController controller;
    BXOutlineView outline;
};

void BM_OpenSidebar(benchmark::State& state)
{
    notesFile();
    for (auto _ : state) {
        Sidebar sidebar;
        benchmark::DoNotOptimize(sidebar.controller.outlineModel()->rowCount());
    }
}
BENCHMARK(BM_OpenSidebar)->Unit(benchmark::kMillisecond);

void BM_RefreshRecentNotesAfterInsert(benchmark::State& state)
{
    Sidebar sidebar;
    sidebar.undo.disableUndoRegistration();
    sidebar.controller.setSelectedObjects({ sidebar.controller.recentNotesCategory() });
    int refreshed = 0;
    QObject::connect(&sidebar.controller,
        &BXCategoriesArrayController::selectedCategoryNotesChanged, [&refreshed] { ++refreshed; });
    for (auto _ : state) {
        ManagedObjectPtr note = sidebar.context.insertNewObjectForEntityForName("Note");
        note->setValue(QDateTime::currentDateTimeUtc(), "noteModified");
        sidebar.context.processPendingChanges();
        state.PauseTiming();
        sidebar.context.deleteObject(note);
        sidebar.context.processPendingChanges();
        state.ResumeTiming();
    }
    if (refreshed == 0)
        state.SkipWithError("no refresh");
}
BENCHMARK(BM_RefreshRecentNotesAfterInsert)->Unit(benchmark::kMillisecond);

void BM_TagPeekPass(benchmark::State& state)
{
    Sidebar sidebar;
    Error error;
    FetchRequest request("Note");
    request.setFetchLimit(5);
    const QList<ManagedObjectPtr> peeked
        = sidebar.context.fetchObjects(request, &error).value_or(QList<ManagedObjectPtr>());
    for (auto _ : state) {
        sidebar.controller.setNotesToCheckIfContained(peeked);
        benchmark::DoNotOptimize(
            sidebar.controller.isHilited(sidebar.controller.allNotesCategory().get()));
    }
}
BENCHMARK(BM_TagPeekPass)->Unit(benchmark::kMillisecond);

void BM_MoveOneCategory(benchmark::State& state)
{
    Sidebar sidebar;
    const int last = int(sidebar.controller.arrangedObjects().size()) - 1;
    // The dragged category is selected; with a smart one selected the move also saves once.
    sidebar.controller.setSelectionIndex(last);
    for (auto _ : state) {
        sidebar.undo.beginUndoGrouping();
        sidebar.controller.moveCategoriesAtIndexes(IndexSet(last), 3, false);
        sidebar.undo.endUndoGrouping();
        state.PauseTiming();
        sidebar.undo.removeAllActions();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MoveOneCategory)->Unit(benchmark::kMillisecond);

} // namespace
