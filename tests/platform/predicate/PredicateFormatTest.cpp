#include "TestObject.h"

#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/CompoundPredicate.h"
#include "platform/predicate/Predicate.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A small notes file in memory: two user categories, one built-in, three notes.
struct Fixture {
    KeyValueRef work
        = TestObject::make({ { "categoryName", "Work" }, { "isPlainCategory", true } });
    KeyValueRef schools = TestObject::make(
        { { "categoryName", QString::fromUtf8("Écoles") }, { "isPlainCategory", true } });
    KeyValueRef allNotes
        = TestObject::make({ { "categoryName", "All Notes" }, { "categoryID", "AllNotesCategory" },
            { "identifier", "AllNotesCategory" }, { "isPlainCategory", false } });
    QDateTime older = QDateTime(QDate(2024, 3, 1), QTime(12, 0), Qt::UTC);
    QDateTime newer = QDateTime(QDate(2024, 3, 20), QTime(8, 30), Qt::UTC);
    KeyValueRef cafe = TestObject::make({ { "noteName", QString::fromUtf8("Café plans") },
        { "noteText", QString::fromUtf8("Meet at the CAFÉ at 9") }, { "trashFlag", false },
        { "lastImportFlag", true }, { "noteModified", newer },
        { "categories", toMany({ work, schools }) } });
    KeyValueRef blank = TestObject::make({ { "noteName", "" }, { "noteText", " \n\t " },
        { "trashFlag", true }, { "lastImportFlag", false }, { "noteModified", older },
        { "categories", QVariantList() } });
    KeyValueRef builtIn = TestObject::make({ { "trashFlag", false }, { "noteModified", older },
        { "categories", toMany({ allNotes }) } });
    KeyValueRef preference = TestObject::make({ { "prefType", 2 }, { "prefName", "fontName" } });
};

struct Expectation {
    QVariant object;
    bool result;
};

struct FormatCase {
    QString format;
    QVariantList args;
    QVariantMap variables;
    // Empty when an argument is an object, whose text cannot be read back.
    QString canonical;
    std::vector<Expectation> expectations;
};

} // namespace

