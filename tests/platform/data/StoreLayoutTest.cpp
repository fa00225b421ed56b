#include "NotesModel.h"
#include "SqlProbe.h"

#include "platform/data/StoreMetadata.h"
#include "platform/foundation/ValueTransformer.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

using namespace platform;
using namespace datatest;

namespace {

const QDateTime kCreated = QDateTime::fromMSecsSinceEpoch(1760000000123, Qt::UTC);

ManagedObjectPtr fetchOne(ManagedObjectContext& context, const QString& entity)
{
    FetchRequest request(entity);
    const std::optional<QList<ManagedObjectPtr>> objects = context.fetchObjects(request, nullptr);
    return objects && !objects->isEmpty() ? objects->first() : nullptr;
}

} // namespace

TEST(StoreLayout, SavedValuesAndRelationsComeBackAfterReopening)
{
    const QString path = storePath();
    {
        Error error;
        auto coordinator = openCoordinator(path, &error);
        ASSERT_TRUE(coordinator) << qPrintable(error.toString());
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(coordinator);
        ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
        note->setValue(QStringLiteral("Grüße"), QStringLiteral("noteTitle"));
        note->setValue(QStringLiteral("line one\nline two"), QStringLiteral("noteText"));
        note->setValue(QByteArray("{\\rtf1 \0x}", 10), QStringLiteral("noteStyles"));
        note->setValue(kCreated, QStringLiteral("noteCreated"));
        note->setValue(false, QStringLiteral("trashFlag"));
        note->setValue(qint64(1) << 40, QStringLiteral("label"));
        note->setValue(QStringLiteral("not stored"), QStringLiteral("scratch"));
        ManagedObjectPtr home = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
        home->setValue(QStringLiteral("Home"), QStringLiteral("categoryName"));
        ManagedObjectPtr work = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
        work->setValue(QStringLiteral("Work"), QStringLiteral("categoryName"));
        note->setRelatedObjects(QStringLiteral("categories"), { home, work });
        ManagedObjectPtr all
            = context.insertNewObjectForEntityForName(QStringLiteral("FetchedNotesCategory"));
        all->setValue(QStringLiteral("AllNotesCategory"), QStringLiteral("categoryID"));
        ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
        EXPECT_FALSE(note->objectID().isTemporaryID());
        EXPECT_FALSE(context.hasChanges());
    }
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr note = fetchOne(context, QStringLiteral("Note"));
    ASSERT_TRUE(note);
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteTitle")).toString(), QStringLiteral("Grüße"));
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteText")).toString(),
        QStringLiteral("line one\nline two"));
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteStyles")).toByteArray(),
        QByteArray("{\\rtf1 \0x}", 10));
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteCreated")).toDateTime(), kCreated);
    EXPECT_FALSE(note->valueForKey(QStringLiteral("noteModified")).isValid());
    const QVariant flag = note->valueForKey(QStringLiteral("trashFlag"));
    EXPECT_EQ(flag.typeId(), QMetaType::Bool);
    EXPECT_FALSE(flag.toBool());
    EXPECT_EQ(note->valueForKey(QStringLiteral("label")).toLongLong(), qint64(1) << 40);
    EXPECT_FALSE(note->valueForKey(QStringLiteral("scratch")).isValid());
    QStringList names;
    for (const ManagedObjectPtr& category : note->relatedObjects(QStringLiteral("categories")))
        names << category->valueForKey(QStringLiteral("categoryName")).toString();
    names.sort();
    EXPECT_EQ(names, (QStringList { QStringLiteral("Home"), QStringLiteral("Work") }));

    FetchRequest categories(QStringLiteral("Category"));
    EXPECT_EQ(context.countForFetchRequest(categories, nullptr), 3);
    categories.setIncludesSubentities(false);
    EXPECT_EQ(context.countForFetchRequest(categories, nullptr), 2);
    ManagedObjectPtr all = fetchOne(context, QStringLiteral("FetchedNotesCategory"));
    ASSERT_TRUE(all);
    EXPECT_TRUE(dynamic_cast<TestFetchedCategory*>(all.get()));
    EXPECT_FALSE(all->valueForKey(QStringLiteral("isPlainCategory")).toBool());
}

