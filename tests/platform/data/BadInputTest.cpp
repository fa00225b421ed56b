#include "NotesModel.h"
#include "SqlProbe.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

using namespace platform;
using namespace datatest;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A store with `count` notes of some size, closed again.
void makeStore(const QString& path, int count)
{
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    for (int i = 0; i < count; ++i) {
        ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
        note->setValue(QString(500, QLatin1Char('a' + i % 26)), QStringLiteral("noteText"));
    }
    ASSERT_TRUE(context.save(nullptr));
}

QVariantMap withPragma(const QString& name, const QVariant& value)
{
    QVariantMap options = storeOptions();
    QVariantMap pragmas = options.value(SQLitePragmasOption).toMap();
    pragmas.insert(name, value);
    options.insert(SQLitePragmasOption, pragmas);
    return options;
}

// A binary property list {"NSStoreType": "SQLite"} with a NUL byte put into the key or the
// value, as libplist's own writer cannot make it.
QByteArray metadataWithNul(int at)
{
    QByteArray objects = QByteArray("\xD1\x01\x02", 3)
        + "\x5B"
          "NSStoreType"
        + "\x56"
          "SQLite";
    objects[at] = '\0';
    QByteArray bytes = "bplist00" + objects;
    const char offsets[] = { 8, 11, 23 };
    const qsizetype table = bytes.size();
    bytes.append(offsets, 3);
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = 3;
    trailer[31] = char(table);
    return bytes + trailer;
}

} // namespace

TEST(BadInput, StoresThatLostTheirContentsAreReportedAndLeftAsTheyWere)
{
    const struct {
        const char* name;
        std::function<void(const QString&)> make;
        QString message;
    } cases[] = {
        { "zero-length file", [](const QString& path) { writeFile(path, {}); },
            QStringLiteral("The notes store is empty or damaged.") },
        { "database without tables",
            [](const QString& path) {
                SqlProbe(path).exec(QStringLiteral("PRAGMA user_version = 7"));
            },
            QStringLiteral("The notes store is empty or damaged.") },
        { "store without its notes table",
            [](const QString& path) {
                makeStore(path, 3);
                SqlProbe(path).exec(QStringLiteral("DROP TABLE ZNOTE"));
            },
            QStringLiteral("The notes store is empty or damaged.") },
        { "store without one of its columns",
            [](const QString& path) {
                makeStore(path, 3);
                SqlProbe(path).exec(QStringLiteral("ALTER TABLE ZNOTE DROP COLUMN ZNOTETEXT"));
            },
            QStringLiteral("The notes store is empty or damaged.") },
        { "metadata key holding a NUL byte",
            [](const QString& path) {
                makeStore(path, 1);
                SqlProbe(path).exec(QStringLiteral("UPDATE Z_METADATA SET Z_PLIST = X'%1'")
                                        .arg(QString::fromLatin1(metadataWithNul(6).toHex())));
            },
            QStringLiteral("The notes store is damaged.") },
        { "metadata string holding a NUL byte",
            [](const QString& path) {
                makeStore(path, 1);
                SqlProbe(path).exec(QStringLiteral("UPDATE Z_METADATA SET Z_PLIST = X'%1'")
                                        .arg(QString::fromLatin1(metadataWithNul(18).toHex())));
            },
            QStringLiteral("The notes store is damaged.") },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        const QString path = storePath();
        entry.make(path);
        const QByteArray before = fileBytes(path);
        Error error;
        EXPECT_FALSE(openCoordinator(path, &error));
        EXPECT_EQ(error.code(), FileReadCorruptFileError) << qPrintable(error.toString());
        EXPECT_EQ(error.localizedDescription(), entry.message) << qPrintable(error.toString());
        EXPECT_EQ(fileBytes(path), before);
    }
}

