#include "platform/text/attributed/CharacterAttributes.h"
#include "platform/text/AttributedText.h"
#include "platform/text/attributed/TextSegments.h"

#include <QFont>
#include <QFontMetricsF>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

using A = AttributedText;

// "one" plain, "two" bold; a second paragraph "three" in italics, its separator in red.
std::unique_ptr<QTextDocument> threeRuns()
{
    auto doc = A::makeDocument();
    QTextCursor cursor(doc.get());
    cursor.insertText(QStringLiteral("one"));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("two"), bold);
    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    cursor.insertBlock(QTextBlockFormat(), red);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    cursor.insertText(QStringLiteral("three"), italic);
    return doc;
}

std::vector<TextRange> forwards(const QTextDocument& doc, qsizetype from, qsizetype to)
{
    std::vector<TextRange> ranges;
    TextSegments::forEach(doc, from, to, [&](const TextSegment& segment) {
        ranges.push_back({ segment.start, segment.length });
        return true;
    });
    return ranges;
}

} // namespace

TEST(CharacterAttributes, RemovingAnAttributeTakesOffEveryPropertySettingItPut)
{
    struct Case {
        QString name;
        QVariant value;
    };
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(15);
    font.setBold(true);
    font.setItalic(true);
    const QString custom = QStringLiteral("CharacterAttributesTestTag");
    const std::vector<Case> cases = {
        { A::FontAttributeName, font },
        { A::ForegroundColorAttributeName, QColor(Qt::red) },
        { A::BackgroundColorAttributeName, QColor(Qt::yellow) },
        { A::UnderlineStyleAttributeName, 0x0209 },
        { A::UnderlineColorAttributeName, QColor(Qt::blue) },
        { A::StrikethroughStyleAttributeName, 2 },
        { A::StrikethroughColorAttributeName, QColor(Qt::green) },
        { A::LinkAttributeName, QUrl(QStringLiteral("https://example.org/")) },
        { A::BaselineOffsetAttributeName, -2.5 },
        { A::SuperscriptAttributeName, 1 },
        { A::KerningAttributeName, false },
        { A::LetterSpacingAttributeName, 1.5 },
        { A::LigatureAttributeName, 0 },
        { custom, QStringLiteral("tag") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QTextCharFormat format = CharacterAttributes::characterFormat({ { c.name, c.value } });
        ASSERT_FALSE(format.properties().isEmpty());
        const auto doc = A::makeDocument();
        EXPECT_TRUE(CharacterAttributes::characterAttributes(*doc, format).contains(c.name));
        for (int property : CharacterAttributes::propertiesOf(c.name))
            format.clearProperty(property);
        EXPECT_TRUE(format.properties().isEmpty()) << format.properties().firstKey();
    }
    EXPECT_TRUE(CharacterAttributes::propertiesOf(A::AttachmentAttributeName).isEmpty());
    EXPECT_TRUE(CharacterAttributes::propertiesOf(QStringLiteral("NeverRegistered")).isEmpty());
}

TEST(TextSegments, ParagraphSeparatorsAreSegmentsInTheNextParagraphsFormat)
{
    const auto doc = threeRuns();
    ASSERT_EQ(A::string(*doc), QStringLiteral("onetwo\nthree"));
    EXPECT_EQ(forwards(*doc, 0, A::length(*doc)),
        (std::vector<TextRange> { { 0, 3 }, { 3, 3 }, { 6, 1 }, { 7, 5 } }));
    TextSegments::forEach(*doc, 6, 7, [](const TextSegment& separator) {
        EXPECT_EQ(separator.format.foreground().color(), QColor(Qt::red));
        EXPECT_EQ(separator.block.position(), 0);
        return true;
    });

    struct Case {
        const char* name;
        qsizetype from;
        qsizetype to;
        std::vector<TextRange> segments;
    };
    const Case cases[] = {
        { "inside one run", 1, 2, { { 1, 1 } } },
        { "across a run's end", 2, 5, { { 2, 1 }, { 3, 2 } } },
        { "across the separator", 5, 9, { { 5, 1 }, { 6, 1 }, { 7, 2 } } },
        { "the separator alone", 6, 7, { { 6, 1 } } },
        { "nothing", 4, 4, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(forwards(*doc, c.from, c.to), c.segments);
    }
}

TEST(TextSegments, WalkingBackwardsMeetsTheSameSegmentsInReverse)
{
    const auto doc = threeRuns();
    for (qsizetype before = 0; before <= A::length(*doc); ++before) {
        SCOPED_TRACE(before);
        std::vector<TextRange> backwards;
        TextSegments::forEachBackwards(*doc, before, [&](const TextSegment& segment) {
            backwards.push_back({ segment.start, segment.length });
            return true;
        });
        std::vector<TextRange> expected = forwards(*doc, 0, before);
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(backwards, expected);
    }
    int visited = 0;
    TextSegments::forEachBackwards(*doc, A::length(*doc), [&](const TextSegment&) {
        ++visited;
        return false;
    });
    EXPECT_EQ(visited, 1);
}

// Qt draws a run off its baseline by a share of its font's height: laying an offset, a larger
// font or a smaller one over the text keeps the drawn offset at the stored points, and taking
// the offset away leaves the text on its baseline.
TEST(CharacterAttributes, ADrawnBaselineOffsetFollowsThePointsAndTheFont)
{
    const auto doc = A::makeDocument();
    QTextCursor(doc.get()).insertText(QStringLiteral("ab"));
    const auto drawnPixels = [&doc](double pointSize) {
        QTextCursor at(doc.get());
        at.setPosition(2);
        QFont font = doc->defaultFont();
        font.setPointSizeF(pointSize);
        const QFontMetricsF metrics(font);
        return at.charFormat().baselineOffset() / 100.0 * (metrics.ascent() + metrics.descent());
    };
    QFont font = doc->defaultFont();
    const double base = font.pointSizeF();
    A::addAttribute(*doc, A::BaselineOffsetAttributeName, 3.0, { 1, 1 });
    EXPECT_NEAR(drawnPixels(base), A::pointsToPixels(3.0), 0.01);

    struct Case {
        const char* name;
        double pointSize;
    };
    for (const Case& c : { Case { "larger", base * 2 }, Case { "smaller", base / 2 } }) {
        SCOPED_TRACE(c.name);
        font.setPointSizeF(c.pointSize);
        A::addAttribute(*doc, A::FontAttributeName, font, { 0, 2 });
        EXPECT_NEAR(drawnPixels(c.pointSize), A::pointsToPixels(3.0), 0.01);
    }

    A::removeAttribute(*doc, A::BaselineOffsetAttributeName, { 0, 2 });
    QTextCursor at(doc.get());
    at.setPosition(2);
    EXPECT_FALSE(at.charFormat().hasProperty(QTextFormat::TextBaselineOffset));
}