TEST(PredicateFormat, FormatsOfTheApplicationParsePrintAndEvaluate)
{
    Fixture f;
    const QVariant cafe = objectValue(f.cafe), blank = objectValue(f.blank),
                   builtIn = objectValue(f.builtIn);
    const QString email = QStringLiteral(".+@([A-Za-z0-9-]+\\.)+[A-Za-z]{2,}");
    const FormatCase cases[] = {
        { "lastImportFlag = YES", {}, {}, "lastImportFlag == YES",
            { { cafe, true }, { blank, false } } },
        { "trashFlag = YES", {}, {}, "trashFlag == YES", { { cafe, false }, { blank, true } } },
        { "identifier IN %@",
            { QStringList { "AllNotesCategory", "RecentNotesCategory", "NoCategory" } }, {},
            R"(identifier IN {"AllNotesCategory", "RecentNotesCategory", "NoCategory"})",
            { { objectValue(f.allNotes), true }, { objectValue(f.work), false } } },
        { "isPlainCategory = TRUE", {}, {}, "isPlainCategory == YES",
            { { objectValue(f.work), true }, { objectValue(f.allNotes), false } } },
        { "isPlainCategory == TRUE", {}, {}, "isPlainCategory == YES",
            { { objectValue(f.schools), true } } },
        { "noteModified >= $dateBeforeNow", {}, { { "dateBeforeNow", f.newer.addDays(-10) } },
            "noteModified >= $dateBeforeNow", { { cafe, true }, { blank, false } } },
        { "prefType = %@ AND prefName =  %@", { 2, "fontName" }, {},
            R"(prefType == 2 AND prefName == "fontName")",
            { { objectValue(f.preference), true }, { cafe, false } } },
        { "noteItem == %@", { cafe }, {}, {},
            { { QVariantMap { { "noteItem", cafe } }, true },
                { QVariantMap { { "noteItem", blank } }, false } } },
        { "(noteName = nil OR noteName = '' OR noteName MATCHES '^\\s*$') AND "
          "(noteText = nil OR noteText = '' OR noteText MATCHES '^\\s*$')",
            {}, {},
            R"((noteName == nil OR noteName == "" OR noteName MATCHES "^\\s*$") AND )"
            R"((noteText == nil OR noteText == "" OR noteText MATCHES "^\\s*$"))",
            { { cafe, false }, { blank, true }, { builtIn, true } } },
        { "SELF MATCHES %@", { email }, {}, R"(SELF MATCHES ".+@([A-Za-z0-9-]+\\.)+[A-Za-z]{2,}")",
            { { "ann@mail.example.org", true }, { "ann@example", false }, { "@example.org", false },
                { "ann@example.c0m", false } } },
        { "SELF != %@", { "" }, {}, R"(SELF != "")",
            { { "", false }, { "piece", true }, { QVariant(), true } } },
        { "trashFlag = NO OR (self IN %@)", { QVariantList() }, {}, "trashFlag == NO OR SELF IN {}",
            { { cafe, true }, { blank, false } } },
        { "trashFlag = NO OR (self IN %@)", { QVariantList { blank } }, {}, {},
            { { blank, true }, { cafe, true } } },
        { "(trashFlag = NO AND (noteText CONTAINS[cd] %@ OR noteName CONTAINS[cd] %@)) OR "
          "(self IN %@)",
            { "cafe", "cafe", QVariantList() }, {},
            R"((trashFlag == NO AND (noteText CONTAINS[cd] "cafe" OR )"
            R"(noteName CONTAINS[cd] "cafe")) OR SELF IN {})",
            { { cafe, true }, { builtIn, false } } },
        { "(trashFlag = NO AND (noteText MATCHES[cd] %@ OR noteName MATCHES[cd] %@)) OR "
          "(self IN %@)",
            { ".*(cafe).*", ".*(cafe).*", QVariantList() }, {},
            R"((trashFlag == NO AND (noteText MATCHES[cd] ".*(cafe).*" OR )"
            R"(noteName MATCHES[cd] ".*(cafe).*")) OR SELF IN {})",
            { { cafe, true }, { builtIn, false } } },
        { "categoryID = %@", { "AllNotesCategory" }, {}, R"(categoryID == "AllNotesCategory")",
            { { objectValue(f.allNotes), true }, { objectValue(f.work), false } } },
        { "categoryID != %@", { "NoCategory" }, {}, R"(categoryID != "NoCategory")",
            { { objectValue(f.allNotes), true }, { objectValue(f.work), true } } },
        { "SUBQUERY(categories, $var, $var.categoryID = nil).@count = 0", {}, {},
            "SUBQUERY(categories, $var, $var.categoryID == nil).@count == 0",
            { { cafe, false }, { blank, true }, { builtIn, true } } },
        { "categoryName LIKE[cd] %@", { "e*" }, {}, R"(categoryName LIKE[cd] "e*")",
            { { objectValue(f.schools), true }, { objectValue(f.work), false } } },
        { "(NOT categoryName IN %@) AND (categoryName BEGINSWITH[cd] %@)",
            { QStringList { "Work" }, "e" }, {},
            R"(NOT categoryName IN {"Work"} AND categoryName BEGINSWITH[cd] "e")",
            { { objectValue(f.schools), true }, { objectValue(f.work), false } } },
        { "categories.@count >= 2", {}, {}, "categories.@count >= 2",
            { { cafe, true }, { builtIn, false } } },
        { "ANY categories == %@", { objectValue(f.work) }, {}, {},
            { { cafe, true }, { builtIn, false } } },
        { "ANY categories.categoryName == %@", { "Work" }, {},
            R"(ANY categories.categoryName == "Work")", { { cafe, true }, { blank, false } } },
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        Error error;
        const auto predicate = Predicate::predicateWithFormat(c.format, c.args, &error);
        ASSERT_TRUE(predicate) << error.toString().toStdString();
        if (!c.canonical.isEmpty()) {
            EXPECT_EQ(predicate->predicateFormat(), c.canonical);
            const auto reparsed = Predicate::predicateWithFormat(predicate->predicateFormat());
            ASSERT_TRUE(reparsed);
            EXPECT_TRUE(*reparsed == *predicate);
        }
        for (const Expectation& e : c.expectations) {
            Error failure;
            EXPECT_EQ(predicate->evaluateWithObject(e.object, c.variables, &failure), e.result)
                << e.object.toString().toStdString();
            EXPECT_TRUE(failure.isNull()) << failure.toString().toStdString();
        }
    }
}
