#include "NotesModel.h"
#include "SqlProbe.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace platform;
using namespace datatest;

namespace {

// A version-1 store with one note in one category; returns the note's URI.
QUrl makeStore(const QString& path)
{
    auto coordinator = openCoordinator(path);
    EXPECT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    note->setValue(QStringLiteral("kept"), QStringLiteral("noteTitle"));
    ManagedObjectPtr home = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    note->addRelatedObject(QStringLiteral("categories"), home);
    EXPECT_TRUE(context.save(nullptr));
    return note->objectID().URIRepresentation();
}

} // namespace

TEST(Migration, NewerModelAddsTablesAndColumnsAndKeepsData)
{
    const QString path = storePath();
    const QUrl uri = makeStore(path);
    Error error;
    auto coordinator = openCoordinator(path, &error, 2);
    ASSERT_TRUE(coordinator) << qPrintable(error.toString());

    SqlProbe sql(path);
    EXPECT_TRUE(sql.columns(QStringLiteral("ZNOTE")).contains(QStringLiteral("ZNOTECOLOR")));
    EXPECT_EQ(sql.columns(QStringLiteral("ZATTACHMENT")),
        (QStringList { "Z_PK", "Z_ENT", "Z_OPT", "ZFILENAME" }));
    EXPECT_EQ(sql.value(QStringLiteral("SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = "
                                       "'Attachment'"))
                  .toInt(),
        5);
    EXPECT_EQ(sql.value(QStringLiteral("SELECT count(*) FROM Z_1NOTES")).toInt(), 1);

    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr note = context.existingObjectWithID(
        coordinator->managedObjectIDForURIRepresentation(uri), &error);
    ASSERT_TRUE(note) << qPrintable(error.toString());
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteTitle")).toString(), QStringLiteral("kept"));
    EXPECT_FALSE(note->valueForKey(QStringLiteral("noteColor")).isValid());
    EXPECT_EQ(note->relatedObjects(QStringLiteral("categories")).size(), 1);
    ManagedObjectPtr attachment
        = context.insertNewObjectForEntityForName(QStringLiteral("Attachment"));
    attachment->setValue(QStringLiteral("a.png"), QStringLiteral("fileName"));
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
}

TEST(Migration, StoresThatCannotBeOpenedAreLeftUntouched)
{
    const QString path = storePath();
    makeStore(path);
    ASSERT_TRUE(openCoordinator(path, nullptr, 2));
    const QByteArray migrated = fileBytes(path);

    Error error;
    EXPECT_FALSE(openCoordinator(path, &error, 1));
    EXPECT_EQ(error.code(), PersistentStoreIncompatibleVersionHashError);
    EXPECT_TRUE(error.localizedDescription().contains(QStringLiteral("newer")));
    EXPECT_EQ(fileBytes(path), migrated);

    const QString older = storePath();
    makeStore(older);
    const QByteArray original = fileBytes(older);
    QVariantMap noMigration = storeOptions();
    noMigration.remove(MigratePersistentStoresAutomaticallyOption);
    error = Error();
    EXPECT_FALSE(openCoordinator(older, &error, 2, noMigration));
    EXPECT_EQ(error.code(), PersistentStoreIncompatibleVersionHashError);
    EXPECT_EQ(fileBytes(older), original);
}

TEST(Migration, CopyToNewPlaceLeavesTheOriginalAsItWas)
{
    const QString path = storePath();
    const QUrl uri = makeStore(path);
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr note = context.existingObjectWithID(
        coordinator->managedObjectIDForURIRepresentation(uri), nullptr);
    ASSERT_TRUE(note);
    note->setValue(QStringLiteral("unsaved edit"), QStringLiteral("noteText"));
    const QByteArray original = fileBytes(path);
    const QString uuid = coordinator->persistentStore()->identifier();

    const QString copyPath = storePath(QStringLiteral("copy"));
    QFile::copy(path, copyPath); // something already there is replaced
    Error error;
    auto store = coordinator->migratePersistentStore(
        coordinator->persistentStore(), QUrl::fromLocalFile(copyPath), &error);
    ASSERT_TRUE(store) << qPrintable(error.toString());
    EXPECT_EQ(store->identifier(), uuid);
    EXPECT_EQ(coordinator->persistentStoreForURL(QUrl::fromLocalFile(copyPath)), store);
    EXPECT_FALSE(coordinator->persistentStoreForURL(QUrl::fromLocalFile(path)));
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(fileBytes(path), original);
    EXPECT_EQ(coordinator->managedObjectIDForURIRepresentation(uri), note->objectID());
    EXPECT_EQ(SqlProbe(copyPath).value(QStringLiteral("SELECT ZNOTETEXT FROM ZNOTE")).toString(),
        QStringLiteral("unsaved edit"));
    EXPECT_EQ(
        SqlProbe(copyPath).value(QStringLiteral("SELECT Z_UUID FROM Z_METADATA")).toString(), uuid);

    // A moved file is followed by re-pointing the store at it.
    const QString movedPath = storePath(QStringLiteral("moved"));
    ASSERT_TRUE(QFile::rename(copyPath, movedPath));
    ASSERT_TRUE(coordinator->setURL(QUrl::fromLocalFile(movedPath), store, &error))
        << qPrintable(error.toString());
    note->setValue(QStringLiteral("after the move"), QStringLiteral("noteText"));
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_FALSE(QFileInfo::exists(copyPath));
    EXPECT_EQ(SqlProbe(movedPath).value(QStringLiteral("SELECT ZNOTETEXT FROM ZNOTE")).toString(),
        QStringLiteral("after the move"));
    EXPECT_FALSE(coordinator->setURL(QUrl::fromLocalFile(copyPath), store, &error));
    EXPECT_EQ(store->url(), QUrl::fromLocalFile(movedPath));
    EXPECT_EQ(fileBytes(path), original);
}
