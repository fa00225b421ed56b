#include "NotesModel.h"
#include "SqlProbe.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/predicate/Expression.h"
#include "platform/predicate/ValueComparison.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QSignalSpy>

using namespace platform;
using namespace datatest;

namespace {

const QString kNote = QStringLiteral("Note");
const QString kCategory = QStringLiteral("Category");

QList<ManagedObjectPtr> fetch(ManagedObjectContext& context, const QString& entity,
    const QString& format = {}, const QVariantList& args = {}, Error* error = nullptr)
{
    FetchRequest request(entity);
    if (!format.isEmpty()) {
        Error parseError;
        request.setPredicate(Predicate::predicateWithFormat(format, args, &parseError));
        EXPECT_TRUE(request.predicate()) << qPrintable(parseError.toString());
    }
    return context.fetchObjects(request, error).value_or(QList<ManagedObjectPtr>());
}

QStringList titles(const QList<ManagedObjectPtr>& notes)
{
    QStringList result;
    for (const ManagedObjectPtr& note : notes)
        result << note->valueForKey(QStringLiteral("noteTitle")).toString();
    return result;
}

// Records the objects-did-change and did-save notifications of one context.
struct NotificationLog {
    explicit NotificationLog(const ManagedObjectContext* context)
    {
        NotificationCenter::defaultCenter().addObserver(
            this, {}, context, [this](const Notification& notification) {
                if (notification.name == ManagedObjectContext::ObjectsDidChangeNotification
                    || notification.name == ManagedObjectContext::DidSaveNotification)
                    received.append(notification);
            });
    }
    ~NotificationLog() { NotificationCenter::defaultCenter().removeObserver(this); }
    QList<Notification> received;
};

int countIn(const Notification& notification, const QString& key)
{
    return int(notification.userInfo.value(key).toList().size());
}

class ContextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = storePath();
        coordinator = openCoordinator(path);
        ASSERT_TRUE(coordinator);
        context.setPersistentStoreCoordinator(coordinator);
    }

    ManagedObjectPtr addNote(
        ManagedObjectContext& into, const QString& title, const QByteArray& styles = {})
    {
        ManagedObjectPtr note = into.insertNewObjectForEntityForName(kNote);
        note->setValue(title, QStringLiteral("noteTitle"));
        note->setValue(title + QStringLiteral(" text"), QStringLiteral("noteText"));
        note->setValue(false, QStringLiteral("trashFlag"));
        if (!styles.isEmpty())
            note->setValue(styles, QStringLiteral("noteStyles"));
        return note;
    }

    QString path;
    std::shared_ptr<PersistentStoreCoordinator> coordinator;
    ManagedObjectContext context;
};

} // namespace

