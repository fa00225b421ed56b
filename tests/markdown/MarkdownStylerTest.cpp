#include "QStringPrinter.h"
#include "StylerTestSupport.h"

#include "markdown/styler/AttributedStringHelpers.h"
#include "markdown/styler/CustomAttributes.h"
#include "markdown/styler/FontTraits.h"
#include "markdown/styler/MarkdownStyler.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QUrl>

#include <gtest/gtest.h>

using namespace markdown;
using platform::AttributedText;
using platform::MutableAttributedString;
using platform::ParagraphStyle;
using platform::TextRange;

namespace {

const QString& kFont = AttributedText::FontAttributeName;
const QString& kColor = AttributedText::ForegroundColorAttributeName;
const QString& kStyle = AttributedText::ParagraphStyleAttributeName;
const QString PS(QChar::ParagraphSeparator);

QFont fontAt(const MutableAttributedString& string, qsizetype index)
{
    return string.attribute(kFont, index).value<QFont>();
}

std::optional<ParagraphStyle> styleAt(const MutableAttributedString& string, qsizetype index)
{
    const QVariant value = string.attribute(kStyle, index);
    if (!value.isValid())
        return std::nullopt;
    return value.value<ParagraphStyle>();
}

std::shared_ptr<const QuoteStripeAttribute> stripeAt(
    const MutableAttributedString& string, qsizetype index)
{
    return CustomAttributes::unbox<QuoteStripeAttribute>(
        string.attribute(CustomAttributes::quoteStripe, index));
}

// Digits 7 points wide, the period 3.
double fixedMeasure(const QString& text, const QFont&)
{
    return text == QStringLiteral(".") ? 3 : 7;
}

} // namespace

TEST(FontTraits, TraitsExistOnlyWhereTheFamilyHasAFace)
{
    struct Case {
        const char* name;
        QFont font;
        FontTraits::Trait trait;
        bool italic;
        bool bold;
        bool changed;
    };
    const QFont sans = dejaVu("DejaVu Sans", 12);
    const QFont math = dejaVu("DejaVu Math TeX Gyre", 12);
    const Case cases[] = {
        { "oblique face", sans, FontTraits::italic, true, false, true },
        { "bold face", sans, FontTraits::bold, false, true, true },
        { "bold oblique face", dejaVu("DejaVu Sans", 12, true), FontTraits::italic, true, true,
            true },
        { "already bold", dejaVu("DejaVu Sans", 12, true), FontTraits::bold, false, true, false },
        { "no italic face", math, FontTraits::italic, false, false, false },
        { "no bold face", math, FontTraits::bold, false, false, false },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const QFont result = FontTraits::adding(test.font, test.trait);
        EXPECT_EQ(result.italic(), test.italic);
        EXPECT_EQ(result.bold(), test.bold);
        EXPECT_EQ(result != test.font, test.changed);
        EXPECT_EQ(result.family(), test.font.family());
        EXPECT_DOUBLE_EQ(result.pointSizeF(), 12);
    }
    const QFont mono = FontTraits::adding(sans, FontTraits::monospace);
    EXPECT_TRUE(FontTraits::traits(mono) & FontTraits::monospace);
    EXPECT_DOUBLE_EQ(mono.pointSizeF(), 12);
}

TEST(FontTraits, GenericFamiliesAnswerForTheFamilyTheyStandFor)
{
    // The system's fonts come as generic names that the font database does not list itself.
    struct Case {
        const char* family;
        bool monospace;
    };
    const Case cases[] = { { "Sans Serif", false }, { "monospace", true } };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.family);
        const QFont font = dejaVu(QString::fromLatin1(test.family), 12);
        EXPECT_EQ(bool(FontTraits::traits(font) & FontTraits::monospace), test.monospace);
        const QFont bold = FontTraits::adding(font, FontTraits::bold);
        EXPECT_TRUE(bold.bold());
        EXPECT_TRUE(QFontInfo(bold).bold());
        EXPECT_EQ(drawsMonospaced(bold), test.monospace);
        EXPECT_DOUBLE_EQ(bold.pointSizeF(), 12);
    }
}

