// The notes of each smart category over a notes file of 10,000 notes, a third of them tagged,
// modified over two years. "Warm" fetches again in a context that already holds the notes;
// "Cold" opens the file in a fresh process and fetches there, as the first look at a category
// after launch does, and reports how much the process's resident size grew.

#include "document/model/BXCategory.h"
#include "document/model/BXDataModel.h"
#include "document/model/BXFetchedNotesCategory.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include "support/BenchNotesStore.h"
#include "support/ColdRun.h"

#include <benchmark/benchmark.h>

#include <QDateTime>

using namespace platform;

namespace {

constexpr int kNotes = 10000;
constexpr int kTags = 20;

BenchNotesStore& notesFile()
{
    static BenchNotesStore* file = [] {
        auto* made = new BenchNotesStore;
        Error error;
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(made->coordinator);

        QList<ManagedObjectPtr> tags;
        for (int i = 0; i < kTags; ++i) {
            ManagedObjectPtr tag = context.insertNewObjectForEntityForName("Category");
            tag->setValue(QStringLiteral("Tag %1").arg(i), "categoryName");
            tags << tag;
        }
        const auto smart = [&](const QString& id, const QString& format) {
            auto category = std::dynamic_pointer_cast<BXFetchedNotesCategory>(
                context.insertNewObjectForEntityForName("FetchedNotesCategory"));
            category->setCategoryID(id);
            category->setCategoryName(id);
            if (!format.isEmpty())
                category->setPredicate(Predicate::predicateWithFormat(format));
        };
        smart(BXCategory::AllNotesCategoryID, {});
        smart(BXCategory::RecentNotesCategoryID, "noteModified >= $dateBeforeNow");
        smart(BXCategory::NoCategoryID,
            "SUBQUERY(categories, $var, $var.categoryID = nil).@count = 0");

        const QDateTime newest = QDateTime::currentDateTime();
        for (int i = 0; i < kNotes; ++i) {
            ManagedObjectPtr note = context.insertNewObjectForEntityForName("Note");
            const QString title = QStringLiteral("Note number %1").arg(i);
            note->setValue(title, "noteTitle");
            note->setValue(title + QStringLiteral("\n") + QString(400, QChar('x')), "noteText");
            note->setValue(newest.addSecs(-qint64(i) * 6300), "noteCreated");
            note->setValue(newest.addSecs(-qint64(i) * 6300), "noteModified");
            note->setValue(false, "trashFlag");
            if (i % 3 == 0)
                note->setRelatedObjects("categories", { tags[i % kTags] });
        }
        if (!context.save(&error))
            qFatal("save: %s", qPrintable(error.toString()));
        return made;
    }();
    return *file;
}

std::shared_ptr<BXFetchedNotesCategory> category(ManagedObjectContext& context, const QString& id)
{
    FetchRequest request(BXFetchedNotesCategory::entityName());
    request.setPredicate(Predicate::predicateWithFormat("categoryID = %@", { id }));
    return std::dynamic_pointer_cast<BXFetchedNotesCategory>(
        context.fetchObjects(request, nullptr)->first());
}

void fetchWarm(benchmark::State& state, const QString& id)
{
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(notesFile().coordinator);
    const auto smart = category(context, id);
    qsizetype count = smart->fetchedNotes().size();
    for (auto _ : state) {
        count = smart->fetchedNotes().size();
        benchmark::DoNotOptimize(count);
    }
    state.counters["notes"] = double(count);
}

// In the fresh process: open the file, find the category and fetch its notes.
[[maybe_unused]] const bool kColdCategory
    = ColdRun::add(QStringLiteral("category"), [](const QStringList& arguments) {
          const ColdRun::Meter meter;
          auto coordinator = std::make_shared<PersistentStoreCoordinator>(BXDataModel::model());
          if (!coordinator->addPersistentStore(
                  SQLiteStoreType, QUrl::fromLocalFile(arguments.value(0)), {}, nullptr))
              return std::optional<ColdRun::Measure>();
          ManagedObjectContext context;
          context.setPersistentStoreCoordinator(coordinator);
          const auto smart = category(context, arguments.value(1));
          const qsizetype count = smart->fetchedNotes().size();
          return std::optional(meter.stop(double(count)));
      });

void fetchCold(benchmark::State& state, const QString& id)
{
    ColdRun::iterate(
        state, QStringLiteral("category"), { notesFile().storePath(), id });
}

// What the store alone costs: every note with the columns the smart categories read, and the
// newest modification date that Recent Notes looks up first.
void storeFetchAllNotes(benchmark::State& state)
{
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(notesFile().coordinator);
    FetchRequest request(QStringLiteral("Note"));
    request.setPropertiesToFetch({ "noteCreated", "noteModified", "noteName", "noteTitle",
        "omitFlag", "selFlag", "trashFlag" });
    for (auto _ : state)
        benchmark::DoNotOptimize(context.fetchObjects(request, nullptr)->size());
}

void storeFetchNewestDate(benchmark::State& state)
{
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(notesFile().coordinator);
    FetchRequest request(QStringLiteral("Note"));
    request.setResultType(FetchRequest::ResultType::Dictionary);
    request.setPropertiesToFetch({},
        { ExpressionDescription(
            "maxDate", "max:", "noteModified", AttributeDescription::Type::Date) });
    for (auto _ : state)
        benchmark::DoNotOptimize(context.executeFetchRequest(request, nullptr)->size());
}

} // namespace

BENCHMARK(storeFetchAllNotes)->Unit(benchmark::kMillisecond);
BENCHMARK(storeFetchNewestDate)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fetchWarm, AllNotes, BXCategory::AllNotesCategoryID)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fetchWarm, RecentNotes, BXCategory::RecentNotesCategoryID)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fetchWarm, NoCategory, BXCategory::NoCategoryID)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fetchCold, AllNotes, BXCategory::AllNotesCategoryID)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(fetchCold, RecentNotes, BXCategory::RecentNotesCategoryID)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(fetchCold, NoCategory, BXCategory::NoCategoryID)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
