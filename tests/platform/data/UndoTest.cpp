#include "NotesModel.h"
#include "SqlProbe.h"

#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace datatest;

namespace {

const QString kTitle = QStringLiteral("noteTitle");
const QString kCategories = QStringLiteral("categories");
const QString kNotes = QStringLiteral("notes");

class UndoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = storePath();
        coordinator = openCoordinator(path);
        ASSERT_TRUE(coordinator);
        context.setPersistentStoreCoordinator(coordinator);
        context.setUndoManager(&undo);
    }

    // Ends the current turn of the event loop, which closes the open undo group.
    void endOfTurn() { scheduler.runUntilIdle(); }

    FakeScheduler scheduler;
    UndoManager undo;
    QString path;
    std::shared_ptr<PersistentStoreCoordinator> coordinator;
    ManagedObjectContext context;
};

} // namespace

TEST_F(UndoTest, InsertAttributeAndRelationshipChangesUndoAndRedo)
{
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    const ManagedObjectID id = note->objectID();
    endOfTurn();
    undo.undo();
    EXPECT_TRUE(note->isDeleted());
    EXPECT_TRUE(context.insertedObjects().isEmpty());
    EXPECT_FALSE(context.hasChanges());
    undo.redo();
    EXPECT_FALSE(note->isDeleted());
    EXPECT_EQ(note->objectID(), id);
    EXPECT_EQ(context.insertedObjects(), QList<ManagedObjectPtr> { note });

    note->setValue(QStringLiteral("first"), kTitle);
    ManagedObjectPtr home = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    ASSERT_TRUE(context.save(nullptr));
    endOfTurn();

    note->setValue(QStringLiteral("second"), kTitle);
    endOfTurn();
    note->addRelatedObject(kCategories, home);
    endOfTurn();

    undo.undo();
    EXPECT_TRUE(note->relatedObjects(kCategories).isEmpty());
    EXPECT_TRUE(home->relatedObjects(kNotes).isEmpty());
    undo.undo();
    EXPECT_EQ(note->valueForKey(kTitle).toString(), QStringLiteral("first"));
    undo.redo();
    EXPECT_EQ(note->valueForKey(kTitle).toString(), QStringLiteral("second"));
    undo.redo();
    EXPECT_EQ(note->relatedObjects(kCategories), QList<ManagedObjectPtr> { home });
    EXPECT_EQ(home->relatedObjects(kNotes), QList<ManagedObjectPtr> { note });
}

TEST_F(UndoTest, UndoingADeleteBringsBackTheSameObjectWithItsRelations)
{
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    note->setValue(QStringLiteral("keep me"), kTitle);
    note->setValue(QByteArray(3000, 's'), QStringLiteral("noteStyles"));
    ManagedObjectPtr home = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    ManagedObjectPtr work = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    note->setRelatedObjects(kCategories, { home, work });
    ASSERT_TRUE(context.save(nullptr));
    const ManagedObjectID id = note->objectID();
    const qint64 key = id.primaryKey();
    endOfTurn();
    undo.removeAllActions();

    for (const bool saveInBetween : { false, true }) {
        SCOPED_TRACE(saveInBetween ? "delete saved before the undo" : "delete not saved");
        context.deleteObject(note);
        endOfTurn();
        EXPECT_TRUE(home->relatedObjects(kNotes).isEmpty());
        if (saveInBetween) {
            ASSERT_TRUE(context.save(nullptr));
            EXPECT_EQ(
                SqlProbe(path).value(QStringLiteral("SELECT count(*) FROM ZNOTE")).toInt(), 0);
        }
        undo.undo();
        EXPECT_FALSE(note->isDeleted());
        EXPECT_EQ(note->objectID(), id);
        EXPECT_EQ(note->managedObjectContext(), &context);
        EXPECT_EQ(home->relatedObjects(kNotes), QList<ManagedObjectPtr> { note });
        EXPECT_EQ(work->relatedObjects(kNotes), QList<ManagedObjectPtr> { note });
        EXPECT_EQ(note->relatedObjects(kCategories).size(), 2);
        ASSERT_TRUE(context.save(nullptr));
        EXPECT_EQ(note->objectID().primaryKey(), key);

        SqlProbe sql(path);
        EXPECT_EQ(
            sql.rows(QStringLiteral("SELECT Z_PK, ZNOTETITLE, length(ZNOTESTYLES) FROM ZNOTE")),
            (QList<QVariantList> { { key, QStringLiteral("keep me"), 3000 } }));
        EXPECT_EQ(
            sql.value(QStringLiteral("SELECT count(*) FROM Z_1NOTES WHERE Z_4NOTES = %1").arg(key))
                .toInt(),
            2);
        undo.removeAllActions();
    }
}

TEST_F(UndoTest, ChangesWithRegistrationDisabledAreNeverRecorded)
{
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    ManagedObjectPtr home = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    ASSERT_TRUE(context.save(nullptr));
    endOfTurn();
    undo.removeAllActions();

    context.processPendingChanges();
    undo.disableUndoRegistration();
    note->setValue(QStringLiteral("derived title"), kTitle);
    note->setPrimitiveValue(QStringLiteral("primitive"), QStringLiteral("noteText"));
    note->addRelatedObject(kCategories, home);
    ManagedObjectPtr spare = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    context.deleteObject(home);
    context.processPendingChanges();
    undo.enableUndoRegistration();
    endOfTurn();

    EXPECT_FALSE(undo.canUndo());
    EXPECT_TRUE(context.hasChanges());

    // Without an undo manager nothing is recorded either.
    context.setUndoManager(nullptr);
    note->setValue(QStringLiteral("no manager"), kTitle);
    endOfTurn();
    EXPECT_FALSE(undo.canUndo());
}
