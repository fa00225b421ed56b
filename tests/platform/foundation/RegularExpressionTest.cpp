#include "platform/foundation/RegularExpression.h"

#include "platform/foundation/Dispatch.h"

#include <gtest/gtest.h>

using platform::Error;
using platform::RegularExpression;
using Match = RegularExpression::Match;

TEST(RegularExpression, CompileFailuresNameThePatternAndIcusReason)
{
    for (const QString& pattern : { QStringLiteral("("), QStringLiteral("[a-"),
             QStringLiteral("*abc"), QStringLiteral("a{3,1}"), QStringLiteral("\\") }) {
        SCOPED_TRACE(pattern.toStdString());
        Error error;
        EXPECT_EQ(RegularExpression::compile(pattern, false, &error), nullptr);
        EXPECT_TRUE(error.is(platform::kCocoaErrorDomain, RegularExpression::FormattingErrorCode));
        EXPECT_TRUE(error.localizedDescription().contains(pattern));
        EXPECT_TRUE(error.localizedFailureReason().startsWith(QStringLiteral("U_REGEX_")))
            << error.localizedFailureReason().toStdString();
    }
    // The empty pattern is a pattern: it matches the empty string only.
    const auto empty = RegularExpression::compile(QString());
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->matchesWholeString(QString()));
    EXPECT_FALSE(empty->matchesWholeString(QStringLiteral("x")));
}

TEST(RegularExpression, FindsCountInUtf16UnitsAcrossScripts)
{
    // The emoji takes two units, so later matches start one further than the letters suggest.
    const QString text = QStringLiteral("😀 #Zürich and #東京 or #zürich");
    const auto tags = RegularExpression::compile(QStringLiteral("#\\w+"));
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->find(text), (Match { 3, 7 }));
    EXPECT_EQ(tags->find(text, 4), (Match { 15, 3 }));
    EXPECT_EQ(tags->find(text, text.size()), std::nullopt);
    EXPECT_EQ(tags->find(text, text.size() + 1), std::nullopt);
    EXPECT_EQ(tags->findAll(text), (QList<Match> { { 3, 7 }, { 15, 3 }, { 22, 7 } }));
    EXPECT_EQ(tags->findAll(QStringLiteral("none here")), QList<Match> {});

    const auto folded = RegularExpression::compile(QStringLiteral("#zürich"), true);
    ASSERT_TRUE(folded);
    EXPECT_EQ(folded->findAll(text)->size(), 2);
    EXPECT_FALSE(RegularExpression::compile(QStringLiteral("#zürich"))
                     ->matchesWholeString(QStringLiteral("#ZÜRICH")));
    EXPECT_TRUE(folded->matchesWholeString(QStringLiteral("#ZÜRICH")));
}

TEST(RegularExpression, ReplaceAllUsesGroupsAndGrowsPastTheFirstGuess)
{
    const auto heading = RegularExpression::compile(QStringLiteral("<h1>(.*?)</h1>"));
    ASSERT_TRUE(heading);
    EXPECT_EQ(
        heading->replaceAll(QStringLiteral("<h1>Título</h1><h1>二</h1>"), QStringLiteral("# $1\n")),
        QStringLiteral("# Título\n# 二\n"));
    // Every character grows seven-fold, far past the buffer first tried.
    const auto each = RegularExpression::compile(QStringLiteral("(.)"));
    const QString text(500, QLatin1Char('a'));
    const std::optional<QString> grown = each->replaceAll(text, QStringLiteral("[$1$1$1]--"));
    ASSERT_TRUE(grown);
    EXPECT_EQ(grown->size(), 7 * text.size());
    EXPECT_EQ(each->replaceAll(QString(), QStringLiteral("x")), QString());
}

TEST(RegularExpression, CatastrophicPatternsFailInsteadOfHanging)
{
    const auto nested = RegularExpression::compile(QStringLiteral("(a+)+$"));
    ASSERT_TRUE(nested);
    const QString text = QString(40, QLatin1Char('a')) + QLatin1Char('b');
    Error error;
    EXPECT_FALSE(nested->matchesWholeString(text, &error));
    EXPECT_TRUE(error.localizedDescription().contains(QStringLiteral("took too long")));
    error = Error();
    EXPECT_EQ(nested->find(text, 0, &error), std::nullopt);
    EXPECT_FALSE(error.isNull());
    error = Error();
    EXPECT_EQ(nested->findAll(text, &error), std::nullopt);
    EXPECT_FALSE(error.isNull());
    // The expression stays usable after a failure.
    EXPECT_TRUE(nested->matchesWholeString(QStringLiteral("aaa")));
    // Out of time on a prefix decides nothing: the whole text matches at once.
    const auto beforeB = RegularExpression::compile(QStringLiteral("(a+)+b"));
    ASSERT_TRUE(beforeB);
    error = Error();
    EXPECT_FALSE(beforeB->findsWhateverFollows(QStringView(text).first(40), &error));
    EXPECT_FALSE(error.isNull());
    EXPECT_TRUE(beforeB->find(text).has_value());
}