TEST_F(ContextTest, OneObjectPerIDAndFaultsLoadOnFirstAccess)
{
    addNote(context, QStringLiteral("A"), QByteArray(6000, 'r'));
    ASSERT_TRUE(context.save(nullptr));

    ManagedObjectContext reader;
    reader.setPersistentStoreCoordinator(coordinator);
    const QList<ManagedObjectPtr> first = fetch(reader, kNote);
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(fetch(reader, kNote).first(), first.first());
    EXPECT_EQ(reader.objectWithID(first.first()->objectID()), first.first());
    auto* note = static_cast<TestNote*>(first.first().get());
    EXPECT_EQ(note->fetchCount, 1);
    EXPECT_TRUE(note->isValueLoaded(QStringLiteral("noteTitle")));
    EXPECT_FALSE(note->isValueLoaded(QStringLiteral("noteStyles")));
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteStyles")).toByteArray().size(), 6000);
    EXPECT_TRUE(note->isValueLoaded(QStringLiteral("noteStyles")));

    // Turning an unchanged object back into a fault frees its values and calls the hook.
    note->cachedText = QStringLiteral("laid out text");
    reader.refreshObject(first.first(), false);
    EXPECT_TRUE(note->isFault());
    EXPECT_FALSE(note->isValueLoaded(QStringLiteral("noteTitle")));
    EXPECT_FALSE(note->isValueLoaded(QStringLiteral("noteStyles")));
    EXPECT_EQ(note->faultCount, 1);
    EXPECT_TRUE(note->cachedText.isEmpty());
    EXPECT_FALSE(note->hasChanges());
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteTitle")).toString(), QStringLiteral("A"));
    EXPECT_FALSE(note->isFault());
    EXPECT_EQ(note->fetchCount, 1);

    // A fault made from an ID loads its row when first read.
    ManagedObjectContext other;
    other.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr fault = other.objectWithID(note->objectID());
    ASSERT_TRUE(fault);
    EXPECT_TRUE(fault->isFault());
    EXPECT_EQ(fault->valueForKey(QStringLiteral("noteStyles")).toByteArray().size(), 6000);
    EXPECT_EQ(fault->valueForKey(QStringLiteral("noteText")).toString(), QStringLiteral("A text"));

    // Properties to fetch limit what a fetch reads now; the rest comes on access.
    ManagedObjectContext hinted;
    hinted.setPersistentStoreCoordinator(coordinator);
    FetchRequest request(kNote);
    request.setPropertiesToFetch({ QStringLiteral("noteTitle") });
    const QList<ManagedObjectPtr> partial = hinted.fetchObjects(request, nullptr).value();
    ASSERT_EQ(partial.size(), 1);
    EXPECT_TRUE(partial.first()->isValueLoaded(QStringLiteral("noteTitle")));
    EXPECT_FALSE(partial.first()->isValueLoaded(QStringLiteral("noteText")));
    EXPECT_EQ(partial.first()->valueForKey(QStringLiteral("noteText")).toString(),
        QStringLiteral("A text"));
}

// A value read from the store can be let go and is read again on access; a value changed since
// it was read, or one of an object never saved, stays.
TEST_F(ContextTest, ReleasedValuesAreReadAgainUnlessChanged)
{
    const QString text = QStringLiteral("noteText");
    const ManagedObjectPtr unsaved = addNote(context, QStringLiteral("New"));
    unsaved->releaseValue(text);
    EXPECT_EQ(unsaved->valueForKey(text).toString(), QStringLiteral("New text"));
    ASSERT_TRUE(context.save(nullptr));

    ManagedObjectContext reader;
    reader.setPersistentStoreCoordinator(coordinator);
    const ManagedObjectPtr note = fetch(reader, kNote).value(0);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->valueForKey(text).toString(), QStringLiteral("New text"));
    note->releaseValue(text);
    EXPECT_FALSE(note->isValueLoaded(text));
    EXPECT_TRUE(note->isValueLoaded(QStringLiteral("noteTitle")));
    EXPECT_EQ(note->valueForKey(text).toString(), QStringLiteral("New text"));
    EXPECT_FALSE(note->hasChanges());

    note->setValue(QStringLiteral("edited"), text);
    note->releaseValue(text);
    EXPECT_TRUE(note->isValueLoaded(text));
    EXPECT_EQ(note->valueForKey(text).toString(), QStringLiteral("edited"));
}