TEST(StoreLayout, FileUsesTheTableLayoutOfTheFormat)
{
    const QString path = storePath();
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr category = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    note->setValue(kCreated, QStringLiteral("noteCreated"));
    note->setValue(true, QStringLiteral("trashFlag"));
    note->addRelatedObject(QStringLiteral("categories"), category);
    ASSERT_TRUE(context.save(nullptr));
    ManagedObjectPtr fetched
        = context.insertNewObjectForEntityForName(QStringLiteral("FetchedNotesCategory"));
    note->setValue(QStringLiteral("changed"), QStringLiteral("noteText"));
    ASSERT_TRUE(context.save(nullptr));

    SqlProbe sql(path);
    QList<QVariantList> entities = sql.rows(
        QStringLiteral("SELECT Z_ENT, Z_NAME, Z_SUPER, Z_MAX FROM Z_PRIMARYKEY ORDER BY Z_ENT"));
    ASSERT_EQ(entities.size(), 4);
    EXPECT_EQ(entities[0], (QVariantList { 1, QStringLiteral("Category"), 0, 2 }));
    EXPECT_EQ(entities[1], (QVariantList { 2, QStringLiteral("FetchedNotesCategory"), 1, 0 }));
    EXPECT_EQ(entities[2], (QVariantList { 3, QStringLiteral("DocumentPreference"), 0, 0 }));
    EXPECT_EQ(entities[3], (QVariantList { 4, QStringLiteral("Note"), 0, 1 }));
    EXPECT_EQ(sql.columns(QStringLiteral("ZNOTE")),
        (QStringList { "Z_PK", "Z_ENT", "Z_OPT", "ZLABEL", "ZTRASHFLAG", "ZNOTECREATED",
            "ZNOTEMODIFIED", "ZNOTENAME", "ZNOTETEXT", "ZNOTETITLE", "ZNOTESTYLES" }));
    EXPECT_EQ(sql.columns(QStringLiteral("ZCATEGORY")),
        (QStringList {
            "Z_PK", "Z_ENT", "Z_OPT", "ZPOSITION", "ZCATEGORYID", "ZCATEGORYNAME", "ZPREDICATE" }));
    EXPECT_EQ(
        sql.columns(QStringLiteral("Z_1NOTES")), (QStringList { "Z_1CATEGORIES", "Z_4NOTES" }));
    EXPECT_EQ(sql.rows(QStringLiteral("SELECT Z_1CATEGORIES, Z_4NOTES FROM Z_1NOTES")),
        (QList<QVariantList> { { 1, 1 } }));
    EXPECT_EQ(sql.rows(QStringLiteral("SELECT Z_PK, Z_ENT FROM ZCATEGORY ORDER BY Z_PK")),
        (QList<QVariantList> { { 1, 1 }, { 2, 2 } }));
    EXPECT_EQ(
        fetched->objectID().URIRepresentation().path(), QStringLiteral("/FetchedNotesCategory/p2"));
    const QList<QVariantList> row
        = sql.rows(QStringLiteral("SELECT Z_OPT, ZTRASHFLAG, ZNOTECREATED, ZLABEL FROM ZNOTE"));
    ASSERT_EQ(row.size(), 1);
    EXPECT_EQ(row[0][0], QVariant(qint64(2)));
    EXPECT_EQ(row[0][1], QVariant(qint64(1)));
    EXPECT_DOUBLE_EQ(row[0][2].toDouble(), 1760000000.123 - 978307200.0);
    EXPECT_FALSE(row[0][3].isValid());
    EXPECT_EQ(sql.value(QStringLiteral("PRAGMA auto_vacuum")).toInt(), 2);
    EXPECT_EQ(
        sql.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-wal")));
    const QStringList indexes = [&] {
        QStringList names;
        for (const QVariantList& r :
            sql.rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                    "name NOT LIKE 'sqlite_%' ORDER BY name")))
            names << r[0].toString();
        return names;
    }();
    EXPECT_EQ(indexes, (QStringList { "ZCATEGORY_Z_ENT_INDEX", "Z_1NOTES_Z_4NOTES_INDEX" }));

    const QList<QVariantList> metadata
        = sql.rows(QStringLiteral("SELECT Z_VERSION, Z_UUID, Z_PLIST FROM Z_METADATA"));
    ASSERT_EQ(metadata.size(), 1);
    EXPECT_EQ(metadata[0][0].toInt(), 1);
    const QString uuid = metadata[0][1].toString();
    EXPECT_EQ(uuid, uuid.toUpper());
    EXPECT_EQ(uuid.size(), 36);
    EXPECT_EQ(uuid, coordinator->persistentStore()->identifier());
    const std::optional<StoreMetadata> plist
        = StoreMetadata::fromPlist(metadata[0][2].toByteArray());
    ASSERT_TRUE(plist);
    EXPECT_EQ(plist->storeType, QStringLiteral("SQLite"));
    EXPECT_EQ(plist->versionIdentifiers, QStringList { QStringLiteral("1") });
    EXPECT_EQ(plist->entityHashes.size(), 4);
    EXPECT_EQ(plist->entityHashes.value(QStringLiteral("Note")).size(), 32);
}