TEST(MarkdownStyler, InlineStylesSetOrAddAsTheirKindRequires)
{
    const MarkdownStylerConfiguration configuration = dejaVuConfiguration();
    MarkdownStyler styler(configuration);

    MutableAttributedString text(QStringLiteral("ab"), { { QStringLiteral("old"), 1 } });
    styler.styleText(text);
    EXPECT_EQ(text.attributes(0),
        (MutableAttributedString::Attributes {
            { kFont, configuration.fonts->body() }, { kColor, configuration.colors->body() } }))
        << "text replaces every earlier attribute";

    MutableAttributedString code(QStringLiteral("c"), { { QStringLiteral("old"), 1 } });
    styler.styleCode(code);
    EXPECT_FALSE(code.attribute(QStringLiteral("old"), 0).isValid());
    EXPECT_EQ(fontAt(code, 0), configuration.fonts->code());

    // Strong inside emphasis: bold first, then italic on top.
    styler.styleStrong(text);
    styler.styleEmphasis(text);
    EXPECT_TRUE(fontAt(text, 0).bold());
    EXPECT_TRUE(fontAt(text, 0).italic());

    MutableAttributedString noFont(QStringLiteral("x"));
    styler.styleEmphasis(noFont);
    EXPECT_FALSE(noFont.attribute(kFont, 0).isValid()) << "runs without a font stay so";

    MutableAttributedString link(QStringLiteral("l"));
    styler.styleLink(link, QStringLiteral("title"), std::nullopt);
    styler.styleImage(link, QStringLiteral("title"), std::nullopt);
    EXPECT_TRUE(link.attributes(0).isEmpty()) << "no URL, no attributes";
    styler.styleImage(link, std::nullopt, QStringLiteral("https://example.org/i.png"));
    EXPECT_EQ(link.attribute(AttributedText::LinkAttributeName, 0).toUrl(),
        QUrl("https://example.org/i.png"));
    EXPECT_EQ(link.attribute(kColor, 0).value<QColor>(), configuration.colors->link());
}

TEST(MarkdownStyler, HeadingsCarryCodeItalicAndBoldAtTheirSize)
{
    const MarkdownStylerConfiguration configuration = dejaVuConfiguration();
    MarkdownStyler styler(configuration);
    struct Case {
        int level;
        QFont font;
        QColor color;
    };
    const Case cases[] = {
        { 0, configuration.fonts->heading1(), configuration.colors->heading1() },
        { 1, configuration.fonts->heading1(), configuration.colors->heading1() },
        { 3, configuration.fonts->heading3(), configuration.colors->heading3() },
        { 6, configuration.fonts->heading6(), configuration.colors->heading6() },
        { 7, configuration.fonts->heading1(), configuration.colors->heading1() },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.level);
        MutableAttributedString heading(QStringLiteral("pcin"));
        heading.addAttribute(kFont, configuration.fonts->body(), { 0, 1 });
        heading.addAttribute(kFont, configuration.fonts->code(), { 1, 1 });
        heading.addAttribute(
            kFont, FontTraits::adding(configuration.fonts->body(), FontTraits::italic), { 2, 1 });
        styler.styleHeading(heading, test.level);

        EXPECT_EQ(fontAt(heading, 0), test.font);
        EXPECT_TRUE(FontTraits::traits(fontAt(heading, 1)) & FontTraits::monospace);
        EXPECT_DOUBLE_EQ(fontAt(heading, 1).pointSizeF(), test.font.pointSizeF());
        EXPECT_TRUE(fontAt(heading, 2).italic());
        EXPECT_EQ(fontAt(heading, 2).bold(), test.font.bold());
        EXPECT_FALSE(heading.attribute(kFont, 3).isValid());
        EXPECT_EQ(heading.attribute(kColor, 3).value<QColor>(), test.color);
        EXPECT_TRUE(styleAt(heading, 3));
    }
}

TEST(MarkdownStyler, BlocksGetInsetsRecordsAndRules)
{
    const MarkdownStylerConfiguration configuration = dejaVuConfiguration();
    MarkdownStyler styler(configuration);

    MutableAttributedString code(QStringLiteral("x"));
    styler.styleCodeBlock(code, QStringLiteral("swift"));
    const ParagraphStyle codeStyle = *styleAt(code, 0);
    EXPECT_DOUBLE_EQ(codeStyle.paragraphSpacingBefore, 8 + 6);
    EXPECT_DOUBLE_EQ(codeStyle.paragraphSpacing, 8 + 6);
    EXPECT_DOUBLE_EQ(codeStyle.firstLineHeadIndent, 6);
    EXPECT_DOUBLE_EQ(codeStyle.headIndent, 6);
    EXPECT_DOUBLE_EQ(codeStyle.tailIndent, -6);
    const auto background = CustomAttributes::unbox<BlockBackgroundColorAttribute>(
        code.attribute(CustomAttributes::blockBackgroundColor, 0));
    ASSERT_TRUE(background);
    EXPECT_EQ(background->color, configuration.colors->codeBlockBackground());
    EXPECT_DOUBLE_EQ(background->inset, 6);
    EXPECT_FALSE(CustomAttributes::unbox<QuoteStripeAttribute>(
        code.attribute(CustomAttributes::blockBackgroundColor, 0)))
        << "a record of another type is not read back";

    MutableAttributedString rule(QStringLiteral("\u200B\n"));
    styler.styleThematicBreak(rule);
    const auto line = CustomAttributes::unbox<ThematicBreakAttribute>(
        rule.attribute(CustomAttributes::thematicBreak, 0));
    ASSERT_TRUE(line);
    EXPECT_DOUBLE_EQ(line->thickness, 2);
    EXPECT_EQ(line->color, configuration.colors->thematicBreak());
    ParagraphStyle expected;
    expected.firstLineHeadIndent = 10;
    EXPECT_EQ(*styleAt(rule, 1), expected);
}

