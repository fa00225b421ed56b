#include "platform/text/MutableAttributedString.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

using A = AttributedText;
const QString kName = QStringLiteral("name");

// The runs of one attribute as (value as int, location, length), -1 for absent.
std::vector<std::tuple<int, qsizetype, qsizetype>> runsOf(
    const MutableAttributedString& string, const QString& name, TextRange range)
{
    std::vector<std::tuple<int, qsizetype, qsizetype>> runs;
    string.enumerateAttribute(name, range, [&](const QVariant& value, TextRange run, bool*) {
        runs.emplace_back(value.isValid() ? value.toInt() : -1, run.location, run.length);
    });
    return runs;
}

struct Record {
    int value = 0;
};

} // namespace

TEST(MutableAttributedString, EditsKeepLongestRunsPerAttribute)
{
    using Runs = std::vector<std::tuple<int, qsizetype, qsizetype>>;
    struct Case {
        const char* name;
        std::function<void(MutableAttributedString&)> edit;
        Runs expected;
    };
    const Case cases[] = {
        { "add in the middle",
            [](MutableAttributedString& s) {
                s.addAttribute(kName, 1, { 2, 3 });
            },
            { { -1, 0, 2 }, { 1, 2, 3 }, { -1, 5, 5 } } },
        { "equal neighbours merge",
            [](MutableAttributedString& s) {
                s.addAttribute(kName, 1, { 0, 3 });
                s.addAttribute(kName, 1, { 3, 4 });
            },
            { { 1, 0, 7 }, { -1, 7, 3 } } },
        { "remove splits a run",
            [](MutableAttributedString& s) {
                s.addAttribute(kName, 1, { 0, 10 });
                s.removeAttribute(kName, { 4, 2 });
            },
            { { 1, 0, 4 }, { -1, 4, 2 }, { 1, 6, 4 } } },
        { "set replaces other keys too",
            [](MutableAttributedString& s) {
                s.addAttributes({ { kName, 1 }, { QStringLiteral("other"), 2 } }, { 0, 10 });
                s.setAttributes({ { kName, 3 } }, { 5, 5 });
            },
            { { 1, 0, 5 }, { 3, 5, 5 } } },
        { "range past the end is clipped",
            [](MutableAttributedString& s) {
                s.addAttribute(kName, 2, { 8, 50 });
            },
            { { -1, 0, 8 }, { 2, 8, 2 } } },
        { "insert shifts the runs after it",
            [](MutableAttributedString& s) {
                s.addAttribute(kName, 1, { 5, 5 });
                s.insert(MutableAttributedString(QStringLiteral("xy"), { { kName, 2 } }), 5);
            },
            { { -1, 0, 5 }, { 2, 5, 2 }, { 1, 7, 5 } } },
        { "insert inside a run splits it",
            [](MutableAttributedString& s) {
                s.addAttribute(kName, 1, { 0, 10 });
                s.insert(MutableAttributedString(QStringLiteral("x")), 3);
            },
            { { 1, 0, 3 }, { -1, 3, 1 }, { 1, 4, 7 } } },
        { "insert at the end",
            [](MutableAttributedString& s) {
                s.insert(MutableAttributedString(QStringLiteral("xy"), { { kName, 4 } }), 10);
            },
            { { -1, 0, 10 }, { 4, 10, 2 } } },
        { "appending equal attributes extends the last run",
            [](MutableAttributedString& s) {
                s.addAttribute(kName, 1, { 0, 10 });
                s.append(QStringLiteral("more"), { { kName, 1 } });
            },
            { { 1, 0, 14 } } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        MutableAttributedString string(QStringLiteral("0123456789"));
        test.edit(string);
        EXPECT_EQ(runsOf(string, kName, { 0, string.length() }), test.expected);
    }
}

TEST(MutableAttributedString, EffectiveRangesAndClippedEnumeration)
{
    MutableAttributedString string(QStringLiteral("abcdefgh"));
    string.addAttribute(kName, 1, { 0, 6 });
    string.addAttribute(QStringLiteral("other"), 9, { 2, 2 });

    TextRange range;
    EXPECT_EQ(string.attribute(kName, 3, &range).toInt(), 1);
    EXPECT_EQ(range, (TextRange { 0, 6 })) << "longest range of the one attribute";
    string.attributes(3, &range);
    EXPECT_EQ(range, (TextRange { 2, 2 })) << "longest range of all attributes";
    EXPECT_FALSE(string.attribute(kName, 7).isValid());
    EXPECT_TRUE(string.attributes(8).isEmpty());

    using Runs = std::vector<std::tuple<int, qsizetype, qsizetype>>;
    EXPECT_EQ(runsOf(string, kName, { 3, 4 }), (Runs { { 1, 3, 3 }, { -1, 6, 1 } }));

    int visits = 0;
    string.enumerateAttribute(
        kName, { 0, 8 }, [&](const QVariant&, TextRange, bool* stop) { *stop = ++visits == 1; });
    EXPECT_EQ(visits, 1);
}

TEST(MutableAttributedString, SharedPointersCompareByIdentityOtherValuesByValue)
{
    const auto first = std::make_shared<const Record>(Record { 1 });
    const auto twin = std::make_shared<const Record>(Record { 1 });
    MutableAttributedString string(QStringLiteral("abcd"));
    string.addAttribute(kName, QVariant::fromValue(first), { 0, 2 });
    string.addAttribute(kName, QVariant::fromValue(twin), { 2, 2 });
    TextRange range;
    string.attribute(kName, 0, &range);
    EXPECT_EQ(range, (TextRange { 0, 2 }));

    ParagraphStyle style;
    style.headIndent = 4;
    string.addAttribute(A::ParagraphStyleAttributeName, QVariant::fromValue(style), { 0, 2 });
    string.addAttribute(A::ParagraphStyleAttributeName, QVariant::fromValue(style), { 2, 2 });
    string.attribute(A::ParagraphStyleAttributeName, 0, &range);
    EXPECT_EQ(range, (TextRange { 0, 4 }));
}

TEST(MutableAttributedString, SubstringKeepsAttributes)
{
    MutableAttributedString string(QStringLiteral("abcdef"));
    string.addAttribute(kName, 1, { 1, 2 });
    const MutableAttributedString part = string.attributedSubstring({ 2, 3 });
    EXPECT_EQ(part.string(), QStringLiteral("cde"));
    using Runs = std::vector<std::tuple<int, qsizetype, qsizetype>>;
    EXPECT_EQ(runsOf(part, kName, { 0, 3 }), (Runs { { 1, 0, 1 }, { -1, 1, 2 } }));
}

TEST(MutableAttributedString, ParagraphRangesEndAtLineFeedsAndParagraphSeparators)
{
    const QString ps(QChar::ParagraphSeparator);
    const QString ls(QChar::LineSeparator);
    struct Case {
        QString text;
        TextRange range;
        TextRange expected;
    };
    const Case cases[] = {
        { "ab" + ps + "cd", { 0, 1 }, { 0, 3 } },
        { "ab" + ps + "cd", { 3, 1 }, { 3, 2 } },
        { "ab\r\ncd", { 1, 0 }, { 0, 4 } },
        { "ab\rcd\nef", { 1, 4 }, { 0, 6 } },
        { "ab" + ls + "cd", { 4, 1 }, { 0, 5 } },
        { "ab\n", { 3, 0 }, { 3, 0 } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text.toStdString());
        EXPECT_EQ(MutableAttributedString(test.text).paragraphRange(test.range), test.expected);
    }
}

TEST(MutableAttributedString, WidthMeasuresEachRunInItsFont)
{
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPointSizeF(24);
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPointSizeF(8);
    MutableAttributedString string(QStringLiteral("WWii"));
    string.addAttribute(A::FontAttributeName, big, { 0, 2 });
    string.addAttribute(A::FontAttributeName, small, { 2, 2 });
    const double expected = A::pixelsToPoints(
        QFontMetricsF(big).horizontalAdvance("WW") + QFontMetricsF(small).horizontalAdvance("ii"));
    EXPECT_NEAR(string.width({ 0, 4 }), expected, 0.01);
    EXPECT_GT(string.width({ 0, 1 }), string.width({ 2, 2 }));
}

TEST(MutableAttributedString, DocumentSplitsBlocksAtParagraphSeparatorAndLineFeedOnly)
{
    MutableAttributedString string(QStringLiteral("ab") + QChar::ParagraphSeparator
        + QStringLiteral("c") + QChar::LineSeparator + QStringLiteral("d\ne"));
    ParagraphStyle indented;
    indented.headIndent = 12;
    string.addAttribute(A::ParagraphStyleAttributeName, QVariant::fromValue(indented), { 3, 4 });
    string.addAttribute(A::ForegroundColorAttributeName, QColor(Qt::red), { 0, 2 });
    const QString custom = QStringLiteral("mutableTestRecord");
    const auto record = std::make_shared<const Record>(Record { 7 });
    string.addAttribute(custom, QVariant::fromValue(record), { 3, 1 });

    const std::unique_ptr<QTextDocument> document = string.toTextDocument();
    ASSERT_EQ(document->blockCount(), 3);
    const QTextBlock second = document->findBlockByNumber(1);
    EXPECT_EQ(second.text(), QStringLiteral("c") + QChar::LineSeparator + QStringLiteral("d"));
    EXPECT_FALSE(A::hasParagraphStyle(document->firstBlock().blockFormat()));
    ASSERT_TRUE(A::hasParagraphStyle(second.blockFormat()));
    EXPECT_DOUBLE_EQ(A::paragraphStyle(second.blockFormat()).headIndent, 12);
    EXPECT_EQ(A::attribute(*document, A::ForegroundColorAttributeName, 1).value<QColor>(),
        QColor(Qt::red));
    const QVariant stored = A::attribute(*document, custom, 3);
    EXPECT_EQ(stored.value<std::shared_ptr<const Record>>(), record);
}