TEST(StoreLayout, ObjectIDsRoundTripThroughTheirURIs)
{
    const QString path = storePath();
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    ManagedObjectPtr category = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    const QString temporary = note->objectID().URIRepresentation().toString();
    EXPECT_TRUE(temporary.startsWith(QStringLiteral("x-coredata:///Note/t")))
        << qPrintable(temporary);
    EXPECT_EQ(coordinator->managedObjectIDForURIRepresentation(QUrl(temporary)), note->objectID());
    ASSERT_TRUE(context.save(nullptr));

    const QString uuid = coordinator->persistentStore()->identifier();
    const QUrl uri = note->objectID().URIRepresentation();
    // QUrl keeps host names in lower case; resolving ignores the case of the UUID.
    EXPECT_EQ(uri.toString().compare(
                  QStringLiteral("x-coredata://%1/Note/p1").arg(uuid), Qt::CaseInsensitive),
        0);
    const ManagedObjectID id = coordinator->managedObjectIDForURIRepresentation(uri);
    EXPECT_EQ(id, note->objectID());
    EXPECT_EQ(context.existingObjectWithID(id, nullptr), note);

    const QString other = QStringLiteral("0C1E4B52-77A0-4F3D-9E0B-3A6F1D2C8E44");
    const struct {
        const char* name;
        QString uri;
    } rejected[] = {
        { "foreign store", QStringLiteral("x-coredata://%1/Note/p1").arg(other) },
        { "unknown entity", QStringLiteral("x-coredata://%1/Tag/p1").arg(uuid) },
        { "no key", QStringLiteral("x-coredata://%1/Note/p").arg(uuid) },
        { "zero key", QStringLiteral("x-coredata://%1/Note/p0").arg(uuid) },
        { "other scheme", QStringLiteral("https://%1/Note/p1").arg(uuid) },
        { "garbage", QStringLiteral("x-coredata://") },
    };
    for (const auto& entry : rejected) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(coordinator->managedObjectIDForURIRepresentation(QUrl(entry.uri)).isNull());
    }

    // A row of another entity, or one that does not exist, is not an object.
    ManagedObjectContext fresh;
    fresh.setPersistentStoreCoordinator(coordinator);
    const QString wrongEntity = QStringLiteral("x-coredata://%1/Note/p%2")
                                    .arg(uuid)
                                    .arg(category->objectID().primaryKey() + 5);
    Error error;
    EXPECT_FALSE(fresh.existingObjectWithID(
        coordinator->managedObjectIDForURIRepresentation(QUrl(wrongEntity)), &error));
    EXPECT_FALSE(error.isNull());
    const ManagedObjectID categoryAsNote = coordinator->managedObjectIDForURIRepresentation(
        QUrl(QStringLiteral("x-coredata://%1/DocumentPreference/p%2")
                 .arg(uuid)
                 .arg(category->objectID().primaryKey())));
    EXPECT_FALSE(fresh.existingObjectWithID(categoryAsNote, nullptr));
}

