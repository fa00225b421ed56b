#include "TestObject.h"

#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/CompoundPredicate.h"
#include "platform/predicate/Predicate.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace platform;

TEST(PredicateSyntax, MalformedFormatsAreErrorsNotCrashes)
{
    const struct {
        QString format;
        QVariantList args;
    } cases[] = {
        { "", {} },
        { "   ", {} },
        { "name", {} },
        { "name ==", {} },
        { "== 3", {} },
        { "name = 'unterminated", {} },
        { "name = \"unterminated\\\"", {} },
        { "(name = 1", {} },
        { "name = 1)", {} },
        { "name = 1 AND", {} },
        { "name = 1 OR OR name = 2", {} },
        { "NOT", {} },
        { "name === 1", {} },
        { "name ==[x] 'a'", {} },
        { "name ==[c 'a'", {} },
        { "name = %@", {} },
        { "%K = 1", { 5 } },
        { "%K = 1", { "" } },
        { "name = %s", { "a" } },
        { "name = %", {} },
        { "name = $", {} },
        { "name = #", {} },
        { "name.@avg = 1", {} },
        { "name = 'a'.length", {} },
        { "name = {1, 2", {} },
        { "name = {1,, 2}", {} },
        { "SUBQUERY(items, x, TRUEPREDICATE).@count = 0", {} },
        { "SUBQUERY(items, $x TRUEPREDICATE).@count = 0", {} },
        { "CAST('x', 'NSDate') = nil", {} },
        { "CAST(1, 'NSNumber') = nil", {} },
        { "AND = 1", {} },
        { "name IN", {} },
        { "12abc = 1", {} },
        { "1e = 1", {} },
        { "'\\u12' = 'x'", {} },
        { "name MATCHES '('", {} },
        { "name MATCHES[c] '[z-a]'", {} },
        { QString(5000, QLatin1Char('(')) + "a = 1" + QString(5000, QLatin1Char(')')), {} },
        { QString("NOT ").repeated(5000) + "a = 1", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.left(60).toStdString());
        Error error;
        EXPECT_FALSE(Predicate::predicateWithFormat(c.format, c.args, &error));
        EXPECT_EQ(error.domain(), kCocoaErrorDomain);
        EXPECT_EQ(error.code(), PredicateFormatErrorCode);
        EXPECT_FALSE(error.localizedFailureReason().isEmpty());
    }
}

