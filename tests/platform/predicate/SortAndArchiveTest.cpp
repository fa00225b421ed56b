#include "TestObject.h"

#include "platform/foundation/Archiver.h"
#include "platform/predicate/Predicate.h"
#include "platform/predicate/PredicateArchiving.h"
#include "platform/predicate/SortDescriptor.h"
#include "platform/predicate/ValueComparison.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace platform;

namespace {

QStringList names(const QVariantList& objects)
{
    QStringList result;
    for (const QVariant& object : objects)
        result << object.toMap().value("name").toString();
    return result;
}

QVariantList named(const QStringList& list)
{
    QVariantList objects;
    for (const QString& name : list)
        objects << QVariantMap { { "name", name.isEmpty() ? QVariant() : QVariant(name) } };
    return objects;
}

} // namespace

TEST(SortDescriptor, OrdersByEachComparison)
{
    const QStringList input { "b", "Banana", "", "apple", "Éclair", "file10", "eclair", "file2",
        "Apple" };
    const struct {
        QString selector;
        bool ascending;
        QStringList expected;
    } cases[] = {
        { "compare:", true,
            { "", "Apple", "Banana", "apple", "b", "eclair", "file10", "file2", "Éclair" } },
        { "compare:", false,
            { "Éclair", "file2", "file10", "eclair", "b", "apple", "Banana", "Apple", "" } },
        { "caseInsensitiveCompare:", true,
            { "", "apple", "Apple", "b", "Banana", "eclair", "file10", "file2", "Éclair" } },
        { "localizedCaseInsensitiveCompare:", true,
            { "", "apple", "Apple", "b", "Banana", "eclair", "Éclair", "file10", "file2" } },
        { "localizedCompare:", true,
            { "", "apple", "Apple", "b", "Banana", "eclair", "Éclair", "file10", "file2" } },
        { "localizedStandardCompare:", true,
            { "", "apple", "Apple", "b", "Banana", "eclair", "Éclair", "file2", "file10" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selector.toStdString());
        const SortDescriptor descriptor("name", c.ascending, c.selector);
        EXPECT_EQ(names(SortDescriptor::sorted(named(input), { descriptor })), c.expected);
    }
}

TEST(SortDescriptor, MixedValuesAndSeveralKeys)
{
    const QDateTime day(QDate(2024, 2, 1), QTime(9, 0), Qt::UTC);
    const auto make = [](const QString& name, const QVariant& rank, const QVariant& when) {
        return KeyValueRef(
            TestObject::make({ { "name", name }, { "rank", rank }, { "when", when } }));
    };
    const QList<KeyValueRef> objects {
        make("a", 2, day),
        make("b", 1.5, day.addSecs(-60)),
        make("c", true, QVariant()),
        make("d", QVariant(), day.toTimeZone(QTimeZone("Asia/Tokyo"))),
        make("e", 2, day.addDays(1)),
    };
    const auto order = [](const QList<KeyValueRef>& sorted) {
        QString text;
        for (const KeyValueRef& object : sorted)
            text += object->valueForKey("name").toString();
        return text;
    };
    EXPECT_EQ(order(SortDescriptor::sorted(objects, { SortDescriptor("rank") })), "dcbae");
    EXPECT_EQ(order(SortDescriptor::sorted(
                  objects, { SortDescriptor("rank", false), SortDescriptor("when", false) })),
        "eabcd");
    EXPECT_EQ(order(SortDescriptor::sorted(objects, { SortDescriptor("when") })), "cbade");

    const SortDescriptor byRank("rank");
    EXPECT_EQ(byRank.compare(objects[0], objects[4]), 0);
    EXPECT_EQ(byRank.compare(objects[3], objects[2]), -1);
    EXPECT_EQ(SortDescriptor("rank", false).compare(objects[3], objects[2]), 1);
    // Values of different kinds still give one consistent order.
    EXPECT_EQ(SortDescriptor().compareValues(5, "5"), -1);
    EXPECT_EQ(SortDescriptor().compareValues("5", 5), 1);
}

TEST(SortDescriptor, CollationKeysOrderAsTheComparisonDoes)
{
    using Collation = ValueComparison::Collation;
    const QStringList texts { "", "a", "A", "b", "B", "ab", "Éclair", "eclair", "zebra", "Zebra",
        "item 9", "item 10", "naïve", "naive", "\u00df", "ss", "😀", "\uffff", "a b" };
    for (const Collation collation :
        { Collation::Plain, Collation::CaseInsensitive, Collation::Localized,
            Collation::LocalizedCaseInsensitive, Collation::LocalizedStandard }) {
        SCOPED_TRACE(int(collation));
        for (const QString& left : texts) {
            for (const QString& right : texts) {
                SCOPED_TRACE(qPrintable(left + QStringLiteral(" | ") + right));
                const int byKeys = ValueComparison::sortKey(left, collation)
                                       .compare(ValueComparison::sortKey(right, collation));
                EXPECT_EQ((byKeys > 0) - (byKeys < 0),
                    ValueComparison::compareStrings(left, right, collation));
            }
        }
    }
}

TEST(PredicateArchive, PredicatesAndSortDescriptorsSurviveArchiving)
{
    registerPredicateArchiving();
    const QStringList allowed { "NSPredicate", "NSSortDescriptor", "NSArray" };
    for (const QString format : { "noteModified >= $dateBeforeNow",
             "SUBQUERY(categories, $var, $var.categoryID = nil).@count = 0", "TRUEPREDICATE" }) {
        SCOPED_TRACE(format.toStdString());
        const PredicateRef predicate = Predicate::predicateWithFormat(format);
        Error error;
        const QByteArray data = Archiver::archivedData(QVariant::fromValue(predicate), &error);
        ASSERT_FALSE(data.isEmpty()) << error.toString().toStdString();
        const auto back = Archiver::unarchived<PredicateRef>(data, { "NSPredicate" }, &error);
        ASSERT_TRUE(back && *back);
        EXPECT_TRUE(**back == *predicate);
        // The class must be asked for.
        EXPECT_FALSE(Archiver::unarchivedObject(data, { "NSSortDescriptor" }));
    }

    const QVariantList descriptors {
        QVariant::fromValue(SortDescriptor("noteModified", false)),
        QVariant::fromValue(SortDescriptor("noteTitle", true, "localizedCaseInsensitiveCompare:")),
    };
    const QByteArray data = Archiver::archivedData(descriptors);
    const auto back = Archiver::unarchived<QVariantList>(data, allowed);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2);
    EXPECT_EQ(back->at(0).value<SortDescriptor>(), SortDescriptor("noteModified", false));
    EXPECT_EQ(back->at(1).value<SortDescriptor>().selector(), "localizedCaseInsensitiveCompare:");

    // A predicate holding an object cannot be kept as text: archiving fails instead of storing
    // something that reads back different.
    const PredicateRef withObject = Predicate::predicateWithFormat(
        "SELF IN %@", { QVariantList { objectValue(TestObject::make()) } });
    Error error;
    EXPECT_TRUE(Archiver::archivedData(QVariant::fromValue(withObject), &error).isEmpty());
    EXPECT_FALSE(error.isNull());
}
