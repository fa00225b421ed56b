#include "TestObject.h"

#include "platform/foundation/RegularExpression.h"
#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/Expression.h"
#include "platform/predicate/Predicate.h"
#include "platform/predicate/ValueComparison.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace platform;

namespace {

struct EvaluationCase {
    QString format;
    QVariantList args;
    bool expected;
};

bool evaluate(const QString& format, const QVariant& object, const QVariantList& args = {},
    Error* error = nullptr)
{
    const auto predicate = Predicate::predicateWithFormat(format, args);
    EXPECT_TRUE(predicate) << format.toStdString();
    return predicate && predicate->evaluateWithObject(object, {}, error);
}

} // namespace

TEST(PredicateEvaluation, ValuesCompareByKindWithNilOnlyEqualToNil)
{
    const QDateTime instant(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC);
    const auto owner = TestObject::make({ { "name", "Ann" } });
    const QVariantMap object {
        { "count", 3 },
        { "big", qint64(1) << 40 },
        { "ratio", 2.5 },
        { "flag", true },
        { "off", false },
        { "name", QString::fromUtf8("Crème Brûlée") },
        { "date", instant },
        { "tags", QStringList { "red", "Green" } },
        { "owner", objectValue(owner) },
        { "info", QVariantMap { { "size", 10 } } },
        { "missing", QVariant() },
    };
    const EvaluationCase cases[] = {
        // nil
        { "missing == nil", {}, true },
        { "missing = NULL", {}, true },
        { "missing != nil", {}, false },
        { "count != nil", {}, true },
        { "missing < 5", {}, false },
        { "missing >= 5", {}, false },
        { "missing == 0", {}, false },
        { "missing CONTAINS 'a'", {}, false },
        { "missing BEGINSWITH ''", {}, false },
        { "missing != 0", {}, true },
        { "nokey == nil", {}, true },
        // numbers across integer, floating point and Boolean
        { "flag == 1", {}, true },
        { "flag == YES", {}, true },
        { "off == 0", {}, true },
        { "count == 3.0", {}, true },
        { "ratio > count", {}, false },
        { "ratio < 3", {}, true },
        { "big > 1099511627775", {}, true },
        { "count == %d", { 3 }, true },
        { "ratio == %f", { 2.5 }, true },
        { "count == '3'", {}, false },
        { "count >= -3", {}, true },
        { "count > 0x2", {}, true },
        { "ratio == 25e-1", {}, true },
        // dates as instants, whatever their time zone
        { "date == %@", { instant.toTimeZone(QTimeZone("Europe/Berlin")) }, true },
        { "date < %@", { instant.addSecs(1) }, true },
        { "date > %@", { instant }, false },
        { "date == CAST(736250400, \"NSDate\")", {}, true },
        // strings: exact unless asked
        { "name == 'crème brûlée'", {}, false },
        { "name ==[c] 'crème brûlée'", {}, true },
        { "name ==[d] 'Creme Brulee'", {}, true },
        { "name ==[cd] 'CREME BRULEE'", {}, true },
        { "name BEGINSWITH 'Crè'", {}, true },
        { "name BEGINSWITH[cd] 'cre'", {}, true },
        { "name ENDSWITH[d] 'lee'", {}, true },
        { "name CONTAINS[cd] 'ME BR'", {}, true },
        { "name CONTAINS 'me br'", {}, false },
        { "'Hello World' CONTAINS[c] 'WORLD'", {}, true },
        { "'Hello World' CONTAINS[d] 'World'", {}, true },
        { "'Hello World' CONTAINS 'world'", {}, false },
        { "'Hello World' CONTAINS[cd] 'wörld'", {}, true },
        { "'WORLD' IN[c] 'Hello world'", {}, true },
        { "name < 'D'", {}, true },
        { "name LIKE 'Cr*e'", {}, true },
        { "name LIKE[cd] 'creme?brulee'", {}, true },
        { "name LIKE 'Cr'", {}, false },
        { "name LIKE '*'", {}, true },
        { "'a*b' LIKE 'a\\\\*b'", {}, true },
        { "'axb' LIKE 'a\\\\*b'", {}, false },
        { "'STRASSE' ==[c] 'straße'", {}, true },
        { "name IN 'A Crème Brûlée tart'", {}, true },
        { "name MATCHES 'Cr.*'", {}, true },
        { "name MATCHES 'Cr'", {}, false },
        { "name MATCHES[c] 'crème.*'", {}, true },
        { "name MATCHES[cd] '.*BRULEE'", {}, true },
        { "name MATCHES '.*brûlée'", {}, false },
        // collections and to-many
        { "tags CONTAINS 'red'", {}, true },
        { "tags CONTAINS[c] 'green'", {}, true },
        { "'Green' IN tags", {}, true },
        { "'blue' IN tags", {}, false },
        { "count IN {1, 2, 3}", {}, true },
        { "count IN {1, 2}", {}, false },
        { "count IN %@", { QVariantList { 1, 3 } }, true },
        { "ANY tags BEGINSWITH 'G'", {}, true },
        { "SOME tags == 'blue'", {}, false },
        { "ALL tags LIKE[c] '*e*'", {}, true },
        { "ALL tags == 'red'", {}, false },
        { "NONE tags == 'blue'", {}, true },
        { "tags.@count == 2", {}, true },
        { "info.@count == 1", {}, true },
        { "missing.@count == 0", {}, false },
        // key paths through to-one relations and dictionaries
        { "owner.name == 'Ann'", {}, true },
        { "owner == %@", { objectValue(owner) }, true },
        { "owner == %@", { objectValue(TestObject::make({ { "name", "Ann" } })) }, false },
        { "info.size > 9", {}, true },
        { "SELF.count == 3", {}, true },
        { "%K == 'Ann'", { "owner.name" }, true },
        { "#in == nil", {}, true },
        // compounds and literals
        { "TRUEPREDICATE", {}, true },
        { "FALSEPREDICATE", {}, false },
        { "count == 3 && ratio == 2.5", {}, true },
        { "count == 4 || ratio == 2.5", {}, true },
        { "!(count == 4)", {}, true },
        { "not count == 3 or flag == yes", {}, true },
        { "NOT (count == 3 AND flag == NO)", {}, true },
        { "count == 3 AND (off == YES OR ratio > 2)", {}, true },
        { "\"it's\" == 'it\\'s'", {}, true },
        { "'tab\\there' CONTAINS '\\t'", {}, true },
        { "'\\u00e9' == 'é'", {}, true },
    };
    for (const EvaluationCase& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        Error error;
        EXPECT_EQ(evaluate(c.format, object, c.args, &error), c.expected);
        EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
    }
}

