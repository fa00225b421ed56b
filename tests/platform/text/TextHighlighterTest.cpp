#include "platform/text/TextHighlighter.h"
#include "platform/foundation/Log.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SpellChecker.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

using namespace platform;

namespace {

// The marked ranges of the first paragraph, as "start+length" with w for a wavy (spelling)
// line and u for a hashtag's underline.
QStringList marks(const QTextDocument& doc)
{
    QStringList result;
    for (const QTextLayout::FormatRange& range : doc.firstBlock().layout()->formats()) {
        const char kind
            = range.format.underlineStyle() == QTextCharFormat::WaveUnderline ? 'w' : 'u';
        result << QStringLiteral("%1%2+%3").arg(kind).arg(range.start).arg(range.length);
    }
    result.sort();
    return result;
}

TEST(TextHighlighterTest, MarksHashtagsWholeAndFromTheirHash)
{
    const struct {
        const char* text;
        QStringList expected;
    } cases[] = {
        { "#a/b/c done", { "u0+6" } },
        { "a lone # is none", {} },
        { "a#b marks", { "u1+2" } },
        { "#work/2024 and #home", { "u0+10", "u15+5" } },
        { "#tag/ ends", { "u0+4" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto doc = AttributedText::makeDocument();
        doc->setPlainText(QString::fromUtf8(c.text));
        TextHighlighter highlighter(doc.get(), nullptr);
        highlighter.rehighlight();
        EXPECT_EQ(marks(*doc), c.expected);
        EXPECT_EQ(doc->toPlainText(), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(TextHighlighter::hashtagAt(QStringLiteral("x #ab/c y"), 4)->start, 2);
    EXPECT_FALSE(TextHighlighter::hashtagAt(QStringLiteral("x #ab/c y"), 7));
}

TEST(TextHighlighterTest, MisspellingsAreMarkedAfterTheIdleCheck)
{
    FakeScheduler scheduler;
    SpellChecker checker(QStringLiteral("en_US"));
    ASSERT_TRUE(checker.isAvailable());
    auto doc = AttributedText::makeDocument();
    doc->setPlainText(QStringLiteral("This sentance has #mispeled tags 42abc"));
    TextHighlighter highlighter(doc.get(), &checker);
    highlighter.rehighlight();
    // Nothing waits for the dictionary while the text is laid out.
    EXPECT_TRUE(highlighter.hasPendingWords());
    EXPECT_EQ(marks(*doc), QStringList { "u18+9" });
    scheduler.runUntilIdle();
    EXPECT_FALSE(highlighter.hasPendingWords());
    EXPECT_EQ(marks(*doc), (QStringList { "u18+9", "w5+8" }));
    int start = 0;
    int length = 0;
    ASSERT_TRUE(highlighter.misspelledWordAt(7, &start, &length));
    EXPECT_EQ(start, 5);
    EXPECT_EQ(length, 8);
    EXPECT_TRUE(
        checker.suggestions(QStringLiteral("sentance")).contains(QStringLiteral("sentence")));

    checker.ignoreWord(QStringLiteral("sentance"));
    EXPECT_EQ(marks(*doc), QStringList { "u18+9" });

    highlighter.setChecksSpelling(false);
    doc->setPlainText(QStringLiteral("Anothr"));
    scheduler.runUntilIdle();
    EXPECT_TRUE(marks(*doc).isEmpty());
}

// A long note's paragraphs are marked in slices, the ones on screen first, and none is left out.
TEST(TextHighlighterTest, EveryParagraphOfALongNoteIsMarkedInTheEnd)
{
    FakeScheduler scheduler;
    SpellChecker checker(QStringLiteral("en_US"));
    ASSERT_TRUE(checker.isAvailable());
    auto doc = AttributedText::makeDocument();
    doc->setPlainText(QStringLiteral("Somethng misspelt here\n").repeated(500));
    TextHighlighter highlighter(doc.get(), &checker);
    highlighter.setVisibleBlocks(400, 410);
    highlighter.rehighlight();
    EXPECT_EQ(highlighter.pendingBlockCount(), 500);
    scheduler.runUntilIdle();
    EXPECT_EQ(highlighter.pendingBlockCount(), 0);
    for (const int number : { 0, 405, 499 }) {
        SCOPED_TRACE(number);
        const QList<QTextLayout::FormatRange> formats
            = doc->findBlockByNumber(number).layout()->formats();
        ASSERT_FALSE(formats.isEmpty());
        EXPECT_EQ(formats.front().format.underlineStyle(), QTextCharFormat::WaveUnderline);
    }
}

TEST(TextHighlighterTest, WithoutADictionarySpellingIsOffAndSaysSo)
{
    LogCapture log;
    SpellChecker checker(QStringLiteral("xx_NOPE"));
    EXPECT_FALSE(checker.isAvailable());
    EXPECT_TRUE(log.contains(QStringLiteral("Spell checking is off")));
    EXPECT_TRUE(checker.isCorrect(QStringLiteral("qwrtzp")));
    EXPECT_TRUE(checker.suggestions(QStringLiteral("qwrtzp")).isEmpty());
}

} // namespace
