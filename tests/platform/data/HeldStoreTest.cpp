#include "NotesModel.h"
#include "SqlProbe.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTest>

using namespace platform;
using namespace datatest;

namespace {

const QString kText500 = QStringLiteral("length(ZNOTETEXT) = 500");

// A store of `count` notes of 500 letters whose statements would wait ten minutes for a lock,
// so that a wait on the main thread hangs the test.
std::shared_ptr<PersistentStoreCoordinator> heldStoreCoordinator(const QString& path, int count)
{
    QVariantMap options = storeOptions();
    QVariantMap pragmas = options.value(SQLitePragmasOption).toMap();
    pragmas.insert(QStringLiteral("busy_timeout"), 600000);
    options.insert(SQLitePragmasOption, pragmas);
    auto coordinator = openCoordinator(path, nullptr, 1, options);
    if (!coordinator)
        return nullptr;
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    for (int i = 0; i < count; ++i) {
        ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
        note->setValue(QString(500, QLatin1Char('a' + i)), QStringLiteral("noteText"));
    }
    return context.save(nullptr) ? coordinator : nullptr;
}

} // namespace

TEST(HeldStore, TheMainThreadGivesUpAtOnceKeepsItsChangesAndSavesOnceTheLockIsGone)
{
    const QString path = storePath();
    auto coordinator = heldStoreCoordinator(path, 2);
    ASSERT_TRUE(coordinator);
    const std::shared_ptr<PersistentStore> store = coordinator->persistentStore();
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    const auto notes = context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr).value();
    notes.first()->setValue(QStringLiteral("edit"), QStringLiteral("noteText"));

    SqlProbe other(path);
    ASSERT_EQ(other.exec(QStringLiteral("PRAGMA busy_timeout = 10000")), 0);
    ASSERT_EQ(other.exec(QStringLiteral("BEGIN EXCLUSIVE")), 0);
    for (const char* attempt : { "first save", "save while busy" }) {
        SCOPED_TRACE(attempt);
        Error error;
        EXPECT_FALSE(context.save(&error));
        EXPECT_TRUE(error.localizedFailureReason().contains(QStringLiteral("in use")))
            << qPrintable(error.toString());
        EXPECT_TRUE(store->isBusy());
        EXPECT_TRUE(context.hasChanges());
    }
    // Fetches answer from the notes read before and those added since.
    context.insertNewObjectForEntityForName(QStringLiteral("Note"))
        ->setValue(QStringLiteral("added"), QStringLiteral("noteText"));
    FetchRequest edited(QStringLiteral("Note"));
    edited.setPredicate(Predicate::predicateWithFormat(QStringLiteral("noteText = 'edit'")));
    for (const auto& [request, count] :
        { std::pair { FetchRequest(QStringLiteral("Note")), 3 }, std::pair { edited, 1 } }) {
        Error error;
        const auto shown = context.fetchObjects(request, &error);
        ASSERT_TRUE(shown) << qPrintable(error.toString());
        EXPECT_EQ(shown->size(), count);
        EXPECT_EQ(context.countForFetchRequest(request, &error), count)
            << qPrintable(error.toString());
    }
    ASSERT_EQ(other.exec(QStringLiteral("ROLLBACK")), 0);

    EXPECT_TRUE(QTest::qWaitFor([&] { return !store->isBusy(); }, 10000));
    Error error;
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(SqlProbe(path).value(QStringLiteral("SELECT count(*) FROM ZNOTE WHERE ZNOTETEXT "
                                                  "IN ('edit', 'added')")),
        2);
}

// A termination copies a held store elsewhere and saves its changes there; what the holder
// has begun to write but not committed stays out of the copy.
TEST(HeldStore, ACopyTakesTheFileAsItWasBeforeTheHoldersUnfinishedWrites)
{
    for (const bool holderWrites : { false, true }) {
        SCOPED_TRACE(holderWrites ? "midway through writing" : "held without writing");
        const QString path = storePath();
        auto coordinator = heldStoreCoordinator(path, 3);
        ASSERT_TRUE(coordinator);
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(coordinator);
        const auto notes
            = context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr).value();
        notes.first()->setValue(QStringLiteral("kept"), QStringLiteral("noteText"));

        SqlProbe other(path);
        ASSERT_EQ(other.exec(QStringLiteral("PRAGMA busy_timeout = 10000")), 0);
        ASSERT_EQ(other.exec(QStringLiteral("PRAGMA cache_size = 1")), 0);
        ASSERT_EQ(other.exec(QStringLiteral("BEGIN EXCLUSIVE")), 0);
        if (holderWrites) {
            const QByteArray before = fileBytes(path);
            // More pages than the holder's cache takes, so some reach the file before a commit.
            ASSERT_EQ(other.exec(QStringLiteral("UPDATE ZNOTE SET ZNOTETEXT = "
                                                "hex(randomblob(100000))")),
                0);
            ASSERT_NE(fileBytes(path), before) << "the holder's writes stayed in its cache";
            ASSERT_TRUE(QFileInfo::exists(path + QStringLiteral("-journal")));
        }

        const QString copy = storePath(QStringLiteral("copy"));
        Error error;
        ASSERT_TRUE(coordinator->persistentStore()->migrateToURL(QUrl::fromLocalFile(copy), &error))
            << qPrintable(error.toString());
        ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
        ASSERT_EQ(other.exec(QStringLiteral("ROLLBACK")), 0);

        SqlProbe copied(copy);
        EXPECT_EQ(copied.value(QStringLiteral("SELECT count(*) FROM ZNOTE WHERE ") + kText500), 2);
        EXPECT_EQ(copied.value(QStringLiteral("SELECT ZNOTETEXT FROM ZNOTE WHERE ZNOTETEXT = "
                                              "'kept'")),
            QStringLiteral("kept"));
        EXPECT_EQ(copied.value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        EXPECT_FALSE(QFileInfo::exists(copy + QStringLiteral("-journal")));
        EXPECT_EQ(
            SqlProbe(path).value(QStringLiteral("SELECT count(*) FROM ZNOTE WHERE ") + kText500),
            3);
    }
}