// Threads match one compiled pattern side by side: each gets the answer it would get alone, and
// the time limit holds on every thread.
TEST(RegularExpression, OnePatternServesManyThreadsAtOnce)
{
    const auto word = RegularExpression::compile(QStringLiteral("stra(ss|ß)e \\d+"), true);
    ASSERT_TRUE(word);
    QStringList texts;
    for (int i = 0; i < 200; ++i)
        texts << QStringLiteral("%1 STRASSE %2").arg(i % 3 ? "Die" : "Keine").arg(i % 5 ? i : -i);
    std::vector<char> alone;
    for (const QString& text : texts)
        alone.push_back(char(word->find(text).has_value()));
    std::vector<char> together(size_t(texts.size()), 0);
    platform::dispatchApply(texts.size(),
        [&](qsizetype i) { together[size_t(i)] = word->find(texts.at(i)).has_value(); });
    EXPECT_EQ(together, alone);
    // A thread that kept a matcher of another expression, even one freed where the next one is
    // made, matches each with its own pattern.
    for (const char* pattern : { "die", "keine", "die", "keine" }) {
        SCOPED_TRACE(pattern);
        const auto once = RegularExpression::compile(QString::fromLatin1(pattern), true);
        EXPECT_EQ(once->find(texts.at(1)).has_value(), qstrcmp(pattern, "die") == 0);
    }

    const auto nested = RegularExpression::compile(QStringLiteral("(a+)+$"));
    const QString slow = QString(40, QLatin1Char('a')) + QLatin1Char('b');
    std::vector<QString> reasons(4);
    platform::dispatchApply(qsizetype(reasons.size()), [&](qsizetype i) {
        Error error;
        nested->matchesWholeString(slow, &error);
        reasons[size_t(i)] = error.localizedFailureReason();
    });
    EXPECT_EQ(reasons, std::vector<QString>(4, QStringLiteral("U_REGEX_TIME_OUT")));
}

TEST(RegularExpression, SearchesInARangeKeepAnchorsAtTheEndsOfTheWholeText)
{
    const auto caret = RegularExpression::compile(QStringLiteral("^ab"), true);
    const auto dollar = RegularExpression::compile(QStringLiteral("ab$"));
    const auto ab = RegularExpression::compile(QStringLiteral("ab"), true);
    const struct {
        const RegularExpression* expression;
        QString text;
        Match range;
        bool last;
        std::optional<Match> expected;
    } cases[] = {
        { caret.get(), QStringLiteral("xxab"), { 2, 2 }, false, std::nullopt },
        { caret.get(), QStringLiteral("ABxx"), { 0, 4 }, false, Match { 0, 2 } },
        { dollar.get(), QStringLiteral("abxx"), { 0, 2 }, false, std::nullopt },
        { dollar.get(), QStringLiteral("xxab"), { 1, 3 }, false, Match { 2, 2 } },
        { ab.get(), QStringLiteral("abAB"), { 0, 4 }, true, Match { 2, 2 } },
        { ab.get(), QStringLiteral("abab"), { 0, 3 }, true, Match { 0, 2 } },
        { ab.get(), QStringLiteral("abab"), { 1, 2 }, false, std::nullopt },
        { ab.get(), QStringLiteral("abab"), { 3, 5 }, false, std::nullopt },
        { ab.get(), QStringLiteral("abab"), { -1, 2 }, false, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.expression->pattern() + QLatin1Char(' ') + c.text).toStdString());
        Error error;
        EXPECT_EQ(c.expression->findInRange(c.text, c.range, c.last, &error), c.expected);
        EXPECT_TRUE(error.isNull());
    }
    // Searches of the whole text anchor at its ends again afterwards.
    EXPECT_EQ(caret->find(QStringLiteral("xxab"), 2), std::nullopt);
    EXPECT_TRUE(dollar->matchesWholeString(QStringLiteral("ab")));
}

// A prefix decides only where nothing after it could undo the match: an anchor, a lookahead or a
// word boundary at the prefix's end, or half a surrogate pair, leave it to the whole text. Every
// cut of every text is checked against the whole text's answer.
TEST(RegularExpression, APrefixDecidesOnlyWhatNoFollowingTextCanUndo)
{
    const struct {
        const char* pattern;
        const char* text;
        qsizetype cut;
        bool decided;
    } cases[] = {
        { "ri.er", "a river and more", 8, true },
        { "(ab)\\1", "xabab tail", 6, true },
        { "(?<=a)b", "ab and so on", 3, true },
        { "^the", "the end", 4, true },
        { "river$", "a river and more", 7, false },
        { "river\\z", "a river and more", 7, false },
        { "river(?!s)", "the rivers", 9, false },
        { "river\\b", "riverbank", 5, false },
        { "ri.er", "a river", 4, false },
        { "x[\\x{D800}-\\x{DBFF}]", "x😀y", 2, false },
        { "(?m)river$", "river\nbank", 6, true },
        { "(?i)RIVER", "a river and more", 8, true },
        { "\\R(?<=\r)", "a\r\nb", 2, false },
        { "e\\X(?<=e)", "ee\u200D🙂", 2, false },
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(std::string(c.pattern) + " in " + c.text);
        const auto expression = RegularExpression::compile(QString::fromUtf8(c.pattern));
        ASSERT_TRUE(expression);
        EXPECT_EQ(expression->findsWhateverFollows(QStringView(text).first(c.cut)), c.decided);
        const bool found = expression->find(text).has_value();
        for (qsizetype cut = 0; cut <= text.size(); ++cut)
            EXPECT_TRUE(found || !expression->findsWhateverFollows(QStringView(text).first(cut)))
                << "cut at " << cut;
    }
}