TEST(MarkdownStyler, NestedQuotesKeepInnermostStripesAndIndentPerLevel)
{
    const MarkdownStylerConfiguration configuration = dejaVuConfiguration();
    MarkdownStyler styler(configuration);
    const double step = 3 + 5;

    MutableAttributedString inner(QStringLiteral("in"));
    styler.styleText(inner);
    styler.styleParagraph(inner);
    styler.styleBlockQuote(inner, 1);
    MutableAttributedString outer(QStringLiteral("out") + PS);
    styler.styleCode(outer);
    outer.append(inner);
    styler.styleBlockQuote(outer, 0);

    EXPECT_EQ(stripeAt(outer, 4)->locations, (std::vector<double> { 0, step }));
    EXPECT_EQ(stripeAt(outer, 0)->locations, (std::vector<double> { 0 }));
    EXPECT_DOUBLE_EQ(styleAt(outer, 4)->headIndent, 2 * step);
    EXPECT_DOUBLE_EQ(styleAt(outer, 4)->firstLineHeadIndent, 2 * step);
    EXPECT_FALSE(styleAt(outer, 0)) << "runs without a paragraph style are not indented";
    EXPECT_EQ(outer.attribute(kColor, 0).value<QColor>(), configuration.colors->quote())
        << "the quote colour goes over code too";
}

TEST(MarkdownStyler, ListItemsIndentLeadingAndTrailingParagraphs)
{
    const MarkdownStylerConfiguration configuration = dejaVuConfiguration();
    MarkdownStyler styler(configuration, &fixedMeasure);
    const double indentation = styler.itemParagraphStyler().indentation();
    ASSERT_DOUBLE_EQ(indentation, 7 * 2 + 3 + 8);

    // "1.\tlead" + PS + a quoted trailing paragraph.
    MutableAttributedString prefix(QStringLiteral("1.\t"));
    styler.styleListItemPrefix(prefix);
    MutableAttributedString quote(QStringLiteral("quoted"));
    styler.styleBlockQuote(quote, 0);
    MutableAttributedString item(QStringLiteral("lead") + PS);
    item.append(quote);
    item.insert(prefix, 0);
    styler.styleItem(item, 2);

    const ParagraphStyle leading = *styleAt(item, 0);
    const double prefixWidth = item.width({ 0, 2 });
    EXPECT_DOUBLE_EQ(leading.firstLineHeadIndent, 17 - prefixWidth);
    EXPECT_DOUBLE_EQ(leading.headIndent, indentation);
    ASSERT_EQ(leading.tabStops.size(), 1);
    EXPECT_DOUBLE_EQ(leading.tabStops.front().location, indentation);
    EXPECT_DOUBLE_EQ(styleAt(item, 10)->headIndent, indentation);
    EXPECT_EQ(stripeAt(item, 10)->locations, (std::vector<double> { indentation }))
        << "stripes move with a trailing paragraph";

    MutableAttributedString single(QStringLiteral("x"));
    styler.styleItem(single, 1);
    EXPECT_FALSE(styleAt(single, 0)) << "a one-character paragraph is skipped";

    MutableAttributedString whole(QStringLiteral("ab"));
    whole.addAttribute(kFont, configuration.fonts->listItemPrefix(), { 0, 2 });
    styler.styleItem(whole, 10);
    EXPECT_DOUBLE_EQ(styleAt(whole, 0)->firstLineHeadIndent, 17 - whole.width({ 0, 2 }))
        << "a prefix length past the end measures the whole item";
}

