#include "MarkdownStyler.h"

#include "AttributedStringHelpers.h"
#include "CustomAttributes.h"
#include "FontTraits.h"

#include <QUrl>

#include <algorithm>

namespace markdown {

using platform::AttributedText;
using platform::MutableAttributedString;
using platform::ParagraphStyle;
using platform::TextRange;
using Helpers = AttributedStringHelpers;

namespace {

TextRange whole(const MutableAttributedString& string)
{
    return { 0, string.length() };
}

QVariant paragraphStyleValue(const ParagraphStyle& style)
{
    return QVariant::fromValue(style);
}

} // namespace

MarkdownStyler::MarkdownStyler(const MarkdownStylerConfiguration& configuration)
    : MarkdownStyler(configuration, &ListItemParagraphStyler::drawnWidth)
{ }

MarkdownStyler::MarkdownStyler(const MarkdownStylerConfiguration& configuration,
    const ListItemParagraphStyler::Measure& measure)
    : m_fonts(configuration.fonts),
      m_colors(configuration.colors),
      m_paragraphStyles(configuration.paragraphStyles),
      m_quoteStripeOptions(configuration.quoteStripeOptions),
      m_thematicBreakOptions(configuration.thematicBreakOptions),
      m_codeBlockOptions(configuration.codeBlockOptions),
      m_itemParagraphStyler(
          configuration.listItemOptions, configuration.fonts->listItemPrefix(), measure)
{ }

MutableAttributedString::Attributes MarkdownStyler::listPrefixAttributes() const
{
    return { { AttributedText::FontAttributeName, m_fonts->listItemPrefix() },
        { AttributedText::ForegroundColorAttributeName, m_colors->listItemPrefix() } };
}

void MarkdownStyler::styleDocument(MutableAttributedString&) { }

void MarkdownStyler::styleBlockQuote(MutableAttributedString& blockQuote, int nestDepth)
{
    const int depth = nestDepth + 1;
    const double thickness = m_quoteStripeOptions.thickness;
    const double spacing = m_quoteStripeOptions.spacingAfter;
    std::vector<double> locations;
    for (int level = 0; level < depth; ++level)
        locations.push_back(level * (thickness + spacing));

    Helpers::indentParagraphStyles(blockQuote, whole(blockQuote), thickness + spacing);
    // An inner quote was styled first and its stripes already include every outer level.
    const std::vector<TextRange> unstriped
        = Helpers::absentRanges(blockQuote, CustomAttributes::quoteStripe, whole(blockQuote));
    if (!unstriped.empty()) {
        const QVariant stripe = CustomAttributes::box(
            QuoteStripeAttribute { m_colors->quoteStripe(), thickness, spacing, locations });
        for (const TextRange& run : unstriped)
            blockQuote.addAttribute(CustomAttributes::quoteStripe, stripe, run);
    }
    blockQuote.addAttribute(
        AttributedText::ForegroundColorAttributeName, m_colors->quote(), whole(blockQuote));
}

void MarkdownStyler::styleList(MutableAttributedString&, int) { }

void MarkdownStyler::styleListItemPrefix(MutableAttributedString& listItemPrefix)
{
    listItemPrefix.setAttributes(listPrefixAttributes(), whole(listItemPrefix));
}

void MarkdownStyler::styleItem(MutableAttributedString& item, qsizetype prefixLength)
{
    const std::vector<TextRange> paragraphs = Helpers::paragraphRanges(item);
    if (paragraphs.empty())
        return;
    indentListItemLeadingParagraph(item, prefixLength, paragraphs.front());

    const double indentation = m_itemParagraphStyler.indentation();
    for (auto paragraph = paragraphs.begin() + 1; paragraph != paragraphs.end(); ++paragraph) {
        Helpers::indentParagraphStyles(item, *paragraph, indentation);
        for (const TextRange& run :
            Helpers::absentRanges(item, AttributedText::ParagraphStyleAttributeName, *paragraph))
            item.addAttribute(AttributedText::ParagraphStyleAttributeName,
                paragraphStyleValue(m_itemParagraphStyler.trailingParagraphStyle()), run);
        // Stripes of a quote nested in the item move with the item's text.
        std::vector<std::pair<QuoteStripeAttribute, TextRange>> stripes;
        Helpers::enumerate<std::shared_ptr<const QuoteStripeAttribute>>(item,
            CustomAttributes::quoteStripe, *paragraph,
            [&](const std::shared_ptr<const QuoteStripeAttribute>& stripe, TextRange run) {
                QuoteStripeAttribute moved = *stripe;
                for (double& location : moved.locations)
                    location += indentation;
                stripes.emplace_back(std::move(moved), run);
            });
        for (auto& [stripe, run] : stripes)
            item.addAttribute(CustomAttributes::quoteStripe, CustomAttributes::box(stripe), run);
    }
}

void MarkdownStyler::indentListItemLeadingParagraph(
    MutableAttributedString& string, qsizetype prefixLength, TextRange range) const
{
    Helpers::indentParagraphStyles(string, range, m_itemParagraphStyler.indentation());
    const qsizetype prefixEnd = std::clamp<qsizetype>(prefixLength, 0, string.length());
    const double prefixWidth = string.width({ 0, prefixEnd });
    const std::vector<TextRange> unstyled
        = Helpers::absentRanges(string, AttributedText::ParagraphStyleAttributeName, range);
    if (unstyled.empty())
        return;
    const QVariant style
        = paragraphStyleValue(m_itemParagraphStyler.leadingParagraphStyle(prefixWidth));
    for (const TextRange& run : unstyled)
        string.addAttribute(AttributedText::ParagraphStyleAttributeName, style, run);
}

void MarkdownStyler::styleCodeBlock(
    MutableAttributedString& codeBlock, const std::optional<QString>&)
{
    styleGenericCodeBlock(codeBlock);
}

void MarkdownStyler::styleHtmlBlock(MutableAttributedString& htmlBlock)
{
    styleGenericCodeBlock(htmlBlock);
}

void MarkdownStyler::styleGenericCodeBlock(MutableAttributedString& string) const
{
    const double inset = m_codeBlockOptions.containerInset;
    ParagraphStyle style = *m_paragraphStyles->code();
    style.paragraphSpacingBefore += inset;
    style.paragraphSpacing += inset;
    style.firstLineHeadIndent += inset;
    style.headIndent += inset;
    style.tailIndent = -inset;
    string.setAttributes(
        { { AttributedText::FontAttributeName, m_fonts->code() },
            { AttributedText::ForegroundColorAttributeName, m_colors->code() },
            { AttributedText::ParagraphStyleAttributeName, paragraphStyleValue(style) },
            { CustomAttributes::blockBackgroundColor,
                CustomAttributes::box(
                    BlockBackgroundColorAttribute { m_colors->codeBlockBackground(), inset }) } },
        whole(string));
}

void MarkdownStyler::styleCustomBlock(MutableAttributedString&) { }

void MarkdownStyler::styleParagraph(MutableAttributedString& paragraph)
{
    paragraph.addAttribute(AttributedText::ParagraphStyleAttributeName,
        paragraphStyleValue(*m_paragraphStyles->body()), whole(paragraph));
}

std::tuple<QFont, QColor, std::shared_ptr<const ParagraphStyle>> MarkdownStyler::headingAttributes(
    int level) const
{
    const FontCollection& fonts = *m_fonts;
    const ColorCollection& colors = *m_colors;
    const ParagraphStyleCollection& styles = *m_paragraphStyles;
    switch (level) {
    case 2:
        return { fonts.heading2(), colors.heading2(), styles.heading2() };
    case 3:
        return { fonts.heading3(), colors.heading3(), styles.heading3() };
    case 4:
        return { fonts.heading4(), colors.heading4(), styles.heading4() };
    case 5:
        return { fonts.heading5(), colors.heading5(), styles.heading5() };
    case 6:
        return { fonts.heading6(), colors.heading6(), styles.heading6() };
    default:
        return { fonts.heading1(), colors.heading1(), styles.heading1() };
    }
}

void MarkdownStyler::styleHeading(MutableAttributedString& heading, int level)
{
    const auto [font, color, style] = headingAttributes(level);
    Helpers::setFontCarryingTraits(
        heading, AttributedText::FontAttributeName, font, whole(heading));
    heading.addAttributes(
        { { AttributedText::ForegroundColorAttributeName, color },
            { AttributedText::ParagraphStyleAttributeName, paragraphStyleValue(*style) } },
        whole(heading));
}

void MarkdownStyler::styleThematicBreak(MutableAttributedString& thematicBreak)
{
    thematicBreak.addAttribute(CustomAttributes::thematicBreak,
        CustomAttributes::box(
            ThematicBreakAttribute { m_thematicBreakOptions.thickness, m_colors->thematicBreak() }),
        whole(thematicBreak));
    ParagraphStyle style;
    style.firstLineHeadIndent = m_thematicBreakOptions.indentation;
    thematicBreak.addAttribute(AttributedText::ParagraphStyleAttributeName,
        paragraphStyleValue(style), whole(thematicBreak));
}

void MarkdownStyler::styleText(MutableAttributedString& text)
{
    text.setAttributes({ { AttributedText::FontAttributeName, m_fonts->body() },
                           { AttributedText::ForegroundColorAttributeName, m_colors->body() } },
        whole(text));
}

void MarkdownStyler::styleSoftBreak(MutableAttributedString&) { }

void MarkdownStyler::styleLineBreak(MutableAttributedString&) { }

void MarkdownStyler::styleCode(MutableAttributedString& code)
{
    styleGenericInlineCode(code);
}

void MarkdownStyler::styleHtmlInline(MutableAttributedString& htmlInline)
{
    styleGenericInlineCode(htmlInline);
}

void MarkdownStyler::styleGenericInlineCode(MutableAttributedString& string) const
{
    string.setAttributes({ { AttributedText::FontAttributeName, m_fonts->code() },
                             { AttributedText::ForegroundColorAttributeName, m_colors->code() } },
        whole(string));
}

void MarkdownStyler::styleCustomInline(MutableAttributedString&) { }

void MarkdownStyler::addTrait(MutableAttributedString& string, unsigned trait) const
{
    std::vector<std::pair<QFont, TextRange>> runs;
    Helpers::enumerate<QFont>(string, AttributedText::FontAttributeName, whole(string),
        [&](const QFont& font, TextRange run) {
            runs.emplace_back(FontTraits::adding(font, FontTraits::Trait(trait)), run);
        });
    for (const auto& [font, run] : runs)
        string.addAttribute(AttributedText::FontAttributeName, font, run);
}

void MarkdownStyler::styleEmphasis(MutableAttributedString& emphasis)
{
    addTrait(emphasis, FontTraits::italic);
}

void MarkdownStyler::styleStrong(MutableAttributedString& strong)
{
    addTrait(strong, FontTraits::bold);
}

void MarkdownStyler::styleLink(
    MutableAttributedString& link, const std::optional<QString>&, const std::optional<QString>& url)
{
    linkBody(link, url);
}

void MarkdownStyler::styleImage(MutableAttributedString& image, const std::optional<QString>&,
    const std::optional<QString>& url)
{
    linkBody(image, url);
}

void MarkdownStyler::linkBody(
    MutableAttributedString& string, const std::optional<QString>& url) const
{
    if (url)
        styleGenericLink(string, *url);
}

void MarkdownStyler::styleGenericLink(MutableAttributedString& string, const QString& url) const
{
    string.addAttributes({ { AttributedText::LinkAttributeName, QUrl(url) },
                             { AttributedText::ForegroundColorAttributeName, m_colors->link() } },
        whole(string));
}

} // namespace markdown