TEST(BadInput, DamagedOrForeignFilesAreRefusedAndLeftAsTheyWere)
{
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
        int code;
    };
    const Case cases[] = {
        { "plain text",
            [](const QString& path) { writeFile(path, QByteArray(300, 'x').prepend("Hello, ")); },
            FileReadCorruptFileError },
        { "a few bytes", [](const QString& path) { writeFile(path, "SQLite"); },
            FileReadCorruptFileError },
        { "SQLite file of another program",
            [](const QString& path) {
                SqlProbe sql(path);
                sql.exec(QStringLiteral("CREATE TABLE people (name TEXT); INSERT INTO people "
                                        "VALUES ('x')"));
            },
            PersistentStoreInvalidTypeError },
        { "tables without a primary key column",
            [](const QString& path) {
                makeStore(path, 1);
                SqlProbe sql(path);
                sql.exec(QStringLiteral("DROP TABLE ZNOTE; CREATE TABLE ZNOTE (A INTEGER)"));
            },
            PersistentStoreInvalidTypeError },
        { "truncated store",
            [](const QString& path) {
                makeStore(path, 200);
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                ASSERT_GT(file.size(), 40000);
                file.resize(file.size() / 2);
            },
            FileReadCorruptFileError },
        { "store without metadata",
            [](const QString& path) {
                makeStore(path, 1);
                SqlProbe(path).exec(QStringLiteral("DELETE FROM Z_METADATA"));
            },
            FileReadCorruptFileError },
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.name);
        const QString path = storePath();
        entry.make(path);
        const QByteArray before = fileBytes(path);
        Error error;
        EXPECT_FALSE(openCoordinator(path, &error));
        EXPECT_EQ(error.code(), entry.code) << qPrintable(error.toString());
        EXPECT_FALSE(error.localizedDescription().isEmpty());
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-journal")));
    }
}

TEST(BadInput, DamagedPagesGiveAnErrorOnReading)
{
    const QString path = storePath();
    makeStore(path, 200);
    {
        SqlProbe sql(path);
        const qint64 root
            = sql.value(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'ZNOTE'"))
                  .toLongLong();
        const qint64 pageSize = sql.value(QStringLiteral("PRAGMA page_size")).toLongLong();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek((root - 1) * pageSize);
        file.write(QByteArray(int(pageSize), '\xff'));
    }
    const QByteArray before = fileBytes(path);
    Error error;
    auto coordinator = openCoordinator(path, &error);
    if (coordinator) {
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(coordinator);
        EXPECT_FALSE(context.fetchObjects(FetchRequest(QStringLiteral("Note")), &error));
    }
    EXPECT_EQ(error.code(), FileReadCorruptFileError) << qPrintable(error.toString());
    EXPECT_EQ(fileBytes(path), before);
}

TEST(BadInput, StoredDatesBeyondAnyDateReadAsNoDate)
{
    const QString path = storePath();
    makeStore(path, 3);
    SqlProbe(path).exec(QStringLiteral("UPDATE ZNOTE SET ZNOTECREATED = CASE Z_PK "
                                       "WHEN 1 THEN 1e30 WHEN 2 THEN -1e30 ELSE 9e999 END"));
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    const auto notes = context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr);
    ASSERT_TRUE(notes);
    ASSERT_EQ(notes->size(), 3);
    for (const ManagedObjectPtr& note : *notes)
        EXPECT_FALSE(note->valueForKey(QStringLiteral("noteCreated")).toDateTime().isValid());
}

TEST(BadInput, ReadOnlyStoresRefuseSavesAndStayUnchanged)
{
    const QString path = storePath();
    makeStore(path, 3);
    const QByteArray before = fileBytes(path);
    Error error;
    QVariantMap readOnly = storeOptions();
    readOnly.insert(ReadOnlyPersistentStoreOption, true);
    {
        auto coordinator = openCoordinator(path, &error, 1, readOnly);
        ASSERT_TRUE(coordinator) << qPrintable(error.toString());
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(coordinator);
        const auto notes = context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr);
        ASSERT_TRUE(notes);
        ASSERT_EQ(notes->size(), 3);
        notes->first()->setValue(QStringLiteral("edit"), QStringLiteral("noteText"));
        EXPECT_FALSE(context.save(&error));
        EXPECT_EQ(error.code(), FileWriteNoPermissionError);
        EXPECT_TRUE(context.hasChanges());
        EXPECT_EQ(fileBytes(path), before);
    }
}

