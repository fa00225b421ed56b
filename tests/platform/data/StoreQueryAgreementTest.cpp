#include "NotesModel.h"
#include "SqlProbe.h"

#include "platform/data/SqlPredicateFilter.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <functional>

using namespace platform;
using namespace datatest;

// Counts, max:/min: and predicates over to-many relations may be answered by SQL or read in
// batches; whatever the unsaved state, the answer must be what evaluating every object in
// memory gives.
namespace {

const QDateTime kBase = QDateTime::fromSecsSinceEpoch(1750000000, Qt::UTC);

// Notes "n0".."n5": n<i> created on day i with label i (n5 without either); categories
// "tagged" (ID "t") holds n0, n1, "plain" (no ID) holds n1, n2.
std::shared_ptr<PersistentStoreCoordinator> makeStore(const QString& path = storePath())
{
    auto coordinator = openCoordinator(path);
    if (!coordinator)
        return nullptr;
    ManagedObjectContext writer;
    writer.setPersistentStoreCoordinator(coordinator);
    QList<ManagedObjectPtr> notes;
    for (int i = 0; i < 6; ++i) {
        ManagedObjectPtr note = writer.insertNewObjectForEntityForName(QStringLiteral("Note"));
        note->setValue(QStringLiteral("n%1").arg(i), QStringLiteral("noteTitle"));
        if (i < 5) {
            note->setValue(kBase.addDays(i), QStringLiteral("noteCreated"));
            note->setValue(i, QStringLiteral("label"));
        }
        notes << note;
    }
    ManagedObjectPtr tagged = writer.insertNewObjectForEntityForName(QStringLiteral("Category"));
    tagged->setValue(QStringLiteral("tagged"), QStringLiteral("categoryName"));
    tagged->setValue(QStringLiteral("t"), QStringLiteral("categoryID"));
    tagged->setRelatedObjects(QStringLiteral("notes"), { notes[0], notes[1] });
    ManagedObjectPtr plain = writer.insertNewObjectForEntityForName(QStringLiteral("Category"));
    plain->setValue(QStringLiteral("plain"), QStringLiteral("categoryName"));
    plain->setRelatedObjects(QStringLiteral("notes"), { notes[1], notes[2] });
    return writer.save(nullptr) ? coordinator : nullptr;
}

ManagedObjectPtr find(
    ManagedObjectContext& context, const QString& entity, const QString& key, const QString& value)
{
    FetchRequest request(entity);
    request.setPredicate(Predicate::predicateWithFormat(key + QStringLiteral(" = %@"), { value }));
    const QList<ManagedObjectPtr> found = context.fetchObjects(request, nullptr).value();
    return found.size() == 1 ? found.first() : nullptr;
}

ManagedObjectPtr note(ManagedObjectContext& context, int i)
{
    return find(
        context, QStringLiteral("Note"), QStringLiteral("noteTitle"), QStringLiteral("n%1").arg(i));
}

ManagedObjectPtr category(ManagedObjectContext& context, const QString& name)
{
    return find(context, QStringLiteral("Category"), QStringLiteral("categoryName"), name);
}

using Change = std::function<void(ManagedObjectContext&)>;

struct Scenario {
    const char* name;
    Change change;
};

const Scenario kScenarios[] = {
    { "nothing unsaved", [](ManagedObjectContext&) {} },
    { "newer unsaved insert",
        [](ManagedObjectContext& context) {
            ManagedObjectPtr added = context.insertNewObjectForEntityForName("Note");
            added->setValue(QStringLiteral("added"), QStringLiteral("noteTitle"));
            added->setValue(kBase.addDays(30), QStringLiteral("noteCreated"));
            added->setValue(-4, QStringLiteral("label"));
            added->setRelatedObjects(
                QStringLiteral("categories"), { category(context, QStringLiteral("plain")) });
        } },
    { "newest deleted",
        [](ManagedObjectContext& context) { context.deleteObject(note(context, 4)); } },
    { "values changed",
        [](ManagedObjectContext& context) {
            note(context, 2)->setValue(kBase.addDays(-3), QStringLiteral("noteCreated"));
            note(context, 4)->setValue(QVariant(), QStringLiteral("noteCreated"));
            note(context, 0)->setValue(99, QStringLiteral("label"));
        } },
    { "relations changed from the note",
        [](ManagedObjectContext& context) {
            note(context, 1)->setRelatedObjects(QStringLiteral("categories"), {});
            note(context, 3)
                ->setRelatedObjects(
                    QStringLiteral("categories"), { category(context, QStringLiteral("plain")) });
        } },
    { "category changed",
        [](ManagedObjectContext& context) {
            category(context, QStringLiteral("plain"))
                ->setValue(QStringLiteral("p"), QStringLiteral("categoryID"));
        } },
    { "category deleted",
        [](ManagedObjectContext& context) {
            context.deleteObject(category(context, QStringLiteral("tagged")));
        } },
};

QStringList titles(const QList<ManagedObjectPtr>& notes)
{
    QStringList list;
    for (const ManagedObjectPtr& object : notes)
        list << object->valueForKey(QStringLiteral("noteTitle")).toString();
    list.sort();
    return list;
}

// Every note of the context, each relation read on its own.
QList<ManagedObjectPtr> allNotes(ManagedObjectContext& context)
{
    return context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr).value();
}