TEST(PredicateEvaluation, SubqueryBindsItsVariableToEachMember)
{
    const auto tagged = TestObject::make({ { "categoryID", QVariant() }, { "rank", 2 } });
    const auto builtIn = TestObject::make({ { "categoryID", "AllNotesCategory" }, { "rank", 5 } });
    const auto note = TestObject::make({ { "categories", toMany({ tagged, builtIn }) } });
    const struct {
        QString format;
        bool expected;
    } cases[] = {
        { "SUBQUERY(categories, $c, $c.categoryID == nil).@count == 1", true },
        { "SUBQUERY(categories, $c, rank > 1).@count == 2", true },
        { "SUBQUERY(categories, $c, $c.rank > 4 AND categoryID != nil).@count == 1", true },
        { "SUBQUERY(categories, $c, SUBQUERY(%@, $d, $d == $c.rank).@count > 0).@count == 1",
            true },
        { "SUBQUERY(nothing, $c, TRUEPREDICATE).@count == 0", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        const auto predicate = Predicate::predicateWithFormat(c.format, { QVariantList { 5, 7 } });
        ASSERT_TRUE(predicate);
        Error error;
        EXPECT_EQ(predicate->evaluateWithObject(note, {}, &error), c.expected);
        EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
    }
}

TEST(PredicateEvaluation, SubstitutionReplacesBoundVariablesOnly)
{
    const auto predicate = Predicate::predicateWithFormat(
        "noteModified >= $dateBeforeNow AND SUBQUERY(categories, $var, $var.name == $name).@count "
        "> 0");
    ASSERT_TRUE(predicate);
    const QDateTime cutOff(QDate(2024, 1, 10), QTime(0, 0), Qt::UTC);
    const auto bound = predicate->predicateWithSubstitutionVariables(
        { { "dateBeforeNow", cutOff }, { "var", 99 }, { "name", "Work" } });
    EXPECT_EQ(bound->predicateFormat(),
        "noteModified >= CAST(726537600.000, \"NSDate\") AND "
        "SUBQUERY(categories, $var, $var.name == \"Work\").@count > 0");
    EXPECT_FALSE(*bound == *predicate);
    EXPECT_TRUE(*Predicate::predicateWithFormat(bound->predicateFormat()) == *bound);

    const auto note = TestObject::make({ { "noteModified", cutOff.addDays(1) },
        { "categories", toMany({ TestObject::make({ { "name", "Work" } }) }) } });
    Error error;
    EXPECT_TRUE(bound->evaluateWithObject(note, {}, &error));
    EXPECT_TRUE(
        predicate->evaluateWithObject(note, { { "dateBeforeNow", cutOff }, { "name", "Work" } }));

    // An unbound variable is an error, never a silent answer in either direction.
    EXPECT_FALSE(predicate->evaluateWithObject(note, {}, &error));
    EXPECT_EQ(error.code(), PredicateFormatErrorCode);
    const auto negated = Predicate::predicateWithFormat("NOT noteModified >= $dateBeforeNow");
    error = Error();
    EXPECT_FALSE(negated->evaluateWithObject(note, {}, &error));
    EXPECT_FALSE(error.isNull());
}

TEST(PredicateEvaluation, RegularExpressionFailuresReachTheCaller)
{
    Error error;
    EXPECT_FALSE(Predicate::predicateWithFormat("noteText MATCHES %@", { "(unclosed" }, &error));
    EXPECT_EQ(error.code(), PredicateFormatErrorCode);
    ASSERT_NE(error.underlyingError(), nullptr);

    // A pattern that arrives at evaluation time fails there.
    const auto late = Predicate::predicateWithFormat("noteText MATCHES $pattern");
    ASSERT_TRUE(late);
    error = Error();
    EXPECT_FALSE(late->evaluateWithObject(
        QVariantMap { { "noteText", "x" } }, { { "pattern", "[a-" } }, &error));
    EXPECT_FALSE(error.isNull());
    error = Error();
    EXPECT_TRUE(late->evaluateWithObject(
        QVariantMap { { "noteText", "x" } }, { { "pattern", "[a-z]" } }, &error));
    EXPECT_TRUE(error.isNull());
    const auto substituted = late->predicateWithSubstitutionVariables({ { "pattern", "((" } });
    EXPECT_FALSE(substituted->evaluateWithObject(QVariantMap { { "noteText", "x" } }, {}, &error));
    EXPECT_FALSE(error.isNull());

    // Catastrophic backtracking gives up with an error instead of hanging the caller.
    const auto slow = Predicate::predicateWithFormat("SELF MATCHES '(a+)+b'");
    ASSERT_TRUE(slow);
    error = Error();
    EXPECT_FALSE(slow->evaluateWithObject(QString(40, QLatin1Char('a')) + "c", {}, &error));
    EXPECT_EQ(error.localizedFailureReason(), "U_REGEX_TIME_OUT");
}

// A pattern wrapped to match anywhere is searched for rather than matched whole; both ways
// must answer alike, flags, anchors and back references included.
TEST(PredicateEvaluation, WrappedPatternsAnswerAsTheirWholeMatch)
{
    const QStringList texts { "milk\neggs\nCafé crème", "a garden\nwith trees", "", "abba", "xxb",
        "Line one\nline TWO", "Straße" };
    const QStringList patterns { "creme", "(?i)CAFÉ", "^with", "(?m)^with", "trees$", "\\Aa",
        "(\\w)\\1", "(?<=l)ine", "e+s$", "", "two|garden", "(?-i)two", "LINE two", "STRASSE",
        "abb?a", "milk\\n" };
    for (const QString& pattern : patterns) {
        const QString wrapped = QStringLiteral("(?s:.*)(%1)(?s:.*)").arg(pattern);
        for (const QString& options : { QString(), QStringLiteral("[cd]") }) {
            const auto predicate = Predicate::predicateWithFormat(
                QStringLiteral("SELF MATCHES%1 %@").arg(options), { wrapped });
            ASSERT_TRUE(predicate) << wrapped.toStdString();
            const int flags = options.isEmpty()
                ? 0
                : ComparisonPredicate::CaseInsensitive | ComparisonPredicate::DiacriticInsensitive;
            const auto whole = RegularExpression::compile(
                ValueComparison::fold(wrapped, flags & ComparisonPredicate::DiacriticInsensitive),
                flags & ComparisonPredicate::CaseInsensitive);
            ASSERT_TRUE(whole);
            for (const QString& text : texts) {
                SCOPED_TRACE(
                    wrapped.toStdString() + options.toStdString() + " on " + text.toStdString());
                EXPECT_EQ(predicate->evaluateWithObject(text),
                    whole->matchesWholeString(ValueComparison::fold(
                        text, flags & ComparisonPredicate::DiacriticInsensitive)));
            }
        }
    }
    // Something that only looks like the wrapper (its middle does not stand alone) is matched
    // whole: "ends in a or starts with b".
    const auto alternation
        = Predicate::predicateWithFormat("SELF MATCHES %@", { "(?s:.*)(a)|(b)(?s:.*)" });
    ASSERT_TRUE(alternation);
    EXPECT_FALSE(alternation->evaluateWithObject(QStringLiteral("xxb")));
    EXPECT_TRUE(alternation->evaluateWithObject(QStringLiteral("bxx")));
}

TEST(PredicateEvaluation, SharedListArgumentIsReadAtEvaluation)
{
    const auto kept = std::make_shared<QVariantList>();
    const auto predicate = Predicate::predicateWithFormat(
        "trashFlag = NO OR (self IN %@)", { QVariant::fromValue(kept) });
    ASSERT_TRUE(predicate);
    const KeyValueRef spare = TestObject::make({ { "trashFlag", true } });
    EXPECT_FALSE(predicate->evaluateWithObject(spare));
    kept->append(objectValue(spare));
    EXPECT_TRUE(predicate->evaluateWithObject(spare));
    kept->clear();
    EXPECT_FALSE(predicate->evaluateWithObject(spare));
}

TEST(PredicateEvaluation, EvaluatesConcurrentlyOnSharedPredicates)
{
    const auto predicate = Predicate::predicateWithFormat("name MATCHES[cd] '.*cafe.*'");
    ASSERT_TRUE(predicate);
    std::vector<std::thread> threads;
    std::atomic<int> matches { 0 };
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                const QVariantMap object { { "name", QStringLiteral("Le Café %1").arg(i) } };
                matches += predicate->evaluateWithObject(object) ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(matches, 2000);
}