// Big values are measured in the store without being read, and their generation tells whether
// a value taken earlier is still the object's without comparing the two.
TEST_F(ContextTest, ValuesAreMeasuredUnreadAndTheirGenerationMovesWithEveryOtherValue)
{
    const QString text = QStringLiteral("noteText");
    const QString styles = QStringLiteral("noteStyles");
    const ManagedObjectPtr saved = addNote(context, QStringLiteral("A"), QByteArray(6000, 'r'));
    // Two UTF-8 bytes a unit in the store.
    saved->setValue(QString(3000, QChar(0xE9)), text);
    EXPECT_EQ(saved->valueLength(text), 3000);
    ASSERT_TRUE(context.save(nullptr));

    ManagedObjectContext reader;
    reader.setPersistentStoreCoordinator(coordinator);
    FetchRequest request(kNote);
    request.setPropertiesToFetch({ QStringLiteral("noteTitle") });
    const ManagedObjectPtr note = reader.fetchObjects(request, nullptr).value().value(0);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->valueLength(styles), 6000);
    EXPECT_EQ(note->valueLength(text), 6000);
    EXPECT_EQ(note->valueLength(QStringLiteral("noteName")), 0);
    EXPECT_FALSE(note->isValueLoaded(text));
    EXPECT_FALSE(note->isValueLoaded(styles));

    // Read from the store, a value may be another than before; read again, it is the same.
    const quint64 unread = note->valueGeneration(text);
    EXPECT_EQ(note->valueForKey(text).toString().size(), 3000);
    const quint64 read = note->valueGeneration(text);
    EXPECT_NE(read, unread);
    EXPECT_EQ(note->valueLength(text), 3000);
    EXPECT_EQ(note->valueForKey(text).toString().size(), 3000);
    EXPECT_EQ(note->valueGeneration(text), read);

    note->setValue(QStringLiteral("typed"), text);
    const quint64 typed = note->valueGeneration(text);
    EXPECT_NE(typed, read);
    note->setValue(QStringLiteral("typed"), text);
    EXPECT_EQ(note->valueGeneration(text), typed);
    reader.refreshObject(note, false);
    EXPECT_NE(note->valueGeneration(text), typed);

    // Another context's save, once merged, moves a value not read here on too.
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteTitle")).toString(), QStringLiteral("A"));
    const quint64 unreadStyles = note->valueGeneration(styles);
    ManagedObjectContext writer(ManagedObjectContext::ConcurrencyType::PrivateQueue);
    writer.setPersistentStoreCoordinator(coordinator);
    QList<Notification> saves;
    NotificationCenter::defaultCenter().addObserver(&saves,
        ManagedObjectContext::DidSaveNotification, &writer,
        [&saves](const Notification& notification) { saves.append(notification); });
    writer.performAndWait([&] {
        writer.objectWithID(note->objectID())->setValue(QByteArray("{\\rtf1}"), styles);
        EXPECT_TRUE(writer.save(nullptr));
    });
    NotificationCenter::defaultCenter().removeObserver(&saves);
    ASSERT_EQ(saves.size(), 1);
    EXPECT_EQ(note->valueLength(styles), 7);
    EXPECT_EQ(note->valueGeneration(styles), unreadStyles);
    reader.mergeChangesFromContextDidSaveNotification(saves.first());
    EXPECT_NE(note->valueGeneration(styles), unreadStyles);
    EXPECT_FALSE(note->isValueLoaded(styles));
}

TEST_F(ContextTest, RefreshDiscardsOrKeepsUnsavedChanges)
{
    ManagedObjectPtr note = addNote(context, QStringLiteral("Old"));
    ASSERT_TRUE(context.save(nullptr));

    ManagedObjectContext writer;
    writer.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr same = writer.existingObjectWithID(note->objectID(), nullptr);
    ASSERT_TRUE(same);
    same->setValue(QStringLiteral("written elsewhere"), QStringLiteral("noteText"));
    ASSERT_TRUE(writer.save(nullptr));

    note->setValue(QStringLiteral("New"), QStringLiteral("noteTitle"));
    QSignalSpy changes(note.get(), &ManagedObject::valueChanged);
    context.refreshObject(note, true);
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteTitle")).toString(), QStringLiteral("New"));
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteText")).toString(),
        QStringLiteral("written elsewhere"));
    EXPECT_TRUE(note->hasChanges());
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.first().first().toString(), QStringLiteral("noteText"));

    context.refreshObject(note, false);
    EXPECT_FALSE(note->hasChanges());
    EXPECT_FALSE(context.hasChanges());
    EXPECT_EQ(note->valueForKey(QStringLiteral("noteTitle")).toString(), QStringLiteral("Old"));

    // A row deleted elsewhere invalidates the object on the next refresh.
    writer.deleteObject(same);
    ASSERT_TRUE(writer.save(nullptr));
    context.processPendingChanges();
    NotificationLog log(&context);
    context.refreshObject(note, true);
    context.processPendingChanges();
    ASSERT_EQ(log.received.size(), 1);
    EXPECT_EQ(countIn(log.received.first(), QStringLiteral("invalidated")), 1);
    EXPECT_EQ(note->managedObjectContext(), nullptr);
    EXPECT_FALSE(context.objectRegisteredForID(note->objectID()));
}