TEST(ListItemParagraphStyler, PrefixColumnFigures)
{
    struct Case {
        const char* name;
        std::uint64_t digits;
        double prefixWidth;
        double largest;
        double indentation;
        double firstLineHeadIndent;
        double tab;
    };
    const Case cases[] = {
        { "prefix inside the column", 2, 10, 17, 25, 7, 25 },
        { "prefix 4 points too wide", 2, 21, 17, 25, -4, 29 },
        { "no digits: the period alone", 0, 3, 3, 11, 0, 11 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const ListItemParagraphStyler styler(
            ListItemOptions { test.digits, 8, 2, 5, platform::TextAlignment::Right }, QFont(),
            &fixedMeasure);
        EXPECT_DOUBLE_EQ(styler.largestPrefixWidth(), test.largest);
        EXPECT_DOUBLE_EQ(styler.indentation(), test.indentation);
        const ParagraphStyle leading = styler.leadingParagraphStyle(test.prefixWidth);
        EXPECT_DOUBLE_EQ(leading.firstLineHeadIndent, test.firstLineHeadIndent);
        ASSERT_EQ(leading.tabStops.size(), 1);
        EXPECT_DOUBLE_EQ(leading.tabStops.front().location, test.tab);
        EXPECT_EQ(leading.tabStops.front().type, platform::TextTabType::Right);
        EXPECT_EQ(leading.alignment, platform::TextAlignment::Right);
        EXPECT_DOUBLE_EQ(leading.paragraphSpacingBefore, 2);
        EXPECT_DOUBLE_EQ(leading.paragraphSpacing, 5);
        const ParagraphStyle trailing = styler.trailingParagraphStyle();
        EXPECT_DOUBLE_EQ(trailing.firstLineHeadIndent, test.indentation);
        EXPECT_DOUBLE_EQ(trailing.headIndent, test.indentation);
    }
}

TEST(AttributedStringHelpers, ParagraphRangesAndIndents)
{
    struct Case {
        QString text;
        std::vector<TextRange> expected;
    };
    const Case cases[] = {
        { "a", {} },
        { "ab", { { 0, 2 } } },
        { "ab" + PS + "cd", { { 0, 3 }, { 3, 2 } } },
        { PS + PS + "cd", { { 2, 2 } } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text.toStdString());
        EXPECT_EQ(AttributedStringHelpers::paragraphRanges(MutableAttributedString(test.text)),
            test.expected);
    }

    ParagraphStyle none;
    none.tabStops.clear();
    EXPECT_TRUE(AttributedStringHelpers::indented(none, 5).tabStops.isEmpty());
    ParagraphStyle tabbed;
    tabbed.tabStops = { { platform::TextTabType::Center, 10 } };
    const ParagraphStyle moved = AttributedStringHelpers::indented(tabbed, 5);
    EXPECT_EQ(moved.tabStops, (QList<platform::TextTab> { { platform::TextTabType::Center, 15 } }));
    EXPECT_DOUBLE_EQ(moved.headIndent, 5);
    EXPECT_DOUBLE_EQ(moved.firstLineHeadIndent, 5);
}

TEST(StylerCollections, DefaultParagraphStylesAndCopies)
{
    StaticParagraphStyleCollection styles;
    EXPECT_EQ(styles.heading1(), styles.heading6());
    EXPECT_EQ(styles.heading1(), styles.heading3());
    EXPECT_DOUBLE_EQ(styles.body()->lineSpacing, 8);
    EXPECT_DOUBLE_EQ(styles.heading1()->lineSpacing, 0);
    EXPECT_DOUBLE_EQ(styles.heading1()->paragraphSpacing, 8);
    EXPECT_DOUBLE_EQ(styles.code()->lineSpacing, 0);
    EXPECT_DOUBLE_EQ(styles.code()->headIndent, 0);
    EXPECT_DOUBLE_EQ(styles.code()->tailIndent, 0);
    styles.setHeading3(std::make_shared<ParagraphStyle>());
    EXPECT_NE(styles.heading3(), styles.heading1());
    EXPECT_EQ(styles.heading4(), styles.heading1());

    // The styler copies the configuration: later changes do not reach it.
    MarkdownStylerConfiguration configuration = dejaVuConfiguration();
    MarkdownStyler styler(configuration);
    StaticColorCollection colors = static_cast<const StaticColorCollection&>(*configuration.colors);
    colors.setBody(Qt::magenta);
    configuration.colors = colors;
    configuration.quoteStripeOptions.thickness = 99;
    EXPECT_EQ(styler.colors()->body(), QColor(0, 1, 0));
    EXPECT_DOUBLE_EQ(styler.quoteStripeOptions().thickness, 3);
    const MarkdownStylerConfiguration copy = configuration;
    EXPECT_NE(&*copy.colors, &*configuration.colors) << "held values are cloned";
}
