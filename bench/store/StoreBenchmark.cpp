// The notes store against raw sqlite3 doing the same work: 10,000 notes with 2 KB of plain
// text and 6 KB of rich-text bytes each. Searches run over three kinds of notes: pure ASCII,
// ASCII with one accented word (what most notes in Latin scripts are) and mixed scripts with
// accented words, Cyrillic, Greek, CJK and emoji. The cold cases open the file in a fresh
// process and report its growth in resident size as the memory the fetched list takes.

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include "support/ColdRun.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <map>

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

enum class Script { Ascii, Accented, Mixed };

QString noteText(int index, Script script = Script::Ascii)
{
    static const QStringList ascii { "alpha", "river", "stone", "window", "garden", "letter",
        "quiet", "morning", "paper", "signal", "harbor", "maple" };
    static const QStringList mixed { "alpha", "été", "Straße", "привет", "мир", "日本語", "東京",
        "😀", "naïve", "Ελλάδα", "garden", "🍰", "crème", "ДОМ", "paper", "Ölçü" };
    const QStringList& words = script == Script::Mixed ? mixed : ascii;
    QString text;
    text.reserve(2100);
    if (script == Script::Accented)
        text += QStringLiteral("café ");
    quint32 n = quint32(index);
    bool searched = index % 100 != 0;
    while (text.size() < 2048) {
        n = n * 1103515245u + 12345u;
        // One note in a hundred holds the searched word, in its middle.
        if (!searched && text.size() >= 1000) {
            text += QStringLiteral("Word ");
            searched = true;
        }
        text += words[(n >> 8) % words.size()] + QLatin1Char(' ');
    }
    text.truncate(text[2047].isHighSurrogate() ? 2047 : 2048);
    return text;
}

