#include "platform/text/AttributedText.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfWriter.h"
#include "platform/text/TextListMarkers.h"
#include "platform/text/TextStylePayload.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace platform;

namespace {

std::unique_ptr<QTextDocument> readBack(const QTextDocument& doc)
{
    auto again = RtfReader::read(RtfWriter::write(doc));
    EXPECT_TRUE(again);
    return again;
}

TEST(TextStyleAttributes, KerningSpacingLigaturesAndDirectionSurviveRtf)
{
    struct Case {
        const char* name;
        QVariantMap attributes;
        const char* control;
    };
    const QList<Case> cases {
        { "kerning off", { { AttributedText::KerningAttributeName, false } }, "\\kerning0" },
        { "tightened", { { AttributedText::LetterSpacingAttributeName, -0.5 } },
            "\\expnd-2\\expndtw-10" },
        { "loosened twice", { { AttributedText::LetterSpacingAttributeName, 1.0 } },
            "\\expndtw20" },
        { "no ligatures", { { AttributedText::LigatureAttributeName, 0 } }, "\\CocoaLigature0" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = AttributedText::makeDocument();
        doc->setPlainText(QStringLiteral("plain styled plain"));
        AttributedText::addAttributes(*doc, c.attributes, { 6, 6 });
        const QByteArray rtf = RtfWriter::write(*doc);
        EXPECT_TRUE(rtf.contains(c.control)) << rtf.toStdString();
        const auto again = readBack(*doc);
        for (auto it = c.attributes.constBegin(); it != c.attributes.constEnd(); ++it) {
            TextRange run;
            EXPECT_EQ(AttributedText::attribute(*again, it.key(), 8, &run), it.value());
            EXPECT_EQ(run, (TextRange { 6, 6 }));
            EXPECT_FALSE(AttributedText::attribute(*again, it.key(), 1).isValid());
        }
    }

    auto doc = AttributedText::makeDocument();
    doc->setPlainText(QStringLiteral("right\nleft\nnatural"));
    for (const auto& [index, direction] : { std::pair { 0, WritingDirection::RightToLeft },
             std::pair { 7, WritingDirection::LeftToRight } }) {
        ParagraphStyle style = AttributedText::defaultParagraphStyle();
        style.baseWritingDirection = direction;
        AttributedText::addAttribute(*doc, AttributedText::ParagraphStyleAttributeName,
            QVariant::fromValue(style), { index, 1 });
    }
    const QByteArray rtf = RtfWriter::write(*doc);
    EXPECT_TRUE(rtf.contains("\\rtlpar") && rtf.contains("\\ltrpar")) << rtf.toStdString();
    const auto again = readBack(*doc);
    const auto direction = [&](int block) {
        return AttributedText::paragraphStyle(again->findBlockByNumber(block).blockFormat())
            .baseWritingDirection;
    };
    EXPECT_EQ(direction(0), WritingDirection::RightToLeft);
    EXPECT_EQ(direction(1), WritingDirection::LeftToRight);
    EXPECT_EQ(direction(2), WritingDirection::Natural);
}

TEST(TextStyleAttributes, AStylePayloadCarriesTheStyleAndRefusesOrTamesOutsideBytes)
{
    StringAttributes style;
    style.characters.setFontWeight(QFont::Bold);
    style.characters.setFontPointSize(18);
    style.characters.setAnchor(true);
    style.characters.setAnchorHref(QStringLiteral("https://example.com"));
    ParagraphStyle paragraph = AttributedText::defaultParagraphStyle();
    paragraph.headIndent = 36;
    paragraph.alignment = TextAlignment::Center;
    AttributedText::setParagraphStyle(style.paragraph, paragraph);

    const auto decoded = TextStylePayload::decode(TextStylePayload::encode(style));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->characters.fontWeight(), QFont::Bold);
    EXPECT_EQ(decoded->characters.fontPointSize(), 18);
    EXPECT_FALSE(decoded->characters.isAnchor()) << "a link is no part of a style";
    EXPECT_EQ(AttributedText::paragraphStyle(decoded->paragraph), paragraph);

    for (const char* refused : { "", "not rtf", "{\\rtf1 unbalanced", "{\\rtf1 }" }) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(TextStylePayload::decode(QByteArray(refused)));
    }
    EXPECT_FALSE(TextStylePayload::decode(
        QByteArray("{\\rtf1 x}") + QByteArray(TextStylePayload::MaximumSize, ' ')));

