#include "NotesStoreTest.h"

#include "document/BXDefaults.h"
#include "document/model/BXNote.h"

#include "platform/predicate/Predicate.h"

#include <sqlite3.h>

using platform::ManagedObjectPtr;

namespace {

class NoteFlagsTest : public NotesStoreTest {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        NotesStoreTest::SetUp();
    }

    // The notes list's filter: ordinary notes, and whichever spare notes it is told to keep.
    QStringList listed(const QList<ManagedObjectPtr>& kept)
    {
        QVariantList keep;
        for (const ManagedObjectPtr& note : kept)
            keep << QVariant::fromValue(platform::KeyValueRef(note));
        platform::FetchRequest request(BXNote::entityName());
        request.setPredicate(platform::Predicate::predicateWithFormat(
            QStringLiteral("trashFlag = NO OR (self IN %@)"), { QVariant(keep) }));
        QStringList texts;
        const auto notes = context->fetchObjects(request, nullptr);
        for (const ManagedObjectPtr& note : notes.value_or(QList<ManagedObjectPtr>()))
            texts << note->valueForKey(QStringLiteral("noteText")).toString();
        texts.sort();
        return texts;
    }

    qint64 storedCount(const char* sql) const
    {
        sqlite3* db = nullptr;
        qint64 result = -1;
        sqlite3_open_v2(
            storeURL.toLocalFile().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            result = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return result;
    }
};

TEST_F(NoteFlagsTest, FreshNotesPassTheNotesListFilterInMemoryAndInTheStore)
{
    BXNote::NotePtr made = BXNote::newNoteInManagedObjectContext(context.get(), {}, {});
    made->updateNoteText(QStringLiteral("made"));
    ManagedObjectPtr inserted = context->insertNewObjectForEntityForName(BXNote::entityName());
    inserted->setValue(QStringLiteral("inserted"), QStringLiteral("noteText"));
    BXNote::NotePtr copy = BXNote::noteWithNote(made.get(), context.get(), {});
    copy->updateNoteText(QStringLiteral("copy"));
    BXNote::NotePtr spare = BXNote::newEmptyNoteInManagedObjectContext(context.get());
    ASSERT_TRUE(spare);

    const QStringList ordinary { "copy", "inserted", "made" };
    EXPECT_EQ(listed({}), ordinary);
    EXPECT_EQ(listed({ spare }), (QStringList { "", "copy", "inserted", "made" }));

    saveAndReopen();
    EXPECT_EQ(listed({}), ordinary);
    EXPECT_EQ(storedCount("SELECT count(*) FROM ZNOTE WHERE ZTRASHFLAG = 0 AND "
                          "ZLASTIMPORTFLAG = 0 AND ZOMITFLAG = 0 AND ZSELFLAG = 0 AND "
                          "ZWINDOWRULERVISIBLE = 0 AND ZWINDOWTAGSVISIBLE = 0"),
        3);
    EXPECT_EQ(storedCount("SELECT count(*) FROM ZNOTE WHERE ZTRASHFLAG = 1"), 1);
}

} // namespace