const char* scriptName(Script script)
{
    switch (script) {
    case Script::Ascii:
        return "ascii";
    case Script::Accented:
        return "accented";
    case Script::Mixed:
        return "mixed";
    }
    return "";
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

bool fillWithObjects(const QString& path, Script script = Script::Ascii)
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
        const QString text = noteText(i, script);
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
bool fillRaw(const QString& path, Script script = Script::Ascii)
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
        const QByteArray text = noteText(i, script).toUtf8();
        const QByteArray title = noteText(i, script).left(40).toUtf8();
        sqlite3_bind_int64(insert, 1, i + 1);
        sqlite3_bind_double(insert, 2, now);
        sqlite3_bind_double(insert, 3, now);
        sqlite3_bind_text(insert, 4, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 5, title.constData(), int(title.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 6, styles().constData(), int(styles().size()), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// One store of each kind and script, made once when a reading case first needs it.
struct Stores {
    QTemporaryDir folder;
    std::map<std::pair<bool, Script>, QString> paths;

    const QString& path(bool raw, Script script)
    {
        auto found = paths.find({ raw, script });
        if (found == paths.end()) {
            const QString path = folder.filePath(QStringLiteral("%1-%2").arg(
                QLatin1String(raw ? "raw" : "objects"), QLatin1String(scriptName(script))));
            if (!(raw ? fillRaw(path, script) : fillWithObjects(path, script)))
                qFatal("could not fill %s", qPrintable(path));
            found = paths.emplace(std::pair(raw, script), path).first;
        }
        return found->second;
    }
    const QString& objects(Script script = Script::Ascii) { return path(false, script); }
    const QString& raw(Script script = Script::Ascii) { return path(true, script); }
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
    coordinator->addPersistentStore(SQLiteStoreType, QUrl::fromLocalFile(path), options(), nullptr);
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
    const QString path = stores().objects();
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
    const QByteArray path = stores().raw().toUtf8();
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

PredicateRef containsWord()
{
    return Predicate::predicateWithFormat(
        QStringLiteral("noteText CONTAINS[cd] %@"), { QStringLiteral("word") });
}

void BM_FetchContainsWord_Store(benchmark::State& state, Script script)
{
    ManagedObjectContext context;
    openStore(context, stores().objects(script));
    FetchRequest request(QStringLiteral("Note"));
    request.setPropertiesToFetch(kListProperties);
    request.setPredicate(containsWord());
    for (auto _ : state) {
        const auto notes = context.fetchObjects(request, nullptr);
        if (!notes || notes->size() != kNotes / 100)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(notes);
    }
}

void BM_FetchContainsWord_RawSQL(benchmark::State& state, Script script)
{
    sqlite3* db = nullptr;
    sqlite3_open(stores().raw(script).toUtf8().constData(), &db);
    for (auto _ : state) {
        std::vector<RawNote> notes = rawFetchList(db, " WHERE ZNOTETEXT LIKE '%word%'");
        if (notes.size() != kNotes / 100)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(notes);
    }
    sqlite3_close(db);
}

// The same search over notes whose text is loaded, as a list filters what it shows.
void BM_EvaluateContainsWord_InMemory(benchmark::State& state, Script script)
{
    ManagedObjectContext context;
    openStore(context, stores().objects(script));
    FetchRequest request(QStringLiteral("Note"));
    request.setPropertiesToFetch({ QStringLiteral("noteText") });
    const QList<ManagedObjectPtr> notes = context.fetchObjects(request, nullptr).value();
    for (const ManagedObjectPtr& note : notes)
        benchmark::DoNotOptimize(note->valueForKey(QStringLiteral("noteText")));
    const PredicateRef predicate = containsWord();
    for (auto _ : state) {
        int found = 0;
        for (const ManagedObjectPtr& note : notes)
            found += predicate->evaluateWithObject(KeyValueRef(note)) ? 1 : 0;
        if (found != kNotes / 100)
            state.SkipWithError("wrong count");
    }
}

void BM_SaveOneChangedNote_Store(benchmark::State& state)
{
    ManagedObjectContext context;
    openStore(context, stores().objects());
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
    sqlite3_open(stores().raw().toUtf8().constData(), &db);
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

[[maybe_unused]] const bool kColdStoreList
    = ColdRun::add(QStringLiteral("store-list"), [](const QStringList& arguments) {
          const ColdRun::Meter meter;
          ManagedObjectContext context;
          openStore(context, arguments.value(0));
          FetchRequest request(QStringLiteral("Note"));
          request.setPropertiesToFetch(kListProperties);
          const auto notes = context.fetchObjects(request, nullptr);
          return notes ? std::optional(meter.stop(double(notes->size()))) : std::nullopt;
      });

[[maybe_unused]] const bool kColdRawList
    = ColdRun::add(QStringLiteral("raw-list"), [](const QStringList& arguments) {
          const ColdRun::Meter meter;
          sqlite3* db = nullptr;
          sqlite3_open(arguments.value(0).toUtf8().constData(), &db);
          const std::vector<RawNote> notes = rawFetchList(db);
          const ColdRun::Measure measure = meter.stop(double(notes.size()));
          sqlite3_close(db);
          return std::optional(measure);
      });

// Opening the file and fetching the list in a fresh process; the resident size it grew by is
// the memory the list takes.
void BM_ColdOpenAndFetchList_Store(benchmark::State& state)
{
    ColdRun::iterate(state, QStringLiteral("store-list"), { stores().objects() }, kNotes);
}

void BM_ColdOpenAndFetchList_RawSQL(benchmark::State& state)
{
    ColdRun::iterate(state, QStringLiteral("raw-list"), { stores().raw() }, kNotes);
}

} // namespace

BENCHMARK(BM_InsertAndSave_Store)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InsertAndSave_RawSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenAndFetchList_Store)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndFetchList_RawSQL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdOpenAndFetchList_Store)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_ColdOpenAndFetchList_RawSQL)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_FetchContainsWord_Store, ascii, Script::Ascii)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FetchContainsWord_Store, accented, Script::Accented)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FetchContainsWord_Store, mixed, Script::Mixed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FetchContainsWord_RawSQL, ascii, Script::Ascii)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FetchContainsWord_RawSQL, accented, Script::Accented)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FetchContainsWord_RawSQL, mixed, Script::Mixed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EvaluateContainsWord_InMemory, ascii, Script::Ascii)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EvaluateContainsWord_InMemory, accented, Script::Accented)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EvaluateContainsWord_InMemory, mixed, Script::Mixed)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOneChangedNote_Store)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOneChangedNote_RawSQL)->Unit(benchmark::kMillisecond);