TEST_F(ContextTest, ChangeSetsAndCoalescedNotification)
{
    ManagedObjectPtr kept = addNote(context, QStringLiteral("kept"));
    ManagedObjectPtr gone = addNote(context, QStringLiteral("gone"));
    ASSERT_TRUE(context.save(nullptr));
    NotificationLog log(&context);

    EXPECT_FALSE(context.hasChanges());
    ManagedObjectPtr added = addNote(context, QStringLiteral("added"));
    kept->setValue(QStringLiteral("renamed"), QStringLiteral("noteTitle"));
    kept->setValue(QStringLiteral("renamed twice"), QStringLiteral("noteTitle"));
    context.deleteObject(gone);
    context.deleteObject(gone);
    ManagedObjectPtr transient = addNote(context, QStringLiteral("never saved"));
    context.deleteObject(transient);

    EXPECT_TRUE(context.hasChanges());
    EXPECT_EQ(context.insertedObjects(), QList<ManagedObjectPtr> { added });
    EXPECT_EQ(context.updatedObjects(), QList<ManagedObjectPtr> { kept });
    EXPECT_EQ(context.deletedObjects(), QList<ManagedObjectPtr> { gone });
    EXPECT_TRUE(gone->isDeleted());
    EXPECT_TRUE(transient->isDeleted());

    context.processPendingChanges();
    context.processPendingChanges();
    ASSERT_EQ(log.received.size(), 1);
    const Notification& changed = log.received.first();
    EXPECT_EQ(changed.name, ManagedObjectContext::ObjectsDidChangeNotification);
    EXPECT_EQ(countIn(changed, QStringLiteral("inserted")), 1);
    EXPECT_EQ(countIn(changed, QStringLiteral("updated")), 1);
    EXPECT_EQ(countIn(changed, QStringLiteral("deleted")), 1);
    EXPECT_EQ(changed.userInfo.value(QStringLiteral("inserted"))
                  .toList()
                  .first()
                  .value<ManagedObjectPtr>(),
        added);

    ASSERT_TRUE(context.save(nullptr));
    ASSERT_EQ(log.received.size(), 2);
    const Notification& saved = log.received.last();
    EXPECT_EQ(saved.name, ManagedObjectContext::DidSaveNotification);
    EXPECT_EQ(saved.object, &context);
    const QVariantList inserted = saved.userInfo.value(QStringLiteral("inserted")).toList();
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted.first().value<ManagedObjectID>(), added->objectID());
    EXPECT_FALSE(added->objectID().isTemporaryID());
    EXPECT_EQ(countIn(saved, QStringLiteral("updated")), 1);
    EXPECT_EQ(countIn(saved, QStringLiteral("deleted")), 1);
    EXPECT_EQ(gone->managedObjectContext(), nullptr);
    EXPECT_EQ(titles(fetch(context, kNote, QStringLiteral("TRUEPREDICATE"))).size(), 2);
}

