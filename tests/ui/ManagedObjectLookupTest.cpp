#include "ui/BXGlobalConstants.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace platform;

namespace {

std::shared_ptr<PersistentStoreCoordinator> openStore(const QString& folder)
{
    auto model = std::make_shared<ManagedObjectModel>();
    model->addEntity(QStringLiteral("Item"))
        .addAttribute(QStringLiteral("title"), AttributeDescription::Type::String);
    EXPECT_TRUE(model->finish());
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(model);
    Error error;
    EXPECT_TRUE(coordinator->addPersistentStore(SQLiteStoreType,
        QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("store"))), {}, &error))
        << qPrintable(error.toString());
    return coordinator;
}

ManagedObjectPtr insertItem(ManagedObjectContext& context, const QString& title)
{
    ManagedObjectPtr item = context.insertNewObjectForEntityForName(QStringLiteral("Item"));
    item->setValue(title, QStringLiteral("title"));
    return item;
}

} // namespace

TEST(ManagedObjectLookup, SavedRecordsAreFoundInAnotherContextAndTheRestAreSkipped)
{
    const auto coordinator = openStore(bxtest::makeTempFolder());
    ManagedObjectContext main;
    main.setPersistentStoreCoordinator(coordinator);
    ManagedObjectContext other;
    other.setPersistentStoreCoordinator(coordinator);

    const ManagedObjectPtr kept = insertItem(main, QStringLiteral("kept"));
    const ManagedObjectPtr removed = insertItem(main, QStringLiteral("removed"));
    const ManagedObjectPtr last = insertItem(main, QStringLiteral("last"));
    ASSERT_TRUE(main.save(nullptr));
    main.deleteObject(removed);
    ASSERT_TRUE(main.save(nullptr));
    const ManagedObjectPtr unsaved = insertItem(main, QStringLiteral("unsaved"));

    const ManagedObjectPtr found = BXGlobalConstants::getManagedObject(kept, &other);
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found, kept);
    EXPECT_EQ(found->managedObjectContext(), &other);
    EXPECT_EQ(found->objectID(), kept->objectID());
    EXPECT_EQ(found->valueForKey(QStringLiteral("title")).toString(), QStringLiteral("kept"));

    EXPECT_EQ(BXGlobalConstants::getManagedObject(removed, &other), nullptr);
    EXPECT_EQ(BXGlobalConstants::getManagedObject(unsaved, &other), nullptr);
    EXPECT_EQ(BXGlobalConstants::getManagedObject(nullptr, &other), nullptr);
    EXPECT_EQ(BXGlobalConstants::getManagedObject(kept, nullptr), nullptr);

    const QList<ManagedObjectPtr> all
        = BXGlobalConstants::getManagedObjects({ last, removed, unsaved, kept }, &other);
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0]->objectID(), last->objectID());
    EXPECT_EQ(all[1], found);
}

TEST(ManagedObjectLookup, RecordsOfAnotherStoreOrAContextWithoutOneAreNotFound)
{
    const auto first = openStore(bxtest::makeTempFolder());
    const auto second = openStore(bxtest::makeTempFolder());
    ManagedObjectContext source;
    source.setPersistentStoreCoordinator(first);
    const ManagedObjectPtr item = insertItem(source, QStringLiteral("item"));
    ASSERT_TRUE(source.save(nullptr));
    ManagedObjectContext elsewhere;
    elsewhere.setPersistentStoreCoordinator(second);
    insertItem(elsewhere, QStringLiteral("same primary key"));
    ASSERT_TRUE(elsewhere.save(nullptr));

    EXPECT_EQ(BXGlobalConstants::getManagedObject(item, &elsewhere), nullptr);
    ManagedObjectContext storeless;
    EXPECT_EQ(BXGlobalConstants::getManagedObject(item, &storeless), nullptr);
}