TEST(PredicateSyntax, CanonicalTextReadsBackEqual)
{
    const QDateTime date(QDate(2023, 11, 5), QTime(22, 15, 30, 250), Qt::UTC);
    const struct {
        QString format;
        QVariantList args;
        QString canonical;
    } cases[] = {
        { "a = 1", {}, "a == 1" },
        { "a =< -2.5", {}, "a <= -2.5" },
        { "a => 1e3", {}, "a >= 1000.0" },
        { "a <> 1e999", {}, "a != 1e999" },
        { "a == 1.0", {}, "a == 1.0" },
        { "a == 0.1", {}, "a == 0.1" },
        { "a == %f", { 1.0 / 3.0 }, "a == 0.3333333333333333" },
        { "a == 99999999999999999999", {}, "a == 1e+20" },
        { "a == %@", { "say \"hi\"\\\n\t\x01" }, R"(a == "say \"hi\"\\\n\t\u0001")" },
        { "a == %@", { date }, "a == CAST(720915330.250, \"NSDate\")" },
        { "a == %@", { QVariantList { 1, "two", QVariant(), false } },
            R"(a == {1, "two", nil, NO})" },
        { "a IN {$x, 2}", {}, "a IN {$x, 2}" },
        { "%K == 1", { "in.and" }, "#in.and == 1" },
        { "#self.name == 1", {}, "#self.name == 1" },
        { "SELF.name == 1", {}, "name == 1" },
        { "self == nil", {}, "SELF == nil" },
        { "any items.size > 1", {}, "ANY items.size > 1" },
        { "NONE items == 1", {}, "NOT ANY items == 1" },
        { "ALL items ==[cd] 'é'", {}, "ALL items ==[cd] \"é\"" },
        { "a == 1 AND (b == 2 OR c == 3) AND NOT (d == 4 OR e == 5)", {},
            "a == 1 AND (b == 2 OR c == 3) AND NOT (d == 4 OR e == 5)" },
        { "(a == 1 AND b == 2) AND c == 3", {}, "(a == 1 AND b == 2) AND c == 3" },
        { "NOT NOT a == 1", {}, "NOT NOT a == 1" },
        { "@count == 0", {}, "@count == 0" },
        { "$v.items.@count == SUBQUERY(x, $y, $y == $v).@count", {},
            "$v.items.@count == SUBQUERY(x, $y, $y == $v).@count" },
        { "a CONTAINS[c] 'x' OR a ENDSWITH[d] 'y' OR a LIKE 'z?' OR a BEGINSWITH 'w'", {},
            R"(a CONTAINS[c] "x" OR a ENDSWITH[d] "y" OR a LIKE "z?" OR a BEGINSWITH "w")" },
        { "FALSEPREDICATE OR TRUEPREDICATE", {}, "FALSEPREDICATE OR TRUEPREDICATE" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        Error error;
        const auto predicate = Predicate::predicateWithFormat(c.format, c.args, &error);
        ASSERT_TRUE(predicate) << error.toString().toStdString();
        EXPECT_EQ(predicate->predicateFormat(), c.canonical);
        const auto reparsed
            = Predicate::predicateWithFormat(predicate->predicateFormat(), {}, &error);
        ASSERT_TRUE(reparsed) << error.toString().toStdString();
        EXPECT_TRUE(*reparsed == *predicate);
        EXPECT_EQ(reparsed->predicateFormat(), c.canonical);
    }
}

TEST(PredicateSyntax, TreeIsWalkable)
{
    const auto predicate = Predicate::predicateWithFormat(
        "trashFlag = NO OR (noteName CONTAINS[cd] %@ AND ANY categories.categoryName == 'x')",
        { "word" });
    ASSERT_TRUE(predicate);
    ASSERT_EQ(predicate->kind(), Predicate::Kind::Compound);
    const auto& orPredicate = static_cast<const CompoundPredicate&>(*predicate);
    EXPECT_EQ(orPredicate.compoundPredicateType(), CompoundPredicate::Type::Or);
    ASSERT_EQ(orPredicate.subpredicates().size(), 2);

    const auto& flag = static_cast<const ComparisonPredicate&>(*orPredicate.subpredicates()[0]);
    EXPECT_EQ(flag.predicateOperatorType(), ComparisonPredicate::Operator::EqualTo);
    EXPECT_EQ(flag.leftExpression()->type(), Expression::Type::KeyPath);
    EXPECT_EQ(flag.leftExpression()->keyPath(), "trashFlag");
    EXPECT_FALSE(flag.leftExpression()->operand());
    EXPECT_EQ(flag.rightExpression()->constantValue(), QVariant(false));

    const auto& andPredicate
        = static_cast<const CompoundPredicate&>(*orPredicate.subpredicates()[1]);
    const auto& contains
        = static_cast<const ComparisonPredicate&>(*andPredicate.subpredicates()[0]);
    EXPECT_EQ(contains.predicateOperatorType(), ComparisonPredicate::Operator::Contains);
    EXPECT_EQ(contains.options(),
        ComparisonPredicate::CaseInsensitive | ComparisonPredicate::DiacriticInsensitive);
    EXPECT_EQ(contains.rightExpression()->constantValue(), QVariant("word"));
    const auto& any = static_cast<const ComparisonPredicate&>(*andPredicate.subpredicates()[1]);
    EXPECT_EQ(any.comparisonPredicateModifier(), ComparisonPredicate::Modifier::Any);
    EXPECT_EQ(any.leftExpression()->keyPath(), "categories.categoryName");
}