TEST_F(ContextTest, DeleteNullifiesBothSidesOfTheRelation)
{
    ManagedObjectPtr note = addNote(context, QStringLiteral("n"));
    ManagedObjectPtr home = context.insertNewObjectForEntityForName(kCategory);
    ManagedObjectPtr work = context.insertNewObjectForEntityForName(kCategory);
    note->setRelatedObjects(QStringLiteral("categories"), { home, work });
    EXPECT_EQ(home->relatedObjects(QStringLiteral("notes")), QList<ManagedObjectPtr> { note });
    ASSERT_TRUE(context.save(nullptr));

    QSignalSpy homeChanges(home.get(), &ManagedObject::valueChanged);
    context.deleteObject(note);
    EXPECT_TRUE(home->relatedObjects(QStringLiteral("notes")).isEmpty());
    EXPECT_TRUE(work->relatedObjects(QStringLiteral("notes")).isEmpty());
    EXPECT_EQ(homeChanges.count(), 1);
    ASSERT_TRUE(context.save(nullptr));
    SqlProbe sql(path);
    EXPECT_EQ(sql.value(QStringLiteral("SELECT count(*) FROM Z_1NOTES")).toInt(), 0);
    EXPECT_EQ(sql.value(QStringLiteral("SELECT count(*) FROM ZNOTE")).toInt(), 0);

    // Removing from one side shows on the other and in the join table.
    ManagedObjectPtr second = addNote(context, QStringLiteral("m"));
    home->addRelatedObject(QStringLiteral("notes"), second);
    work->addRelatedObject(QStringLiteral("notes"), second);
    ASSERT_TRUE(context.save(nullptr));
    second->removeRelatedObject(QStringLiteral("categories"), work);
    EXPECT_TRUE(work->relatedObjects(QStringLiteral("notes")).isEmpty());
    ASSERT_TRUE(context.save(nullptr));
    EXPECT_EQ(sql.rows(QStringLiteral("SELECT Z_1CATEGORIES FROM Z_1NOTES")),
        (QList<QVariantList> { { home->objectID().primaryKey() } }));
}

TEST(ContextWithoutStore, InsertsWaitForAStoreAndFetchesStillWork)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(notesModel());
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    for (const QString& name : { QStringLiteral("Home"), QStringLiteral("Work") }) {
        ManagedObjectPtr category = context.insertNewObjectForEntityForName(kCategory);
        category->setValue(name, QStringLiteral("categoryName"));
    }
    const QList<ManagedObjectPtr> found
        = fetch(context, kCategory, QStringLiteral("categoryName BEGINSWITH 'W'"));
    ASSERT_EQ(found.size(), 1);

    Error error;
    EXPECT_FALSE(context.save(&error));
    EXPECT_FALSE(error.isNull());
    EXPECT_TRUE(context.hasChanges());

    const QString path = storePath();
    ASSERT_TRUE(coordinator->addPersistentStore(
        SQLiteStoreType, QUrl::fromLocalFile(path), storeOptions(), &error))
        << qPrintable(error.toString());
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(SqlProbe(path).value(QStringLiteral("SELECT count(*) FROM ZCATEGORY")).toInt(), 2);
    EXPECT_EQ(fetch(context, kCategory).size(), 2);
}

