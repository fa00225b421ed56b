// The notes list over 10,000 notes of about 2 KB: filling it from All Notes with the base
// filter and the default sort, searching for words and a regular expression, re-sorting after
// one title changes, switching between two categories of 5,000 notes, deleting 1,000 notes and
// undoing it, and the memory the list and its model take above the notes.

#include "support/ResidentMemory.h"

#include "document/model/BXCategory.h"
#include "document/model/BXDataModel.h"
#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesListCategories.h"
#include "lists/noteslist/BXNotesListModel.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>

#include <malloc.h>

using namespace platform;

namespace {

constexpr int kNotes = 10000;

class Sidebar final : public BXNotesListCategories {
public:
    QList<ManagedObjectPtr> selected;
    QList<ManagedObjectPtr> selectedCategories() const override { return selected; }
    void setIgnoreObservation(bool) override { }
    void rearrangeCategories() override { }
};

struct Notes {
    std::shared_ptr<PersistentStoreCoordinator> coordinator
        = std::make_shared<PersistentStoreCoordinator>(BXDataModel::model());
    ManagedObjectContext context;
    UndoManager undo;
    QList<ManagedObjectPtr> notes;
    ManagedObjectPtr allNotes;
    ManagedObjectPtr even;
    ManagedObjectPtr odd;

    Notes()
    {
        context.setPersistentStoreCoordinator(coordinator);
        undo.setGroupsByEvent(false);
        QRandomGenerator random(42);
        const QStringList words { "apple", "Élan", "zebra", "Banana", "équipe", "Cherry", "delta",
            "Omega", "naïve", "Quartz", "garden", "river", "Lantern", "copper", "meadow" };
        QList<ManagedObjectPtr> evens;
        QList<ManagedObjectPtr> odds;
        for (int i = 0; i < kNotes; ++i) {
            auto note = std::static_pointer_cast<BXNote>(
                context.insertNewObjectForEntityForName(BXNote::entityName()));
            QString text;
            while (text.size() < 2000) {
                text += words.at(random.bounded(words.size()));
                text += (text.size() % 7 == 0) ? QLatin1Char('\n') : QLatin1Char(' ');
            }
            note->setNoteName(QStringLiteral("%1 %2 %3")
                                  .arg(words.at(random.bounded(words.size())))
                                  .arg(words.at(random.bounded(words.size())))
                                  .arg(i));
            note->setNoteText(text);
            note->setTrashFlag(false);
            notes << note;
            (i % 2 ? odds : evens) << note;
        }
        allNotes = context.insertNewObjectForEntityForName(QStringLiteral("FetchedNotesCategory"));
        allNotes->setValue(BXCategory::AllNotesCategoryID, BXCategory::CategoryIDKey);
        even = context.insertNewObjectForEntityForName(BXCategory::entityName());
        even->setRelatedObjects(BXCategory::NotesKey, evens);
        odd = context.insertNewObjectForEntityForName(BXCategory::entityName());
        odd->setRelatedObjects(BXCategory::NotesKey, odds);
        context.processPendingChanges();
        context.setUndoManager(&undo);
    }
};

Notes& notes()
{
    static Notes* made = new Notes;
    return *made;
}

// A list of All Notes with its model, as a main window holds it.
struct List {
    FakeScheduler scheduler;
    Sidebar sidebar;
    BXNotesArrayController controller;
    BXNotesListModel model { &controller };

    explicit List(const ManagedObjectPtr& category)
    {
        controller.setManagedObjectContext(&notes().context);
        sidebar.selected = { category };
        controller.setCategories(&sidebar);
    }
};

void BM_FillAllNotes(benchmark::State& state)
{
    notes();
    for (auto _ : state) {
        auto list = std::make_unique<List>(notes().allNotes);
        state.counters["listed"] = double(list->controller.arrangedObjects().size());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FillAllNotes)->Unit(benchmark::kMillisecond);

// Arg 1: words; 0: a regular expression.
void BM_Search(benchmark::State& state)
{
    List list(notes().allNotes);
    const int mode = int(state.range(0));
    const QStringList texts = mode == 1
        ? QStringList { QStringLiteral("lantern 12"), QStringLiteral("zebra"),
              QStringLiteral("quartz 7") }
        : QStringList { QStringLiteral("copper\\s+river"), QStringLiteral("^meadow"),
              QStringLiteral("naïve 1\\d") };
    int next = 0;
    for (auto _ : state) {
        if (!list.controller.filterNotes(texts.at(next++ % texts.size()), mode, true, nullptr))
            state.SkipWithError("the search was refused");
        state.counters["found"] = double(list.controller.arrangedObjects().size());
    }
}
BENCHMARK(BM_Search)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ResortAfterOneTitleChange(benchmark::State& state)
{
    List list(notes().allNotes);
    auto note = std::static_pointer_cast<BXNote>(notes().notes.at(kNotes / 2));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        note->setNoteTitle(QStringLiteral("%1 renamed").arg(QChar(u'a' + (round++ % 26))));
        state.ResumeTiming();
        list.scheduler.runUntilIdle();
    }
}
BENCHMARK(BM_ResortAfterOneTitleChange)->Unit(benchmark::kMillisecond);

void BM_SwitchBetweenTwoCategories(benchmark::State& state)
{
    List list(notes().even);
    bool toOdd = true;
    for (auto _ : state) {
        list.sidebar.selected = { toOdd ? notes().odd : notes().even };
        list.controller.categorySelectionDidChange();
        toOdd = !toOdd;
    }
}
BENCHMARK(BM_SwitchBetweenTwoCategories)->Unit(benchmark::kMillisecond);

// Arg 1: deleting 1,000 selected notes; 0: undoing that.
void BM_DeleteThousandAndUndo(benchmark::State& state)
{
    FakeAlertPresenter presenter;
    List list(notes().allNotes);
    UndoManager& undo = notes().undo;
    const bool timeDelete = state.range(0) == 1;
    for (auto _ : state) {
        state.PauseTiming();
        QList<ManagedObjectPtr> doomed;
        for (int i = 0; i < 1000; ++i)
            doomed << list.controller.arrangedObjects().at(i * 9);
        list.controller.setSelectedObjects(doomed);
        if (timeDelete)
            state.ResumeTiming();
        undo.beginUndoGrouping();
        list.controller.deleteNotes(doomed);
        notes().context.processPendingChanges();
        undo.endUndoGrouping();
        list.scheduler.runUntilIdle();
        state.counters["after_delete"] = double(list.controller.arrangedObjects().size());
        if (timeDelete)
            state.PauseTiming();
        else
            state.ResumeTiming();
        undo.undo();
        notes().context.processPendingChanges();
        list.scheduler.runUntilIdle();
        if (!timeDelete)
            state.PauseTiming();
        state.counters["listed"] = double(list.controller.arrangedObjects().size());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteThousandAndUndo)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// What the list and its model hold for 10,000 listed notes, the notes not counted.
void BM_MemoryOfTenThousandListed(benchmark::State& state)
{
    notes();
    malloc_trim(0);
    for (auto _ : state) {
        const qint64 before = ResidentMemory::bytes();
        auto list = std::make_unique<List>(notes().allNotes);
        list->controller.setSelectionIndex(0);
        state.counters["resident_MB"] = double(ResidentMemory::bytes() - before) / 1e6;
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MemoryOfTenThousandListed)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
