#include "document/transformers/BXAddEllipsisValueTransformer.h"
#include "document/transformers/BXColorValueTransformer.h"
#include "document/transformers/BXPredicateTransformer.h"
#include "document/transformers/BXSetToArrayValueTransformer.h"
#include "document/transformers/BXSingleSelectionValueTransformer.h"
#include "document/transformers/BXZeroToOneBasedIndexValueTransformer.h"
#include "document/transformers/ValueTransformerRegistration.h"

#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"
#include "platform/predicate/Predicate.h"
#include "platform/text/Color.h"

#include <QPointF>

#include <gtest/gtest.h>

using namespace platform;

TEST(BXValueTransformers, CountsAndIndexes)
{
    const BXZeroToOneBasedIndexValueTransformer oneBased;
    const struct {
        QVariant value;
        qint64 expected;
    } indexes[] = {
        { 0, 1 },
        { 4, 5 },
        { qint64(BXZeroToOneBasedIndexValueTransformer::NSNotFound), 0 },
        { QVariant(), 1 },
        { qint64(2147483647), 2147483648LL },
        { qint64(4294967296LL) + 7, 8 },
    };
    for (const auto& c : indexes) {
        SCOPED_TRACE(c.value.toString().toStdString());
        EXPECT_EQ(oneBased.transformedValue(c.value), QVariant(c.expected));
    }
    EXPECT_FALSE(oneBased.allowsReverseTransformation());

    const BXSingleSelectionValueTransformer single;
    const struct {
        QVariant value;
        bool expected;
    } counts[] = {
        { 1, true },
        { 0, false },
        { 2, false },
        { QVariant(), false },
        { qint64(4294967297LL), true },
        { 1.5, true },
        { -1, false },
    };
    for (const auto& c : counts) {
        SCOPED_TRACE(c.value.toString().toStdString());
        const QVariant result = single.transformedValue(c.value);
        EXPECT_EQ(result.metaType().id(), QMetaType::Bool);
        EXPECT_EQ(result.toBool(), c.expected);
    }
}

TEST(BXValueTransformers, EllipsisAndPassThrough)
{
    const BXAddEllipsisValueTransformer ellipsis;
    EXPECT_EQ(ellipsis.transformedValue("Notes"), QVariant(QString::fromUtf8("Notes…")));
    EXPECT_EQ(ellipsis.transformedValue(""), QVariant(QString::fromUtf8("…")));
    EXPECT_FALSE(ellipsis.transformedValue(QVariant()).isValid());

    const BXSetToArrayValueTransformer toArray;
    const QVariant list = QVariantList { 1, "two" };
    EXPECT_EQ(toArray.transformedValue(list), list);
    EXPECT_TRUE(toArray.allowsReverseTransformation());
    EXPECT_EQ(toArray.reverseTransformedValue(list), list);
}

TEST(BXValueTransformers, PredicatesAndColoursAsData)
{
    registerNamedValueTransformers();
    const auto predicates = ValueTransformer::valueTransformerForName("BXPredicateTransformer");
    const auto colours = ValueTransformer::valueTransformerForName("BXColorValueTransformer");
    ASSERT_TRUE(predicates && colours);
    // Every registration brings new instances in place of the old.
    registerNamedValueTransformers();
    EXPECT_NE(ValueTransformer::valueTransformerForName("BXPredicateTransformer"), predicates);

    const PredicateRef recent = Predicate::predicateWithFormat("noteModified >= $dateBeforeNow");
    const QVariant data = predicates->transformedValue(QVariant::fromValue(recent));
    ASSERT_EQ(data.metaType().id(), QMetaType::QByteArray);
    const QVariant back = predicates->reverseTransformedValue(data);
    ASSERT_TRUE(back.value<PredicateRef>());
    EXPECT_TRUE(*back.value<PredicateRef>() == *recent);

    // Another archived class, damaged data and non-data all reverse to nil, without a log line.
    {
        LogCapture capture;
        EXPECT_FALSE(predicates->reverseTransformedValue(Archiver::archivedData("text")).isValid());
        EXPECT_FALSE(predicates->reverseTransformedValue(data.toByteArray().chopped(3)).isValid());
        EXPECT_FALSE(predicates->reverseTransformedValue("text").isValid());
        EXPECT_TRUE(capture.lines().isEmpty());
    }
    {
        LogCapture capture;
        EXPECT_FALSE(predicates->transformedValue(QVariant::fromValue(QPointF(1, 2))).isValid());
        ASSERT_EQ(capture.lines().size(), 1);
        EXPECT_TRUE(capture.lines().first().startsWith("failed trasforming data: "));
    }

    const Color red { QColor(255, 0, 0, 128), {} };
    const QVariant colourData = colours->reverseTransformedValue(QVariant::fromValue(red));
    ASSERT_EQ(colourData.metaType().id(), QMetaType::QByteArray);
    EXPECT_EQ(colours->transformedValue(colourData).value<Color>(), red);
    EXPECT_TRUE(colours->allowsReverseTransformation());
    EXPECT_FALSE(colours->transformedValue("red").isValid());
    EXPECT_FALSE(colours->reverseTransformedValue("red").isValid());
    EXPECT_FALSE(colours->transformedValue(data).isValid());
}