    QByteArray wild = "{\\rtf1\\pard\\li2000000000\\ri-2000000000\\sa2000000000";
    for (int i = 0; i < 300; ++i)
        wild += "\\tx" + QByteArray::number(1000000 - i);
    wild += "\\sl2000000000\\slmult1\\fs2000000000\\up2000000000\\expndtw-2000000000 x}";
    const auto tamed = TextStylePayload::decode(wild);
    ASSERT_TRUE(tamed);
    const ParagraphStyle limits = AttributedText::paragraphStyle(tamed->paragraph);
    EXPECT_LE(limits.headIndent, TextStylePayload::MaximumLength);
    EXPECT_GE(limits.tailIndent, -TextStylePayload::MaximumLength);
    EXPECT_LE(limits.paragraphSpacing, TextStylePayload::MaximumLength);
    EXPECT_LE(limits.lineHeightMultiple, 100);
    EXPECT_LE(limits.tabStops.size(), TextStylePayload::MaximumTabStops);
    EXPECT_TRUE(std::is_sorted(limits.tabStops.begin(), limits.tabStops.end(),
        [](const TextTab& a, const TextTab& b) { return a.location < b.location; }));
    EXPECT_LE(tamed->characters.fontPointSize(), 1000);
    EXPECT_GE(AttributedText::letterSpacing(tamed->characters), -100);
}

TEST(TextStyleAttributes, ListMarkersAreTextWithMatchingIndents)
{
    const QList<std::tuple<QTextListFormat::Style, int, const char*>> markers {
        { QTextListFormat::ListDisc, 3, "\u2022" },
        { QTextListFormat::ListDecimal, 12, "12." },
        { QTextListFormat::ListLowerAlpha, 28, "ab." },
        { QTextListFormat::ListUpperRoman, 1994, "MCMXCIV." },
        { QTextListFormat::ListStyleUndefined, 1, "" },
    };
    for (const auto& [style, number, text] : markers)
        EXPECT_EQ(TextListMarkers::marker(style, number), QString::fromUtf8(text)) << text;

    auto doc = AttributedText::makeDocument();
    doc->setPlainText(QStringLiteral("One\nTwo\nThree"));
    TextListMarkers::apply(*doc, 0, 5, QTextListFormat::ListDisc);
    EXPECT_EQ(AttributedText::string(*doc), QStringLiteral("\t\u2022\tOne\n\t\u2022\tTwo\nThree"));
    // Numbering again replaces the bullets.
    TextListMarkers::apply(*doc, 0, 9, QTextListFormat::ListDecimal);
    EXPECT_EQ(AttributedText::string(*doc), QStringLiteral("\t1.\tOne\n\t2.\tTwo\nThree"));
    const ParagraphStyle item = AttributedText::paragraphStyle(doc->begin().blockFormat());
    EXPECT_EQ(item.headIndent, TextListMarkers::TextLocation);
    EXPECT_EQ(item.firstLineHeadIndent, 0);
    ASSERT_GE(item.tabStops.size(), 2);
    EXPECT_EQ(item.tabStops[0].location, TextListMarkers::MarkerLocation);
    EXPECT_EQ(item.tabStops[1].location, TextListMarkers::TextLocation);

    const auto again = readBack(*doc);
    EXPECT_EQ(AttributedText::string(*again), AttributedText::string(*doc));
    EXPECT_EQ(AttributedText::paragraphStyle(again->begin().blockFormat()).tabStops, item.tabStops);

    // The items left number anew.
    TextListMarkers::apply(*doc, 0, 0, QTextListFormat::ListStyleUndefined);
    EXPECT_EQ(AttributedText::string(*doc), QStringLiteral("One\n\t1.\tTwo\nThree"));
    EXPECT_EQ(AttributedText::paragraphStyle(doc->begin().blockFormat()).headIndent, 0);
}

} // namespace
