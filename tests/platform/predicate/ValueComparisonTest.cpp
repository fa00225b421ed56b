#include "platform/predicate/ValueComparison.h"
#include "platform/predicate/ComparisonPredicate.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace platform;

namespace {

constexpr int kC = ComparisonPredicate::CaseInsensitive;
constexpr int kD = ComparisonPredicate::DiacriticInsensitive;
constexpr int kCD = kC | kD;

} // namespace

// [c] is full case folding without language rules, [d] drops the non-spacing marks of the
// canonical decomposition; neither touches what the other one does.
TEST(ValueComparison, FoldAppliesCaseAndDiacriticRulesAcrossScripts)
{
    const struct {
        const char16_t* text;
        int options;
        const char16_t* expected;
    } cases[] = {
        { u"Straße", kC, u"strasse" },
        { u"Straße", kD, u"Straße" },
        { u"ΟΔΟΣ and οδός", kC, u"οδοσ and οδόσ" },
        { u"ΟΔΟΣ and οδός", kCD, u"οδοσ and οδοσ" },
        { u"İstanbul", kC, u"i\u0307stanbul" },
        { u"İstanbul", kCD, u"istanbul" },
        { u"ISTANBUL ıstanbul", kCD, u"istanbul ıstanbul" },
        { u"Crème Brûlée", kD, u"Creme Brulee" },
        { u"Crème Brûlée", kC, u"crème brûlée" },
        { u"Cafe\u0301 au lait", kCD, u"cafe au lait" },
        { u"Cafe\u0301", 0, u"Cafe\u0301" },
        { u"\u212B and \u212A", kCD, u"a and k" },
        { u"\u212B", kD, u"A" },
        { u"Ёлка, ПРИВЕТ", kCD, u"елка, привет" },
        { u"データ 日本語", kD, u"テータ 日本語" },
        { u"😀 Émoji 👍🏽 ﬁne", kCD, u"😀 emoji 👍🏽 fine" },
        { u"😀 Émoji 👍🏽 ﬁne", kD, u"😀 Emoji 👍🏽 ﬁne" },
        { u"PLAIN ascii", kC, u"plain ascii" },
        { u"PLAIN ascii", kD, u"PLAIN ascii" },
        { u"", kCD, u"" },
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString() + " options " + std::to_string(c.options));
        EXPECT_EQ(ValueComparison::fold(text, c.options), QString::fromUtf16(c.expected));
    }
}

// Long texts fold in runs of ASCII and of other characters; matches that cross from one run
// into the next must be found as in the text folded whole.
TEST(ValueComparison, ContainsFindsFoldedPartsAcrossScriptsAndRuns)
{
    const QString filler(600, QLatin1Char('x'));
    const QString text = filler
        + QStringLiteral("Notes from İstanbul: ΟΔΟΣ 12, Straße 5, crème brûlée, データ, "
                         "😀 and ﬁnal words, Ёлка.")
        + filler;
    const struct {
        const char16_t* part;
        int options;
        bool expected;
    } cases[] = {
        { u"istanbul: οδοσ", kCD, true },
        { u"istanbul", kC, false },
        { u"İSTANBUL", kC, true },
        { u"οδος 12", kC, true },
        { u"ΟΔΟΣ 12", 0, true },
        { u"οδος", 0, false },
        { u"strasse 5", kC, true },
        { u"STRASSE", kD, false },
        { u"creme brulee", kCD, true },
        { u"creme", kC, false },
        { u"Crème", kD, false },
        { u"creme", kD, true },
        { u"テータ", kD, true },
        { u"😀 and final", kCD, true },
        { u"😀 and final", kD, false },
        { u"\u0435\u0308лка", kCD, true },
        { u"ёлка.xxx", kC, true },
        { u"xxxnotes", kC, true },
        { u"xxxnotes", kD, false },
        { u"", kCD, true },
        { u"words, Ёлка!", kCD, false },
    };
    for (const auto& c : cases) {
        const QString part = QString::fromUtf16(c.part);
        SCOPED_TRACE(part.toStdString() + " options " + std::to_string(c.options));
        EXPECT_EQ(ValueComparison::contains(text, part, c.options), c.expected);
    }
}

TEST(ValueComparison, ContainsInLongTextsAgreesWithFoldingTheWholeText)
{
    // Pieces of text whose folding differs in length or needs its neighbours.
    const QStringList pieces { u"a"_qs, u"B"_qs, u" "_qs, u"\u00C9"_qs, u"e\u0301"_qs, u"\u00DF"_qs,
        u"\uFB01"_qs, u"\u0130"_qs, u"\u03A3"_qs, u"\u30D9"_qs, QString::fromUcs4(U"\U0001F600"),
        u"\u0301\u0308"_qs, u"\u1E9E"_qs };
    QRandomGenerator random(11);
    for (int round = 0; round < 300; ++round) {
        QString text;
        while (text.size() < 1200)
            text += pieces.at(random.bounded(pieces.size()));
        const qsizetype from = random.bounded(text.size() - 20);
        const QString part = text.mid(from, 1 + random.bounded(12));
        for (const int options : { kC, kD, kCD }) {
            SCOPED_TRACE(round);
            const bool whole = ValueComparison::fold(text, options)
                                   .contains(ValueComparison::fold(part, options));
            EXPECT_EQ(ValueComparison::contains(text, part, options), whole);
            EXPECT_EQ(ValueComparison::contains(text, part + u"\u03C9"_qs, options),
                ValueComparison::fold(text, options)
                    .contains(ValueComparison::fold(part + u"\u03C9"_qs, options)));
        }
    }
}