TEST(BadInput, FileWithoutWritePermissionIsRefused)
{
    const QString path = storePath();
    makeStore(path, 1);
    const QByteArray before = fileBytes(path);
    Error error;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    if (QFileInfo(path).isWritable())
        GTEST_SKIP() << "running with rights that ignore file permissions";
    EXPECT_FALSE(openCoordinator(path, &error));
    EXPECT_EQ(error.code(), FileWriteNoPermissionError);
    EXPECT_EQ(fileBytes(path), before);
}

TEST(BadInput, FullDiskFailsTheSaveAndKeepsTheChangesForARetry)
{
    const QString path = storePath();
    makeStore(path, 3);
    const qint64 pages = SqlProbe(path).value(QStringLiteral("PRAGMA page_count")).toLongLong();
    const QByteArray before = fileBytes(path);
    Error error;
    auto coordinator
        = openCoordinator(path, &error, 1, withPragma(QStringLiteral("max_page_count"), pages));
    ASSERT_TRUE(coordinator) << qPrintable(error.toString());
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    note->setValue(QByteArray(200000, 'r'), QStringLiteral("noteStyles"));
    note->setValue(QStringLiteral("big"), QStringLiteral("noteTitle"));

    EXPECT_FALSE(context.save(&error));
    EXPECT_EQ(error.code(), FileWriteOutOfSpaceError) << qPrintable(error.toString());
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_TRUE(context.hasChanges());
    EXPECT_TRUE(note->objectID().isTemporaryID());
    EXPECT_EQ(context.countForFetchRequest(FetchRequest(QStringLiteral("Note")), nullptr), 4);

    // Space again: the same changes save.
    ASSERT_TRUE(coordinator->removePersistentStore(coordinator->persistentStore(), nullptr));
    ASSERT_TRUE(coordinator->addPersistentStore(
        SQLiteStoreType, QUrl::fromLocalFile(path), storeOptions(), &error));
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(SqlProbe(path)
                  .value(QStringLiteral("SELECT length(ZNOTESTYLES) FROM ZNOTE WHERE "
                                        "ZNOTETITLE = 'big'"))
                  .toInt(),
        200000);
}

TEST(BadInput, StoreLockedByAnotherProgram)
{
    const QString path = storePath();
    makeStore(path, 2);
    Error error;
    auto coordinator
        = openCoordinator(path, &error, 1, withPragma(QStringLiteral("busy_timeout"), 0));
    ASSERT_TRUE(coordinator) << qPrintable(error.toString());
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    const auto notes = context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr).value();
    notes.first()->setValue(QStringLiteral("edit"), QStringLiteral("noteText"));
    const QByteArray before = fileBytes(path);

    SqlProbe other(path);
    // The other program waits for locks as SQLite's users do: the store probes the file for
    // the moment its lock is gone.
    ASSERT_EQ(other.exec(QStringLiteral("PRAGMA busy_timeout = 10000")), 0);
    ASSERT_EQ(other.exec(QStringLiteral("BEGIN IMMEDIATE")), 0);
    EXPECT_FALSE(context.save(&error));
    EXPECT_TRUE(error.localizedFailureReason().contains(QStringLiteral("in use")))
        << qPrintable(error.toString());
    EXPECT_TRUE(context.hasChanges());
    EXPECT_EQ(fileBytes(path), before);
    ASSERT_EQ(other.exec(QStringLiteral("ROLLBACK")), 0);

    ASSERT_EQ(other.exec(QStringLiteral("BEGIN EXCLUSIVE")), 0);
    // A value that cannot be read now is not taken for nil: the next access reads it.
    ManagedObjectPtr unread = notes.last();
    context.refreshObject(unread, false);
    EXPECT_FALSE(unread->valueForKey(QStringLiteral("noteText")).isValid());
    EXPECT_FALSE(unread->isValueLoaded(QStringLiteral("noteText")));
    Error openError;
    EXPECT_FALSE(
        openCoordinator(path, &openError, 1, withPragma(QStringLiteral("busy_timeout"), 0)));
    EXPECT_FALSE(openError.isNull());
    ASSERT_EQ(other.exec(QStringLiteral("ROLLBACK")), 0);

    EXPECT_EQ(unread->valueForKey(QStringLiteral("noteText")).toString().size(), 500);
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_FALSE(context.hasChanges());
}