TEST_F(ContextTest, FetchSeesUnsavedInsertsChangesAndDeletes)
{
    const QDateTime base = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    ManagedObjectPtr home = context.insertNewObjectForEntityForName(kCategory);
    home->setValue(QStringLiteral("Home"), QStringLiteral("categoryName"));
    ManagedObjectPtr smart
        = context.insertNewObjectForEntityForName(QStringLiteral("FetchedNotesCategory"));
    smart->setValue(QStringLiteral("NoCategory"), QStringLiteral("categoryID"));
    QList<ManagedObjectPtr> notes;
    const QStringList names { "Éclair", "apple", "Banana", "cherry", "date" };
    for (int i = 0; i < names.size(); ++i) {
        notes << addNote(context, names[i]);
        notes.last()->setValue(base.addDays(i), QStringLiteral("noteModified"));
    }
    notes[0]->addRelatedObject(QStringLiteral("categories"), home);
    notes[1]->addRelatedObject(QStringLiteral("categories"), home);
    ASSERT_TRUE(context.save(nullptr));

    // Unsaved: a new note, a changed title, a deleted note.
    ManagedObjectPtr fresh = addNote(context, QStringLiteral("eclair two"));
    fresh->setValue(base.addDays(30), QStringLiteral("noteModified"));
    notes[2]->setValue(QStringLiteral("Eclairs, renamed"), QStringLiteral("noteTitle"));
    context.deleteObject(notes[3]);

    const struct {
        const char* format;
        QVariantList args;
        QStringList expected; // sorted
    } cases[] = {
        { "noteTitle CONTAINS[cd] 'eclair'", {}, { "Eclairs, renamed", "eclair two", "Éclair" } },
        { "noteTitle BEGINSWITH[c] 'A' OR noteTitle == 'date'", {}, { "apple", "date" } },
        { "ANY categories.categoryName == 'Home'", {}, { "apple", "Éclair" } },
        { "SUBQUERY(categories, $var, $var.categoryID = nil).@count = 0", {},
            { "Eclairs, renamed", "date", "eclair two" } },
        { "noteModified >= %@", { base.addDays(3) }, { "date", "eclair two" } },
        { "self IN %@",
            { QVariantList { QVariant::fromValue(KeyValueRef(notes[4])),
                QVariant::fromValue(KeyValueRef(fresh)) } },
            { "date", "eclair two" } },
        { "cherry == noteTitle", {}, {} },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.format);
        QStringList result
            = titles(fetch(context, kNote, QString::fromUtf8(entry.format), entry.args));
        result.sort();
        QStringList expected = entry.expected;
        expected.sort();
        EXPECT_EQ(result, expected);
    }

    const QList<ManagedObjectPtr> tags
        = fetch(context, kCategory, QStringLiteral("isPlainCategory = TRUE"));
    EXPECT_EQ(tags, QList<ManagedObjectPtr> { home });

    FetchRequest sorted(kNote);
    sorted.setSortDescriptors({ SortDescriptor(
        QStringLiteral("noteTitle"), true, QStringLiteral("localizedCaseInsensitiveCompare:")) });
    sorted.setFetchLimit(3);
    EXPECT_EQ(titles(context.fetchObjects(sorted, nullptr).value()),
        (QStringList { "apple", "date", "Éclair" }));
    sorted.setFetchLimit(0);
    EXPECT_EQ(context.countForFetchRequest(sorted, nullptr), 5);

    FetchRequest latest(kNote);
    latest.setResultType(FetchRequest::ResultType::Dictionary);
    latest.setPropertiesToFetch({},
        { ExpressionDescription(QStringLiteral("maxDate"), QStringLiteral("max:"),
            QStringLiteral("noteModified"), AttributeDescription::Type::Date) });
    const std::optional<QVariantList> maximum = context.executeFetchRequest(latest, nullptr);
    ASSERT_TRUE(maximum);
    ASSERT_EQ(maximum->size(), 1);
    EXPECT_EQ(
        maximum->first().toMap().value(QStringLiteral("maxDate")).toDateTime(), base.addDays(30));

    FetchRequest dictionaries(kNote);
    dictionaries.setResultType(FetchRequest::ResultType::Dictionary);
    dictionaries.setPropertiesToFetch({ QStringLiteral("noteTitle") });
    dictionaries.setPredicate(Predicate::predicateWithFormat(QStringLiteral("noteTitle = 'date'")));
    EXPECT_EQ(context.executeFetchRequest(dictionaries, nullptr).value(),
        (QVariantList { QVariantMap { { QStringLiteral("noteTitle"), QStringLiteral("date") } } }));

    Error error;
    FetchRequest unknown(QStringLiteral("Tag"));
    EXPECT_FALSE(context.executeFetchRequest(unknown, &error));
    EXPECT_FALSE(error.isNull());
}