TEST(StoreLayout, StoreWrittenByAnotherProgramOpens)
{
    const QString path = storePath();
    {
        SqlProbe sql(path);
        StoreMetadata metadata;
        metadata.storeType = QStringLiteral("SQLite");
        metadata.versionIdentifiers = { QString() };
        metadata.entityHashes.insert(QStringLiteral("Note"), QByteArray(32, 'x'));
        const QByteArray plist = metadata.toPlist();
        // Alphabetical entity numbers, an extra column and table, the join table named from
        // the other side, and Z_MAX left behind by the writer.
        ASSERT_EQ(sql.exec(QStringLiteral(R"(
            CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER);
            INSERT INTO Z_PRIMARYKEY VALUES (1,'Category',0,2),(2,'DocumentPreference',0,0),
                                            (3,'FetchedNotesCategory',1,0),(4,'Note',0,1),(5,'Gone',0,0);
            CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB);
            CREATE TABLE ZCATEGORY (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,
                ZPOSITION INTEGER, ZCATEGORYID VARCHAR, ZCATEGORYNAME VARCHAR, ZPREDICATE BLOB);
            CREATE TABLE ZDOCUMENTPREFERENCE (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,
                ZPREFBOOLEAN INTEGER, ZPREFNAME VARCHAR, ZPREFTYPE VARCHAR, ZPREFBLOB BLOB);
            CREATE TABLE ZNOTE (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,
                ZLABEL INTEGER, ZTRASHFLAG INTEGER, ZEXTRA INTEGER, ZNOTECREATED TIMESTAMP,
                ZNOTEMODIFIED TIMESTAMP, ZNOTENAME VARCHAR, ZNOTETEXT VARCHAR, ZNOTETITLE VARCHAR,
                ZNOTESTYLES BLOB);
            CREATE TABLE Z_4CATEGORIES (Z_4NOTES INTEGER, Z_1CATEGORIES INTEGER,
                PRIMARY KEY (Z_4NOTES, Z_1CATEGORIES));
            CREATE TABLE ZSOMETHINGELSE (A INTEGER);
            INSERT INTO ZCATEGORY VALUES (1, 1, 1, 0, NULL, 'Home', NULL), (2, 3, 1, 0, 'NoCategory', 'No Category', NULL);
            INSERT INTO ZNOTE VALUES (1, 4, 3, 5, 0, 99, 782462928.5, NULL, NULL, 'text', 'Title', X'7B5C727466317D');
            INSERT INTO Z_4CATEGORIES VALUES (1, 1);
        )")),
            0);
        ASSERT_EQ(sql.exec(QStringLiteral("INSERT INTO Z_METADATA VALUES (1, "
                                          "'0C1E4B52-77A0-4F3D-9E0B-3A6F1D2C8E44', X'%1')")
                               .arg(QString::fromLatin1(plist.toHex()))),
            0);
    }
    Error error;
    auto coordinator = openCoordinator(path, &error);
    ASSERT_TRUE(coordinator) << qPrintable(error.toString());
    EXPECT_EQ(coordinator->persistentStore()->identifier(),
        QStringLiteral("0C1E4B52-77A0-4F3D-9E0B-3A6F1D2C8E44"));
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr note = fetchOne(context, QStringLiteral("Note"));
    ASSERT_TRUE(note);
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteTitle")).toString(), QStringLiteral("Title"));
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteCreated")).toDateTime().toSecsSinceEpoch(),
        782462928 + 978307200);
    EXPECT_EQ(
        note->valueForKey(QStringLiteral("noteStyles")).toByteArray(), QByteArray("{\\rtf1}"));
    const QList<ManagedObjectPtr> categories = note->relatedObjects(QStringLiteral("categories"));
    ASSERT_EQ(categories.size(), 1);
    EXPECT_EQ(categories[0]->valueForKey(QStringLiteral("categoryName")).toString(),
        QStringLiteral("Home"));
    ManagedObjectPtr smart = fetchOne(context, QStringLiteral("FetchedNotesCategory"));
    ASSERT_TRUE(smart);
    EXPECT_EQ(
        smart->objectID().URIRepresentation().path(), QStringLiteral("/FetchedNotesCategory/p2"));

    // Writing keeps to the file's own numbering and join table.
    ManagedObjectPtr work = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    note->addRelatedObject(QStringLiteral("categories"), work);
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(work->objectID().primaryKey(), 3);
    SqlProbe sql(path);
    EXPECT_EQ(sql.rows(QStringLiteral("SELECT Z_4NOTES, Z_1CATEGORIES FROM Z_4CATEGORIES ORDER "
                                      "BY Z_1CATEGORIES")),
        (QList<QVariantList> { { 1, 1 }, { 1, 3 } }));
    EXPECT_EQ(sql.value(QStringLiteral("SELECT ZEXTRA FROM ZNOTE")).toInt(), 99);
    EXPECT_EQ(sql.value(QStringLiteral("SELECT Z_OPT FROM ZNOTE")).toInt(), 4);
}

