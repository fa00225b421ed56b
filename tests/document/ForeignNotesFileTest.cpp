#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

#include <plist/plist.h>
#include <sqlite3.h>

#include <cstdlib>

using namespace notesfiletest;
using platform::Error;
using platform::SaveOperation;

namespace {

// The metadata another program keeps in its notes files: its own hashes and version keys, and
// a key of its own that this program knows nothing about.
QByteArray foreignMetadata()
{
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "NSStoreType", plist_new_string("SQLite"));
    plist_t identifiers = plist_new_array();
    plist_array_append_item(identifiers, plist_new_string("Version 7"));
    plist_dict_set_item(root, "NSStoreModelVersionIdentifiers", identifiers);
    plist_t hashes = plist_new_dict();
    for (const char* entity : { "Category", "DocumentPreference", "FetchedNotesCategory", "Note" })
        plist_dict_set_item(hashes, entity, plist_new_data(QByteArray(32, '\x5a').constData(), 32));
    plist_dict_set_item(root, "NSStoreModelVersionHashes", hashes);
    plist_dict_set_item(root, "NSStoreModelVersionHashesVersion", plist_new_uint(3));
    plist_dict_set_item(root, "NSPersistenceFrameworkVersion", plist_new_uint(1518));
    plist_dict_set_item(root, "NSStoreModelVersionChecksumKey",
        plist_new_string("bXlPd25DaGVja3N1bU9mVGhpcnR5VHdvQnl0ZXNIZXJlIQ=="));
    plist_t sync = plist_new_dict();
    plist_dict_set_item(sync, "lastSync", plist_new_real(782462928.5));
    plist_dict_set_item(root, "com.example.sync", sync);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    const QByteArray result(bytes, qsizetype(length));
    std::free(bytes);
    plist_free(root);
    return result;
}

// Each top-level key of a binary property list with its value written out as XML.
QMap<QString, QByteArray> entries(const QByteArray& plist)
{
    QMap<QString, QByteArray> result;
    plist_t root = nullptr;
    plist_from_bin(plist.constData(), uint32_t(plist.size()), &root);
    if (!root)
        return result;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(root, &iterator);
    for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(root, iterator, &key, &item);
        if (!key)
            break;
        char* xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(item, &xml, &length);
        result.insert(QString::fromUtf8(key), QByteArray(xml, qsizetype(length)));
        std::free(xml);
        std::free(key);
    }
    std::free(iterator);
    plist_free(root);
    return result;
}

bool exec(sqlite3* db, const QString& sql)
{
    char* message = nullptr;
    const bool ok
        = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK;
    if (!ok)
        ADD_FAILURE() << message;
    sqlite3_free(message);
    return ok;
}

// A notes package as another program writes it: the full table layout (without
// `withoutColumn` when given), one note in one category, and foreign metadata.
void writeForeignPackage(
    const QString& package, const QString& journalMode, const QString& withoutColumn = {})
{
    ASSERT_TRUE(QDir().mkpath(package + QStringLiteral("/StoreContent")));
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open(
            (package + QStringLiteral("/StoreContent/persistentStore")).toUtf8().constData(), &db),
        SQLITE_OK);
    QString schema = QStringLiteral(R"(
        PRAGMA journal_mode = %1;
        CREATE TABLE ZCATEGORY ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,
          ZPOSITION INTEGER, ZCATEGORYID VARCHAR, ZCATEGORYNAME VARCHAR, ZPREDICATE BLOB );
        CREATE TABLE ZDOCUMENTPREFERENCE ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,
          ZPREFBOOLEAN INTEGER, ZPREFINTEGER INTEGER, ZPREFNAME VARCHAR, ZPREFSTRING VARCHAR,
          ZPREFTYPE VARCHAR, ZPREFBLOB BLOB, ZPREFPICT BLOB );
        CREATE TABLE ZNOTE ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,
          ZLABEL INTEGER, ZLASTIMPORTFLAG INTEGER, ZOMITFLAG INTEGER, ZSELFLAG INTEGER,
          ZTRASHFLAG INTEGER, ZWINDOWRULERVISIBLE INTEGER, ZWINDOWTAGSVISIBLE INTEGER,
          ZNOTECREATED TIMESTAMP, ZNOTEMODIFIED TIMESTAMP, ZNOTENAME VARCHAR, ZNOTETEXT VARCHAR,
          ZNOTETITLE VARCHAR, ZSELECTEDRANGESTRING VARCHAR, ZWINDOWFRAMESTRING VARCHAR,
          ZNOTESTYLES BLOB );
        CREATE TABLE Z_1NOTES ( Z_1CATEGORIES INTEGER, Z_4NOTES INTEGER,
          PRIMARY KEY (Z_1CATEGORIES, Z_4NOTES) );
        CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER,
          Z_MAX INTEGER);
        CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB);
        CREATE TABLE Z_MODELCACHE (Z_CONTENT BLOB);
        CREATE INDEX ZCATEGORY_Z_ENT_INDEX ON ZCATEGORY (Z_ENT);
        CREATE INDEX Z_1NOTES_Z_4NOTES_INDEX ON Z_1NOTES (Z_4NOTES, Z_1CATEGORIES);
        INSERT INTO Z_PRIMARYKEY VALUES (1,'Category',0,1),(2,'FetchedNotesCategory',1,0),
                                        (3,'DocumentPreference',0,0),(4,'Note',0,1);
        INSERT INTO ZCATEGORY (Z_PK, Z_ENT, Z_OPT, ZPOSITION, ZCATEGORYNAME)
          VALUES (1, 1, 1, 0, 'Home');
        INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZTRASHFLAG, ZNOTECREATED, ZNOTEMODIFIED, ZNOTETEXT,
          ZNOTETITLE) VALUES (1, 4, 1, 0, 782462928.5, 782462928.5, 'Shopping list', 'Shopping list');
        INSERT INTO Z_1NOTES VALUES (1, 1);
    )")
                         .arg(journalMode);
    if (!withoutColumn.isEmpty())
        schema.replace(
            QRegularExpression(QStringLiteral("\\b%1 [A-Z]+,\\s*").arg(withoutColumn)), QString());
    EXPECT_TRUE(exec(db, schema));
    EXPECT_TRUE(exec(db,
        QStringLiteral("INSERT INTO Z_METADATA VALUES (1, "
                       "'0C1E4B52-77A0-4F3D-9E0B-3A6F1D2C8E44', X'%1')")
            .arg(QString::fromLatin1(foreignMetadata().toHex()))));
    sqlite3_close(db);
}

