// The notes list's controller and item model over 10,000 notes in memory: rearranging by a
// localised case-insensitive title with a filter, the model's share of a rearrangement, adding
// or removing one note, and the memory the controller and model take above the notes.

#include "document/model/BXDataModel.h"

#include "platform/controllers/ArrayControllerModel.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QRandomGenerator>

#include <malloc.h>
#include <unistd.h>

using namespace platform;

namespace {

constexpr int kNotes = 10000;
// About the rows a list window shows, each with a persistent index held by the view.
constexpr int kVisibleRows = 60;

const QString kTitle = QStringLiteral("noteTitle");

struct Notes {
    std::shared_ptr<PersistentStoreCoordinator> coordinator
        = std::make_shared<PersistentStoreCoordinator>(BXDataModel::model());
    ManagedObjectContext context;
    QList<ManagedObjectPtr> notes;

    Notes()
    {
        context.setPersistentStoreCoordinator(coordinator);
        QRandomGenerator random(42);
        const QStringList words { "apple", "Élan", "zebra", "Banana", "équipe", "Cherry", "delta",
            "Omega", "naïve", "Quartz" };
        for (int i = 0; i < kNotes; ++i) {
            ManagedObjectPtr note = context.insertNewObjectForEntityForName("Note");
            note->setValue(QStringLiteral("%1 %2 %3")
                               .arg(words.at(random.bounded(words.size())))
                               .arg(words.at(random.bounded(words.size())))
                               .arg(i),
                kTitle);
            note->setValue(i % 10 == 0, QStringLiteral("trashFlag"));
            notes.append(note);
        }
    }
};

Notes& notes()
{
    static Notes* made = new Notes;
    return *made;
}

void configure(ArrayController& controller)
{
    controller.setContent(notes().notes);
    controller.setFilterPredicate(Predicate::predicateWithFormat(QStringLiteral("trashFlag = NO")));
    controller.setSortDescriptors(
        { SortDescriptor(kTitle, true, QStringLiteral("localizedCaseInsensitiveCompare:")) });
}

QList<QPersistentModelIndex> visibleRows(const ArrayControllerModel& model)
{
    QList<QPersistentModelIndex> rows;
    for (int row = 0; row < kVisibleRows; ++row)
        rows.append(model.index(row, 0));
    return rows;
}

void BM_RearrangeTenThousandByLocalizedTitleWithFilter(benchmark::State& state)
{
    ArrayController controller;
    configure(controller);
    for (auto _ : state)
        controller.rearrangeObjects();
    state.counters["arranged"] = double(controller.arrangedObjects().size());
}
BENCHMARK(BM_RearrangeTenThousandByLocalizedTitleWithFilter)->Unit(benchmark::kMillisecond);

// Turns the arrangement round without reading a key, so that the time is the model's.
class ReversingController final : public ArrayController {
public:
    QList<ManagedObjectPtr> arrangeObjects(const QList<ManagedObjectPtr>& objects) const override
    {
        const QList<ManagedObjectPtr>& from
            = arrangedObjects().isEmpty() ? objects : arrangedObjects();
        return QList<ManagedObjectPtr>(from.crbegin(), from.crend());
    }
};

void BM_ModelLayoutChangeOfTenThousand(benchmark::State& state)
{
    ReversingController controller;
    controller.setContent(notes().notes);
    ArrayControllerModel model(&controller);
    model.setColumns({ { QStringLiteral("noteTitle"), kTitle, QStringLiteral("Title") } });
    const QList<QPersistentModelIndex> rows = visibleRows(model);
    controller.setSelectionIndexes(IndexSet::fromRange(100, 20));
    for (auto _ : state)
        controller.rearrangeObjects();
    benchmark::DoNotOptimize(rows);
}
BENCHMARK(BM_ModelLayoutChangeOfTenThousand)->Unit(benchmark::kMillisecond);

void BM_AddOrRemoveOneOfTenThousand(benchmark::State& state)
{
    ArrayController controller;
    configure(controller);
    ArrayControllerModel model(&controller);
    model.setColumns({ { QStringLiteral("noteTitle"), kTitle, QStringLiteral("Title") } });
    const QList<QPersistentModelIndex> rows = visibleRows(model);
    const ManagedObjectPtr note = notes().context.insertNewObjectForEntityForName("Note");
    const bool adding = state.range(0) == 1;
    for (auto _ : state) {
        if (adding) {
            controller.addObject(note);
            state.PauseTiming();
            controller.removeObject(note);
            state.ResumeTiming();
        } else {
            state.PauseTiming();
            controller.addObject(note);
            state.ResumeTiming();
            controller.removeObject(note);
        }
    }
    state.SetLabel(adding ? "add" : "remove");
}
BENCHMARK(BM_AddOrRemoveOneOfTenThousand)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

// Bytes the controller and its model hold for 10,000 arranged notes, the notes themselves not
// counted: resident size and heap in use.
void BM_MemoryAboveTenThousandNotes(benchmark::State& state)
{
    notes();
    malloc_trim(0);
    for (auto _ : state) {
        const qint64 residentBefore = residentBytes();
        const size_t heapBefore = mallinfo2().uordblks;
        auto controller = std::make_unique<ArrayController>();
        configure(*controller);
        auto model = std::make_unique<ArrayControllerModel>(controller.get());
        model->setColumns({ { QStringLiteral("noteTitle"), kTitle, QStringLiteral("Title") } });
        controller->setSelectionIndex(0);
        state.counters["resident_bytes"] = double(residentBytes() - residentBefore);
        state.counters["heap_bytes"] = double(mallinfo2().uordblks - heapBefore);
        state.PauseTiming();
        model.reset();
        controller.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MemoryAboveTenThousandNotes)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
