// The notes store against raw sqlite3 doing the same work: 10,000 notes with 2 KB of plain
// text and 6 KB of rich-text bytes each.

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include <malloc.h>
#include <sqlite3.h>

using namespace platform;

namespace {

constexpr int kNotes = 10000;

std::shared_ptr<const ManagedObjectModel> model()
{
    static const std::shared_ptr<const ManagedObjectModel> shared = [] {
        using Type = AttributeDescription::Type;
        auto result = std::make_shared<ManagedObjectModel>();
        EntityDescription& note = result->addEntity(QStringLiteral("Note"));
        for (const char* name :
            { "noteName", "noteTitle", "noteText", "selectedRangeString", "windowFrameString" })
            note.addAttribute(QString::fromLatin1(name), Type::String);
        note.addAttribute(QStringLiteral("noteStyles"), Type::Binary);
        note.addAttribute(QStringLiteral("noteCreated"), Type::Date);
        note.addAttribute(QStringLiteral("noteModified"), Type::Date);
        for (const char* name : { "trashFlag", "lastImportFlag", "omitFlag", "selFlag" })
            note.addAttribute(QString::fromLatin1(name), Type::Boolean);
        note.addAttribute(QStringLiteral("label"), Type::Integer64);
        note.addRelationship(QStringLiteral("categories"), QStringLiteral("Category"),
            QStringLiteral("notes"), true);
        EntityDescription& category = result->addEntity(QStringLiteral("Category"));
        category.addAttribute(QStringLiteral("categoryName"), Type::String);
        category.addRelationship(
            QStringLiteral("notes"), QStringLiteral("Note"), QStringLiteral("categories"), true);
        result->finish();
        return result;
    }();
    return shared;
}

const QVariantMap& options()
{
    static const QVariantMap shared { { MigratePersistentStoresAutomaticallyOption, true },
        { SQLitePragmasOption,
            QVariantMap { { QStringLiteral("journal_mode"), QStringLiteral("DELETE") } } } };
    return shared;
}

QString noteText(int index)
{
    static const QStringList words { "alpha", "river", "stone", "window", "garden", "letter",
        "quiet", "morning", "paper", "signal", "harbor", "maple" };
    QString text;
    text.reserve(2100);
    quint32 n = quint32(index);
    while (text.size() < 2048) {
        n = n * 1103515245u + 12345u;
        text += words[(n >> 8) % words.size()] + QLatin1Char(' ');
    }
    // One note in a hundred holds the searched word.
    if (index % 100 == 0)
        text.replace(1000, 4, QStringLiteral("Word"));
    return text.left(2048);
}

const QByteArray& styles()
{
    static const QByteArray shared = [] {
        QByteArray bytes("{\\rtf1\\ansi ");
        while (bytes.size() < 6144)
            bytes += "\\f0\\fs24 \\cf0 some styled text ";
        bytes.truncate(6143);
        return bytes + "}";
    }();
    return shared;
}

QString freshPath(QTemporaryDir& folder, const char* name)
{
    static int counter = 0;
    return folder.filePath(QStringLiteral("%1-%2").arg(QLatin1String(name)).arg(++counter));
}

bool fillWithObjects(const QString& path)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(model());
    if (!coordinator->addPersistentStore(
            SQLiteStoreType, QUrl::fromLocalFile(path), options(), nullptr))
        return false;
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < kNotes; ++i) {
        ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
        const QString text = noteText(i);
        note->setValue(text, QStringLiteral("noteText"));
        note->setValue(text.left(40), QStringLiteral("noteTitle"));
        note->setValue(styles(), QStringLiteral("noteStyles"));
        note->setValue(now, QStringLiteral("noteCreated"));
        note->setValue(now, QStringLiteral("noteModified"));
        note->setValue(false, QStringLiteral("trashFlag"));
    }
    return context.save(nullptr);
}