QVariant extreme(const QList<ManagedObjectPtr>& notes, const QString& key, bool maximum)
{
    QVariant best;
    for (const ManagedObjectPtr& object : notes) {
        const QVariant value = object->valueForKey(key);
        if (!value.isValid())
            continue;
        const QPartialOrdering order = QVariant::compare(value, best);
        if (!best.isValid()
            || (maximum ? order == QPartialOrdering::Greater : order == QPartialOrdering::Less))
            best = value;
    }
    return best;
}

} // namespace

TEST(StoreQueryAgreement, CountsAndExtremesMatchEvaluationInMemory)
{
    auto coordinator = makeStore();
    ASSERT_TRUE(coordinator);
    const char* const predicates[] = { nullptr, "label >= 2", "noteCreated < %@" };
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(coordinator);
        scenario.change(context);
        const QList<ManagedObjectPtr> everything = allNotes(context);
        for (const char* format : predicates) {
            SCOPED_TRACE(format ? format : "all");
            const PredicateRef predicate = format
                ? Predicate::predicateWithFormat(QString::fromUtf8(format), { kBase.addDays(3) })
                : nullptr;
            QList<ManagedObjectPtr> matching;
            for (const ManagedObjectPtr& object : everything) {
                if (!predicate || predicate->evaluateWithObject(KeyValueRef(object)))
                    matching << object;
            }

            FetchRequest request(QStringLiteral("Note"));
            request.setPredicate(predicate);
            Error error;
            EXPECT_EQ(context.countForFetchRequest(request, &error), matching.size());

            request.setResultType(FetchRequest::ResultType::Dictionary);
            request.setPropertiesToFetch({},
                { ExpressionDescription(QStringLiteral("newest"), QStringLiteral("max:"),
                      QStringLiteral("noteCreated"), AttributeDescription::Type::Date),
                    ExpressionDescription(QStringLiteral("oldest"), QStringLiteral("min:"),
                        QStringLiteral("noteCreated"), AttributeDescription::Type::Date),
                    ExpressionDescription(QStringLiteral("top"), QStringLiteral("max:"),
                        QStringLiteral("label"), AttributeDescription::Type::Integer64) });
            const std::optional<QVariantList> result = context.executeFetchRequest(request, &error);
            ASSERT_TRUE(result) << qPrintable(error.toString());
            ASSERT_EQ(result->size(), 1);
            const QVariantMap aggregates = result->first().toMap();
            EXPECT_EQ(aggregates.value(QStringLiteral("newest")),
                extreme(matching, QStringLiteral("noteCreated"), true));
            EXPECT_EQ(aggregates.value(QStringLiteral("oldest")),
                extreme(matching, QStringLiteral("noteCreated"), false));
            EXPECT_EQ(aggregates.value(QStringLiteral("top")),
                extreme(matching, QStringLiteral("label"), true));
            EXPECT_EQ(aggregates.contains(QStringLiteral("newest")), !matching.isEmpty());
        }
    }
}

