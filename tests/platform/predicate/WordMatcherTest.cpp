#include "platform/predicate/WordMatcher.h"

#include <gtest/gtest.h>

using platform::WordMatcher;
using Match = WordMatcher::Match;

TEST(WordMatcher, FindsTheFirstOrLastWordIgnoringCaseAndDiacriticsInTheTextsOwnUnits)
{
    const QString face = QString::fromUcs4(U"\U0001F600");
    const struct {
        const char* why;
        QString text;
        QString pattern;
        Match range;
        bool backwards;
        std::optional<Match> expected;
    } cases[] = {
        { "precomposed accent after a surrogate pair", face + u" \u00C9lan vital"_qs, u"elan"_qs,
            { 0, 13 }, false, Match { 3, 4 } },
        { "decomposed accent keeps its mark", face + u" E\u0301lan"_qs, u"ELAN"_qs, { 0, 8 }, false,
            Match { 3, 5 } },
        { "a letter folding to two", u"Stra\u00DFe"_qs, u"STRASSE"_qs, { 0, 6 }, false,
            Match { 0, 6 } },
        { "earliest of two words", u"the cat and the dog"_qs, u"dog  cat"_qs, { 0, 19 }, false,
            Match { 4, 3 } },
        { "latest of two words backwards", u"the cat and the dog"_qs, u"cat dog"_qs, { 0, 19 },
            true, Match { 16, 3 } },
        { "a tie goes to the word first in the pattern", u"abc"_qs, u"abc ab"_qs, { 0, 3 }, false,
            Match { 0, 3 } },
        { "a tie goes to the word first in the pattern", u"abc"_qs, u"ab abc"_qs, { 0, 3 }, false,
            Match { 0, 2 } },
        { "only inside the range", u"ab ab"_qs, u"ab"_qs, { 1, 4 }, false, Match { 3, 2 } },
        { "a match must end inside the range", u"ab ab"_qs, u"ab"_qs, { 0, 4 }, true,
            Match { 0, 2 } },
        { "empty range", u"ab"_qs, u"ab"_qs, { 1, 0 }, false, std::nullopt },
        { "range past the text", u"ab"_qs, u"ab"_qs, { 0, 3 }, false, std::nullopt },
        { "white space alone", u"a b"_qs, u" \t "_qs, { 0, 3 }, false, std::nullopt },
        { "a lone mark folds away", u"e\u0301"_qs, u"\u0301"_qs, { 0, 2 }, false, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(WordMatcher(c.pattern).find(c.text, c.range, c.backwards), c.expected);
    }
}
