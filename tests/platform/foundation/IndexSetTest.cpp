#include "platform/foundation/IndexSet.h"
#include "platform/foundation/Archiver.h"

#include <gtest/gtest.h>

#include <QCborArray>
#include <QCborMap>

using namespace platform;

namespace {

TEST(IndexSetTest, EditsKeepDisjointSortedRuns)
{
    struct Case {
        const char* name;
        std::function<void(IndexSet&)> edit;
        QList<int> expected;
    };
    const Case cases[] = {
        { "adjacent ranges merge",
            [](IndexSet& s) {
                s.addRange(4, 2);
                s.addRange(2, 2);
            },
            { 1, 2, 3, 4, 5, 8 } },
        { "negative and empty ignored",
            [](IndexSet& s) {
                s.addIndex(-3);
                s.addRange(5, 0);
            },
            { 1, 8 } },
        { "removal splits a run",
            [](IndexSet& s) {
                s.addRange(1, 8);
                s.removeIndex(4);
            },
            { 1, 2, 3, 5, 6, 7, 8 } },
        { "insert shift splits a run",
            [](IndexSet& s) {
                s.addRange(1, 4);
                s.shiftIndexesStartingAtIndex(3, 2);
            },
            { 1, 2, 5, 6, 10 } },
        { "removal shift drops the gap",
            [](IndexSet& s) {
                s.addRange(1, 4);
                s.shiftIndexesStartingAtIndex(4, -2);
            },
            { 1, 2, 6 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IndexSet set = IndexSet::fromList({ 8, 1 });
        c.edit(set);
        EXPECT_EQ(set.toList(), c.expected);
        EXPECT_EQ(set.count(), c.expected.size());
        EXPECT_EQ(set.firstIndex(), c.expected.front());
        EXPECT_EQ(set.lastIndex(), c.expected.back());
        EXPECT_EQ(set, IndexSet::fromList(c.expected));
    }
    EXPECT_EQ(IndexSet().firstIndex(), -1);
    EXPECT_EQ(IndexSet::fromList({ 2, 3, 4, 9 }).countOfIndexesInRange(3, 4), 2);
}

TEST(IndexSetTest, RoundTripsThroughTheArchiver)
{
    for (const IndexSet& set :
        { IndexSet(), IndexSet(0), IndexSet::fromList({ 2, 3, 4, 9, 12 }) }) {
        Error error;
        const QByteArray data = Archiver::archivedData(QVariant::fromValue(set), &error);
        ASSERT_FALSE(data.isEmpty()) << qPrintable(error.toString());
        const std::optional<IndexSet> back
            = Archiver::unarchived<IndexSet>(data, { QStringLiteral("NSIndexSet") });
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, set);
    }
    const QByteArray data = Archiver::archivedData(QVariant::fromValue(IndexSet(3)));
    EXPECT_FALSE(Archiver::unarchivedObject(data, { QStringLiteral("NSURL") }));
}

TEST(IndexSetTest, DecodingRefusesRunsEncodingNeverWrites)
{
    const QList<QCborArray> bad {
        { 1 }, // half a run
        { 4, 2, 1, 1 }, // unsorted
        { 1, 3, 2, 1 }, // overlapping
        { 1, 2, 3, 1 }, // touching runs are one run
        { -1, 2 }, // negative
        { 1, 0 }, // empty
        { 1, QStringLiteral("2") }, // not a number
        { 2147483647, 2 }, // past the largest index
    };
    for (const QCborArray& runs : bad) {
        SCOPED_TRACE(qPrintable(QCborValue(runs).toDiagnosticNotation()));
        EXPECT_FALSE(IndexSet::decodeFields(QCborMap { { QStringLiteral("ranges"), runs } }));
    }
    EXPECT_FALSE(IndexSet::decodeFields(QCborMap {}));
}

} // namespace