TEST(StoreQueryAgreement, ToManyPredicatesMatchEvaluationInMemory)
{
    auto coordinator = makeStore();
    ASSERT_TRUE(coordinator);
    const char* const predicates[] = {
        "categories.@count = 0",
        "categories.@count >= 1",
        "SUBQUERY(categories, $c, $c.categoryID = nil).@count = 0",
        "SUBQUERY(categories, $c, $c.categoryID = nil).@count > 0",
        "ANY categories.categoryName = 'plain'",
        "label < 3 AND SUBQUERY(categories, $c, $c.categoryID != nil).@count = 0",
        "categories.@count = 2",
        "categories.@count != 1",
        "SUBQUERY(categories, $c, $c.categoryName BEGINSWITH 'p').@count < 1",
        "SUBQUERY(categories, $c, SELF.categoryID = 't' OR $c.categoryID = nil).@count >= 2",
    };
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        // The reference reads each relation on its own, in a context of its own.
        ManagedObjectContext reference;
        reference.setPersistentStoreCoordinator(coordinator);
        scenario.change(reference);
        const QList<ManagedObjectPtr> everything = allNotes(reference);

        for (const char* format : predicates) {
            SCOPED_TRACE(format);
            const PredicateRef predicate
                = Predicate::predicateWithFormat(QString::fromUtf8(format));
            QList<ManagedObjectPtr> expected;
            for (const ManagedObjectPtr& object : everything) {
                if (predicate->evaluateWithObject(KeyValueRef(object)))
                    expected << object;
            }
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(coordinator);
            scenario.change(context);
            FetchRequest request(QStringLiteral("Note"));
            request.setPredicate(predicate);
            Error error;
            const std::optional<QList<ManagedObjectPtr>> fetched
                = context.fetchObjects(request, &error);
            ASSERT_TRUE(fetched) << qPrintable(error.toString());
            EXPECT_EQ(titles(*fetched), titles(expected));
            EXPECT_EQ(context.countForFetchRequest(request, &error), expected.size());
        }
    }
}

// Values SQL would order apart from memory (text in a date or integer column, as a damaged or
// foreign file may hold) leave the answer to memory.
TEST(StoreQueryAgreement, ExtremesOverStoredTextAreLeftToMemory)
{
    const QString path = storePath();
    {
        auto coordinator = makeStore(path);
        ASSERT_TRUE(coordinator);
    }
    {
        SqlProbe sql(path);
        ASSERT_EQ(sql.exec(QStringLiteral("UPDATE ZNOTE SET ZNOTECREATED = 'soon', ZLABEL = '12' "
                                          "WHERE ZNOTETITLE = 'n1'")),
            0);
    }
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    FetchRequest request(QStringLiteral("Note"));
    request.setResultType(FetchRequest::ResultType::Dictionary);
    request.setPropertiesToFetch({},
        { ExpressionDescription(QStringLiteral("oldest"), QStringLiteral("min:"),
              QStringLiteral("noteCreated"), AttributeDescription::Type::Date),
            ExpressionDescription(QStringLiteral("top"), QStringLiteral("max:"),
                QStringLiteral("label"), AttributeDescription::Type::Integer64) });
    Error error;
    const std::optional<QVariantList> result = context.executeFetchRequest(request, &error);
    ASSERT_TRUE(result) << qPrintable(error.toString());
    const QList<ManagedObjectPtr> everything = allNotes(context);
    const QVariantMap aggregates = result->value(0).toMap();
    EXPECT_EQ(aggregates.value(QStringLiteral("oldest")),
        extreme(everything, QStringLiteral("noteCreated"), false));
    EXPECT_EQ(aggregates.value(QStringLiteral("top")), QVariant(qlonglong(12)));

    // The same text read by a date comparison.
    for (const char* format : { "noteCreated < %@", "noteCreated != %@" }) {
        SCOPED_TRACE(format);
        const PredicateRef predicate
            = Predicate::predicateWithFormat(QString::fromUtf8(format), { kBase.addDays(2) });
        QList<ManagedObjectPtr> expected;
        for (const ManagedObjectPtr& object : everything) {
            if (predicate->evaluateWithObject(KeyValueRef(object)))
                expected << object;
        }
        FetchRequest filtered(QStringLiteral("Note"));
        filtered.setPredicate(predicate);
        EXPECT_EQ(titles(context.fetchObjects(filtered, nullptr).value()), titles(expected));
    }
}

// Related rows decide in SQL only while the related objects in memory are as saved.
TEST(StoreQueryAgreement, RelationCountsGoToSqlOnlyWithoutUnsavedRelatedObjects)
{
    auto coordinator = makeStore();
    ASSERT_TRUE(coordinator);
    const std::shared_ptr<PersistentStore> store = coordinator->persistentStore();
    const EntityDescription* noteEntity = store->model().entity(QStringLiteral("Note"));
    const PredicateRef predicate = Predicate::predicateWithFormat(
        QStringLiteral("SUBQUERY(categories, $c, $c.categoryID = nil).@count = 0"));
    const auto unchanged = [](const EntityDescription*) { return true; };
    const auto changed = [](const EntityDescription*) { return false; };

    const auto translated = SqlPredicateFilter::make(predicate, noteEntity, *store, unchanged);
    ASSERT_TRUE(translated);
    EXPECT_TRUE(translated->isExact());
    EXPECT_FALSE(SqlPredicateFilter::make(predicate, noteEntity, *store, changed));
    EXPECT_FALSE(SqlPredicateFilter::make(predicate, noteEntity, *store));
}
