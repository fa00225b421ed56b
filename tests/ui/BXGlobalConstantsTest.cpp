#include "ui/BXGlobalConstants.h"
#include "ui/ArrayUtilities.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cmath>
#include <vector>

TEST(BXGlobalConstants, RegexValidCompilesIcuPatternsAndReportsInvalidOnes)
{
    struct Case {
        QString pattern;
        bool valid;
    };
    const std::vector<Case> cases = {
        { QStringLiteral("foo|bar"), true },
        { QStringLiteral(".*(n[oa]te).*"), true },
        { QStringLiteral("\\p{Lu}+\\d{2,}"), true },
        { QStringLiteral("(?i)ünïcödé"), true },
        { QString(""), true },
        { QStringLiteral("("), false },
        { QStringLiteral("[a-"), false },
        { QStringLiteral("*abc"), false },
        { QStringLiteral("a{3,1}"), false },
        { QStringLiteral("\\"), false },
        { QStringLiteral("(?<name"), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern.toStdString());
        platform::Error error;
        EXPECT_EQ(BXGlobalConstants::regexValid(c.pattern, &error), c.valid);
        EXPECT_EQ(error.isNull(), c.valid);
        if (!c.valid) {
            EXPECT_TRUE(error.is(platform::kCocoaErrorDomain, 2048));
            EXPECT_EQ(
                error.userInfo().value(QStringLiteral("NSInvalidValue")).toString(), c.pattern);
            EXPECT_TRUE(error.localizedDescription().contains(c.pattern));
            EXPECT_FALSE(error.localizedFailureReason().isEmpty());
        }
        // Callers that do not want the error may pass none.
        EXPECT_EQ(BXGlobalConstants::regexValid(c.pattern, nullptr), c.valid);
    }
}

TEST(BXGlobalConstants, RegexValidOfANullPatternLeavesTheErrorAlone)
{
    platform::Error error(QStringLiteral("Earlier"), 7);
    EXPECT_FALSE(BXGlobalConstants::regexValid(QString(), &error));
    EXPECT_TRUE(error.is(QStringLiteral("Earlier"), 7));
}

TEST(BXGlobalConstants, GuessRegexSplitsAtPunctuationAndKeepsWhiteSpace)
{
    const std::vector<std::pair<QString, QString>> cases = {
        { QStringLiteral("foo, bar"), QStringLiteral("foo| bar") },
        { QStringLiteral("a||b"), QStringLiteral("a|b") },
        { QStringLiteral("..."), QString() },
        { QStringLiteral("plain words"), QStringLiteral("plain words") },
        { QStringLiteral("(unclosed"), QStringLiteral("unclosed") },
        { QStringLiteral("x|y"), QStringLiteral("x|y") },
        { QStringLiteral("«quoted» — dash"), QStringLiteral("quoted| | dash") },
        { QString(), QString() },
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text.toStdString());
        const QString guess = BXGlobalConstants::guessRegex(text);
        EXPECT_EQ(guess, expected);
        if (!guess.isEmpty()) {
            EXPECT_TRUE(BXGlobalConstants::regexValid(guess, nullptr));
        }
    }
}

TEST(BXGlobalConstants, NormalizedFactorSnapsDownToTheQuantum)
{
    struct Case {
        double factor;
        double quantum;
        double expected;
    };
    const std::vector<Case> cases = {
        { 1.3, 0.25, 1.25 },
        { 1.25, 0.25, 1.25 },
        { 1.15, 0.25, 1.0 },
        { 3.99, 0.25, 3.75 },
        { 0.1, 0.25, 0.0 },
        { 1.0, 0.25, 1.0 },
        { 0.3, 0.25, 0.25 },
        { -0.3, 0.25, -0.3 },
        { 4.0, 0.25, 4.0 },
        { 1.37, 0.1, 1.3 },
        // A quantum below a hundredth truncates to zero: the factor comes back unchanged.
        { 1.3, 0.0, 1.3 },
        { 1.3, 0.005, 1.3 },
        { 1.3, -0.25, 1.3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.factor << " by " << c.quantum);
        EXPECT_NEAR(BXGlobalConstants::normalizedFactor(c.factor, c.quantum), c.expected, 1e-9);
    }
}

TEST(BXGlobalConstants, AbbreviatingReplacesOnlyALeadingHomeFolder)
{
    const QString home = BXGlobalConstants::realHomeDirectory();
    ASSERT_EQ(home, QDir::cleanPath(bxtest::homeFolder()));
    ASSERT_FALSE(home.endsWith(QLatin1Char('/')));
    const std::vector<std::pair<QString, QString>> cases = {
        { home, QStringLiteral("~") },
        { home + QStringLiteral("/"), QStringLiteral("~/") },
        { home + QStringLiteral("/Notes/a.notes"), QStringLiteral("~/Notes/a.notes") },
        { home + QStringLiteral("by/x"), home + QStringLiteral("by/x") },
        { QStringLiteral("/elsewhere") + home + QStringLiteral("/x"),
            QStringLiteral("/elsewhere") + home + QStringLiteral("/x") },
        { home + QStringLiteral("/a") + home, QStringLiteral("~/a") + home },
        { QStringLiteral("/tmp/file"), QStringLiteral("/tmp/file") },
        { QStringLiteral("relative/path"), QStringLiteral("relative/path") },
        { QString(), QString() },
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(BXGlobalConstants::stringByAbbreviatingWithTildeInPath(path), expected);
    }
}

TEST(BXGlobalConstants, FileIsInvisibleOnlyForExistingHiddenFiles)
{
    const QDir folder(bxtest::makeTempFolder());
    for (const QString& name : { QStringLiteral(".hidden"), QStringLiteral("visible") }) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QDir(folder).mkdir(QStringLiteral(".folder"));
    const std::vector<std::pair<QString, bool>> cases = {
        { folder.filePath(QStringLiteral(".hidden")), true },
        { folder.filePath(QStringLiteral(".folder")), true },
        { folder.filePath(QStringLiteral("visible")), false },
        { folder.filePath(QStringLiteral(".missing")), false },
        { QString(), false },
    };
    for (const auto& [path, hidden] : cases) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(BXGlobalConstants::fileIsInvisibleAtPath(path), hidden);
    }
}

TEST(ArrayUtilities, IndexValidAndContainsObjects)
{
    const QList<int> list { 3, 5, 8 };
    for (const auto& [index, valid] : std::vector<std::pair<qint64, bool>> {
             { -1, false }, { 0, true }, { 2, true }, { 3, false } }) {
        SCOPED_TRACE(index);
        EXPECT_EQ(ArrayUtilities::indexValid(list, index), valid);
    }
    EXPECT_FALSE(ArrayUtilities::indexValid(QList<int> {}, 0));

    EXPECT_TRUE(ArrayUtilities::containsObjects(list, QList<int> { 8, 3 }));
    EXPECT_FALSE(ArrayUtilities::containsObjects(list, QList<int> { 8, 4 }));
    EXPECT_FALSE(ArrayUtilities::containsObjects(list, QList<int> {}));
    EXPECT_FALSE(ArrayUtilities::containsObjects(QList<int> {}, QList<int> {}));
}