// The same rows written with plain statements in the store's table layout.
bool fillRaw(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db,
        "PRAGMA journal_mode = DELETE; CREATE TABLE ZNOTE (Z_PK INTEGER PRIMARY KEY, "
        "Z_ENT INTEGER, Z_OPT INTEGER, ZTRASHFLAG INTEGER, ZNOTECREATED TIMESTAMP, "
        "ZNOTEMODIFIED TIMESTAMP, ZNOTENAME VARCHAR, ZNOTETEXT VARCHAR, ZNOTETITLE "
        "VARCHAR, ZNOTESTYLES BLOB); BEGIN",
        nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
        "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZTRASHFLAG, ZNOTECREATED, "
        "ZNOTEMODIFIED, ZNOTETEXT, ZNOTETITLE, ZNOTESTYLES) VALUES "
        "(?, 1, 1, 0, ?, ?, ?, ?, ?)",
        -1, &insert, nullptr);
    const double now = QDateTime::currentSecsSinceEpoch() - 978307200.0;
    for (int i = 0; i < kNotes; ++i) {
        const QByteArray text = noteText(i).toUtf8();
        sqlite3_bind_int64(insert, 1, i + 1);
        sqlite3_bind_double(insert, 2, now);
        sqlite3_bind_double(insert, 3, now);
        sqlite3_bind_text(insert, 4, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 5, text.constData(), 40, SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 6, styles().constData(), int(styles().size()), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// One store of each kind, made once, for the reading cases.
struct Stores {
    QTemporaryDir folder;
    QString objects = folder.filePath(QStringLiteral("objects"));
    QString raw = folder.filePath(QStringLiteral("raw"));
    Stores()
    {
        fillWithObjects(objects);
        fillRaw(raw);
    }
};

Stores& stores()
{
    static Stores shared;
    return shared;
}

const QStringList kListProperties { "noteCreated", "noteModified", "noteName", "noteTitle",
    "omitFlag", "selFlag", "trashFlag" };

struct RawNote {
    qint64 key;
    double created;
    double modified;
    QString name;
    QString title;
    int trash;
};

std::vector<RawNote> rawFetchList(sqlite3* db, const char* where = "")
{
    std::vector<RawNote> notes;
    notes.reserve(kNotes);
    sqlite3_stmt* select = nullptr;
    const QByteArray sql = QByteArray("SELECT Z_PK, ZNOTECREATED, ZNOTEMODIFIED, ZNOTENAME, "
                                      "ZNOTETITLE, ZTRASHFLAG FROM ZNOTE")
        + where;
    sqlite3_prepare_v2(db, sql.constData(), -1, &select, nullptr);
    while (sqlite3_step(select) == SQLITE_ROW) {
        auto text = [select](int column) {
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(select, column)),
                sqlite3_column_bytes(select, column));
        };
        notes.push_back({ sqlite3_column_int64(select, 0), sqlite3_column_double(select, 1),
            sqlite3_column_double(select, 2), text(3), text(4), sqlite3_column_int(select, 5) });
    }
    sqlite3_finalize(select);
    return notes;
}

// Points `context` at a new coordinator on the saved store at `path`, as opening a file does.
void openStore(ManagedObjectContext& context, const QString& path)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(model());
    coordinator->addPersistentStore(
        SQLiteStoreType, QUrl::fromLocalFile(path), options(), nullptr);
    context.setPersistentStoreCoordinator(coordinator);
}

void BM_InsertAndSave_Store(benchmark::State& state)
{
    QTemporaryDir folder;
    for (auto _ : state) {
        if (!fillWithObjects(freshPath(folder, "insert")))
            state.SkipWithError("save failed");
    }
}

void BM_InsertAndSave_RawSQL(benchmark::State& state)
{
    QTemporaryDir folder;
    for (auto _ : state) {
        if (!fillRaw(freshPath(folder, "raw")))
            state.SkipWithError("commit failed");
    }
}

void BM_OpenAndFetchList_Store(benchmark::State& state)
{
    const QString path = stores().objects;
    for (auto _ : state) {
        ManagedObjectContext context;
        openStore(context, path);
        FetchRequest request(QStringLiteral("Note"));
        request.setPropertiesToFetch(kListProperties);
        const auto notes = context.fetchObjects(request, nullptr);
        if (!notes || notes->size() != kNotes)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(notes);
    }
}

void BM_OpenAndFetchList_RawSQL(benchmark::State& state)
{
    const QByteArray path = stores().raw.toUtf8();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open(path.constData(), &db);
        std::vector<RawNote> notes = rawFetchList(db);
        if (notes.size() != kNotes)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(notes);
        sqlite3_close(db);
    }
}