namespace {

// Stores a string list as its lines, so the stored bytes are easy to check.
class ListTransformer final : public ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override
    {
        return value.toStringList().join(QLatin1Char('\n')).toUtf8();
    }
    QVariant reverseTransformedValue(const QVariant& value) const override
    {
        return QString::fromUtf8(value.toByteArray()).split(QLatin1Char('\n'));
    }
    bool allowsReverseTransformation() const override { return true; }
};

} // namespace

TEST(StoreLayout, TransformableValuesGoThroughTheirNamedTransformer)
{
    const QString name = QStringLiteral("TestListTransformer");
    ValueTransformer::setValueTransformer(std::make_shared<ListTransformer>(), name);
    const QString path = storePath();
    {
        auto coordinator = openCoordinator(path);
        ASSERT_TRUE(coordinator);
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(coordinator);
        ManagedObjectPtr smart
            = context.insertNewObjectForEntityForName(QStringLiteral("FetchedNotesCategory"));
        smart->setValue(QStringList { "a", "b" }, QStringLiteral("predicate"));
        ASSERT_TRUE(context.save(nullptr));
    }
    EXPECT_EQ(SqlProbe(path).value(QStringLiteral("SELECT ZPREDICATE FROM ZCATEGORY")),
        QVariant(QByteArray("a\nb")));

    auto coordinator = openCoordinator(path);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr smart = fetchOne(context, QStringLiteral("FetchedNotesCategory"));
    ASSERT_TRUE(smart);
    EXPECT_EQ(
        smart->valueForKey(QStringLiteral("predicate")).toStringList(), (QStringList { "a", "b" }));

    // Without the transformer the stored bytes come through unchanged and are not rewritten.
    ValueTransformer::setValueTransformer(nullptr, name);
    ManagedObjectContext raw;
    raw.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr bytes = fetchOne(raw, QStringLiteral("FetchedNotesCategory"));
    EXPECT_EQ(bytes->valueForKey(QStringLiteral("predicate")).toByteArray(), QByteArray("a\nb"));
    bytes->setValue(QStringLiteral("Renamed"), QStringLiteral("categoryName"));
    ASSERT_TRUE(raw.save(nullptr));
    EXPECT_EQ(SqlProbe(path).value(QStringLiteral("SELECT ZPREDICATE FROM ZCATEGORY")),
        QVariant(QByteArray("a\nb")));
}