TEST_F(ContextTest, PrivateContextSaveMergesIntoMainContext)
{
    ManagedObjectPtr edited = addNote(context, QStringLiteral("edited"));
    ManagedObjectPtr removed = addNote(context, QStringLiteral("removed"));
    ManagedObjectPtr home = context.insertNewObjectForEntityForName(kCategory);
    ASSERT_TRUE(context.save(nullptr));
    EXPECT_TRUE(home->relatedObjects(QStringLiteral("notes")).isEmpty());

    QList<Notification> saves;
    NotificationCenter::defaultCenter().addObserver(&saves,
        ManagedObjectContext::DidSaveNotification, nullptr,
        [&saves](const Notification& notification) { saves.append(notification); });
    ManagedObjectContext worker(ManagedObjectContext::ConcurrencyType::PrivateQueue);
    worker.setPersistentStoreCoordinator(coordinator);
    bool saved = false;
    worker.performAndWait([&] {
        ManagedObjectPtr imported = worker.insertNewObjectForEntityForName(kNote);
        imported->setValue(QStringLiteral("imported"), QStringLiteral("noteTitle"));
        imported->addRelatedObject(
            QStringLiteral("categories"), worker.objectWithID(home->objectID()));
        worker.objectWithID(edited->objectID())
            ->setValue(QStringLiteral("edited in the background"), QStringLiteral("noteTitle"));
        worker.deleteObject(worker.objectWithID(removed->objectID()));
        saved = worker.save(nullptr);
    });
    NotificationCenter::defaultCenter().removeObserver(&saves);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saves.size(), 1);

    NotificationLog log(&context);
    QSignalSpy titleChanges(edited.get(), &ManagedObject::valueChanged);
    context.mergeChangesFromContextDidSaveNotification(saves.first());
    context.processPendingChanges();
    ASSERT_EQ(log.received.size(), 1);
    EXPECT_EQ(countIn(log.received.first(), QStringLiteral("inserted")), 1);
    EXPECT_GE(countIn(log.received.first(), QStringLiteral("updated")), 1);
    EXPECT_EQ(countIn(log.received.first(), QStringLiteral("deleted")), 1);
    EXPECT_EQ(edited->valueForKey(QStringLiteral("noteTitle")).toString(),
        QStringLiteral("edited in the background"));
    EXPECT_EQ(titleChanges.count(), 1);
    EXPECT_TRUE(removed->isDeleted());
    EXPECT_EQ(home->relatedObjects(QStringLiteral("notes")).size(), 1);
    QStringList all = titles(fetch(context, kNote));
    all.sort();
    EXPECT_EQ(all, (QStringList { "edited in the background", "imported" }));
    EXPECT_FALSE(context.hasChanges());
}

TEST_F(ContextTest, RelationsRefuseObjectsTheyCannotHold)
{
    ManagedObjectPtr note = addNote(context, QStringLiteral("n"));
    ManagedObjectPtr other = addNote(context, QStringLiteral("wrong entity"));
    ManagedObjectContext elsewhere;
    elsewhere.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr foreign = elsewhere.insertNewObjectForEntityForName(kCategory);
    ManagedObjectPtr deleted = context.insertNewObjectForEntityForName(kCategory);
    context.deleteObject(deleted);

    for (const ManagedObjectPtr& refused : { other, foreign, deleted })
        note->addRelatedObject(QStringLiteral("categories"), refused);
    EXPECT_TRUE(note->relatedObjects(QStringLiteral("categories")).isEmpty());
    EXPECT_TRUE(foreign->relatedObjects(QStringLiteral("notes")).isEmpty());
    ASSERT_TRUE(context.save(nullptr));
    EXPECT_EQ(SqlProbe(path).value(QStringLiteral("SELECT count(*) FROM Z_1NOTES")).toInt(), 0);
}