QByteArray storedMetadata(const QString& package)
{
    sqlite3* db = nullptr;
    QByteArray result;
    if (sqlite3_open_v2(
            (package + QStringLiteral("/StoreContent/persistentStore")).toUtf8().constData(), &db,
            SQLITE_OPEN_READONLY, nullptr)
        == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT Z_PLIST FROM Z_METADATA", -1, &statement, nullptr);
        if (statement && sqlite3_step(statement) == SQLITE_ROW)
            result = QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, 0)),
                sqlite3_column_bytes(statement, 0));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

class ForeignNotesFileTest : public ::testing::Test {
protected:
    void SetUp() override { BXDefaults::registerDefaults(); }

    QString folder = bxtest::makeTempFolder();
};

TEST_F(ForeignNotesFileTest, OpeningAndClosingLeavesEveryByteAsItWas)
{
    for (const QString journalMode : { QStringLiteral("DELETE"), QStringLiteral("WAL") }) {
        SCOPED_TRACE(journalMode.toStdString());
        const QUrl url = packageURL(folder, journalMode + QStringLiteral(".brindlex"));
        writeForeignPackage(url.toLocalFile(), journalMode);
        const auto before = snapshot(url.toLocalFile());

        Error error;
        std::unique_ptr<NotesFile> document = open(url, &error);
        ASSERT_TRUE(document) << error.toString().toStdString();
        EXPECT_EQ(titles(*document), QStringList { QStringLiteral("Shopping list") });
        const auto found = document->managedObjectContext()->fetchObjects(
            platform::FetchRequest(BXNote::entityName()), nullptr);
        ASSERT_TRUE(found && found->size() == 1);
        EXPECT_EQ(found->first()->relatedObjects(QStringLiteral("categories")).size(), 1);
        document->close();
        document.reset();

        EXPECT_EQ(snapshot(url.toLocalFile()), before);
    }
}

TEST_F(ForeignNotesFileTest, SavesAndMigrationsKeepTheOtherProgramsMetadata)
{
    const QMap<QString, QByteArray> foreign = entries(foreignMetadata());
    const struct {
        const char* name;
        QString journalMode;
        QString missingColumn; // a migration adds it on open
    } cases[] = {
        { "save", QStringLiteral("DELETE"), {} },
        { "save of a WAL file", QStringLiteral("WAL"), {} },
        { "migration", QStringLiteral("DELETE"), QStringLiteral("ZWINDOWTAGSVISIBLE") },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        const QUrl url = packageURL(folder, QString::fromUtf8(entry.name) + ".brindlex");
        writeForeignPackage(url.toLocalFile(), entry.journalMode, entry.missingColumn);

        Error error;
        std::unique_ptr<NotesFile> document = open(url, &error);
        ASSERT_TRUE(document) << error.toString().toStdString();
        if (!entry.missingColumn.isEmpty()) {
            const QMap<QString, QByteArray> migrated = entries(storedMetadata(url.toLocalFile()));
            for (auto it = foreign.cbegin(); it != foreign.cend(); ++it)
                EXPECT_EQ(migrated.value(it.key()), it.value()) << it.key().toStdString();
            EXPECT_TRUE(migrated.contains(QStringLiteral("BXModelVersion")));
        }
        addNote(*document, QStringLiteral("Added here"));
        ASSERT_TRUE(save(*document, url, SaveOperation::Save).isNull());
        document->close();
        document.reset();

        const QMap<QString, QByteArray> saved = entries(storedMetadata(url.toLocalFile()));
        for (auto it = foreign.cbegin(); it != foreign.cend(); ++it)
            EXPECT_EQ(saved.value(it.key()), it.value()) << it.key().toStdString();
        EXPECT_TRUE(saved.contains(QStringLiteral("BXModelVersion")));
        EXPECT_EQ(saved.size(), foreign.size() + 1);

        document = open(url, &error);
        ASSERT_TRUE(document) << error.toString().toStdString();
        EXPECT_EQ(titles(*document),
            (QStringList { QStringLiteral("Added here"), QStringLiteral("Shopping list") }));
        document->close();
    }
}

} // namespace