void BM_FetchContainsWord_Store(benchmark::State& state)
{
    ManagedObjectContext context;
    openStore(context, stores().objects);
    FetchRequest request(QStringLiteral("Note"));
    request.setPropertiesToFetch(kListProperties);
    request.setPredicate(Predicate::predicateWithFormat(
        QStringLiteral("noteText CONTAINS[cd] %@"), { QStringLiteral("word") }));
    for (auto _ : state) {
        const auto notes = context.fetchObjects(request, nullptr);
        if (!notes || notes->size() != kNotes / 100)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(notes);
    }
}

void BM_FetchContainsWord_RawSQL(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open(stores().raw.toUtf8().constData(), &db);
    for (auto _ : state) {
        std::vector<RawNote> notes = rawFetchList(db, " WHERE ZNOTETEXT LIKE '%word%'");
        if (notes.size() != kNotes / 100)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(notes);
    }
    sqlite3_close(db);
}

void BM_SaveOneChangedNote_Store(benchmark::State& state)
{
    ManagedObjectContext context;
    openStore(context, stores().objects);
    FetchRequest request(QStringLiteral("Note"));
    request.setPropertiesToFetch(kListProperties);
    const QList<ManagedObjectPtr> notes = context.fetchObjects(request, nullptr).value();
    int round = 0;
    for (auto _ : state) {
        const ManagedObjectPtr& note = notes[round % notes.size()];
        note->setValue(noteText(++round), QStringLiteral("noteText"));
        note->setValue(styles(), QStringLiteral("noteStyles"));
        note->setValue(QDateTime::currentDateTimeUtc(), QStringLiteral("noteModified"));
        if (!context.save(nullptr))
            state.SkipWithError("save failed");
    }
}

void BM_SaveOneChangedNote_RawSQL(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open(stores().raw.toUtf8().constData(), &db);
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(db,
        "UPDATE ZNOTE SET Z_OPT = Z_OPT + 1, ZNOTETEXT = ?, ZNOTESTYLES = ?, "
        "ZNOTEMODIFIED = ? WHERE Z_PK = ?",
        -1, &update, nullptr);
    int round = 0;
    for (auto _ : state) {
        const QByteArray text = noteText(++round).toUtf8();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_bind_text(update, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(update, 2, styles().constData(), int(styles().size()), SQLITE_STATIC);
        sqlite3_bind_double(update, 3, QDateTime::currentSecsSinceEpoch() - 978307200.0);
        sqlite3_bind_int64(update, 4, round % kNotes + 1);
        sqlite3_step(update);
        sqlite3_reset(update);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(update);
    sqlite3_close(db);
}

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

void BM_MemoryOf10000FetchedNotes_Store(benchmark::State& state)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(model());
    coordinator->addPersistentStore(
        SQLiteStoreType, QUrl::fromLocalFile(stores().objects), options(), nullptr);
    size_t bytes = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(coordinator);
        FetchRequest request(QStringLiteral("Note"));
        request.setPropertiesToFetch(kListProperties);
        const auto notes = context.fetchObjects(request, nullptr);
        bytes = heapInUse() - before;
        benchmark::DoNotOptimize(notes);
    }
    state.counters["MB"] = double(bytes) / (1024.0 * 1024.0);
}

void BM_MemoryOf10000FetchedNotes_RawSQL(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open(stores().raw.toUtf8().constData(), &db);
    size_t bytes = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        std::vector<RawNote> notes = rawFetchList(db);
        bytes = heapInUse() - before;
        benchmark::DoNotOptimize(notes);
    }
    sqlite3_close(db);
    state.counters["MB"] = double(bytes) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(BM_InsertAndSave_Store)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InsertAndSave_RawSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenAndFetchList_Store)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndFetchList_RawSQL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchContainsWord_Store)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchContainsWord_RawSQL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOneChangedNote_Store)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOneChangedNote_RawSQL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryOf10000FetchedNotes_Store)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MemoryOf10000FetchedNotes_RawSQL)->Unit(benchmark::kMillisecond)->Iterations(1);