TEST_F(ContextTest, FetchedObjectsMatchThemselvesInPredicates)
{
    const ManagedObjectPtr kept = addNote(context, QStringLiteral("kept"));
    const ManagedObjectPtr hidden = addNote(context, QStringLiteral("hidden"));
    hidden->setValue(true, QStringLiteral("trashFlag"));
    const ManagedObjectPtr other = addNote(context, QStringLiteral("other"));
    other->setValue(true, QStringLiteral("trashFlag"));

    // The set is shared, so a member added after the predicate is built counts.
    const auto included = std::make_shared<QVariantList>();
    const PredicateRef filter
        = Predicate::predicateWithFormat(QStringLiteral("trashFlag = NO OR (self IN %@)"),
            { QVariant::fromValue(SharedVariantList(included)) });
    ASSERT_TRUE(filter);
    const auto passes = [&](const ManagedObjectPtr& note) {
        return filter->evaluateWithObject(KeyValueRef(note));
    };
    EXPECT_TRUE(passes(kept));
    EXPECT_FALSE(passes(hidden));
    included->append(QVariant::fromValue(hidden));
    EXPECT_TRUE(passes(hidden));
    EXPECT_FALSE(passes(other));

    // The same object on either side, in either form; another object never matches.
    const PredicateRef same = Predicate::predicateWithFormat(
        QStringLiteral("self = %@"), { QVariant::fromValue(hidden) });
    ASSERT_TRUE(same);
    EXPECT_TRUE(same->evaluateWithObject(KeyValueRef(hidden)));
    EXPECT_FALSE(same->evaluateWithObject(KeyValueRef(other)));
    EXPECT_TRUE(ValueComparison::isEqual(
        QVariant::fromValue(hidden), QVariant::fromValue(KeyValueRef(hidden))));
    EXPECT_FALSE(ValueComparison::isEqual(
        QVariant::fromValue(other), QVariant::fromValue(KeyValueRef(hidden))));
    EXPECT_FALSE(ValueComparison::isEqual(QVariant::fromValue(KeyValueRef(hidden)), QVariant(42)));

    // Objects a fetch hands back, used as the list of a fetch's own predicate.
    QVariantList fetched;
    for (const ManagedObjectPtr& note : fetch(context, kNote, QStringLiteral("trashFlag = YES")))
        fetched << QVariant::fromValue(note);
    ASSERT_EQ(fetched.size(), 2);
    EXPECT_EQ(fetch(context, kNote, QStringLiteral("self IN %@"), { QVariant(fetched) }).size(), 2);
    Error error;
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(fetch(context, kNote, QStringLiteral("self IN %@"), { QVariant(fetched) }).size(), 2);
}

TEST_F(ContextTest, PermanentIDsTakenBeforeTheSaveStayTheSavedOnes)
{
    addNote(context, QStringLiteral("Kept"));
    Error error;
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    const ManagedObjectPtr fresh = addNote(context, QStringLiteral("Fresh"));
    const ManagedObjectPtr later = addNote(context, QStringLiteral("Later"));
    ASSERT_TRUE(fresh->objectID().isTemporaryID());
    ASSERT_TRUE(context.obtainPermanentIDsForObjects({ fresh, fresh }, &error))
        << qPrintable(error.toString());
    const QUrl uri = fresh->objectID().URIRepresentation();
    EXPECT_FALSE(fresh->objectID().isTemporaryID());
    EXPECT_TRUE(later->objectID().isTemporaryID());
    EXPECT_EQ(context.objectRegisteredForID(fresh->objectID()), fresh);

    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(fresh->objectID().URIRepresentation(), uri);
    EXPECT_NE(later->objectID(), fresh->objectID());
    ManagedObjectContext reader;
    reader.setPersistentStoreCoordinator(coordinator);
    const ManagedObjectPtr read = reader.existingObjectWithID(
        coordinator->managedObjectIDForURIRepresentation(uri), &error);
    ASSERT_TRUE(read) << qPrintable(error.toString());
    EXPECT_EQ(read->valueForKey(QStringLiteral("noteTitle")).toString(), QStringLiteral("Fresh"));
}
