#include "ListItemParagraphStyler.h"

#include "platform/text/MutableAttributedString.h"

#include <algorithm>

namespace markdown {

namespace {

double largestPrefixWidth(const ListItemOptions& options, const QFont& font,
    const ListItemParagraphStyler::Measure& measure)
{
    double widestDigit = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        widestDigit = std::max(widestDigit, measure(QString(QChar(digit)), font));
    return widestDigit * double(options.maxPrefixDigits) + measure(QStringLiteral("."), font);
}

// A tab stop aligned as the paragraph is: text alignments without a tab of their own
// (natural, justified) align the tab to the left.
platform::TextTabType tabType(platform::TextAlignment alignment)
{
    switch (alignment) {
    case platform::TextAlignment::Right:
        return platform::TextTabType::Right;
    case platform::TextAlignment::Center:
        return platform::TextTabType::Center;
    default:
        return platform::TextTabType::Left;
    }
}

} // namespace

ListItemParagraphStyler::ListItemParagraphStyler(
    const ListItemOptions& options, const QFont& prefixFont)
    : ListItemParagraphStyler(options, prefixFont, &drawnWidth)
{ }

ListItemParagraphStyler::ListItemParagraphStyler(
    const ListItemOptions& options, const QFont& prefixFont, const Measure& measure)
    : m_options(options),
      m_largestPrefixWidth(markdown::largestPrefixWidth(options, prefixFont, measure))
{ }

double ListItemParagraphStyler::drawnWidth(const QString& text, const QFont& font)
{
    const platform::MutableAttributedString string(
        text, { { platform::AttributedText::FontAttributeName, font } });
    return string.width({ 0, string.length() });
}

platform::ParagraphStyle ListItemParagraphStyler::trailingParagraphStyle() const
{
    platform::ParagraphStyle style;
    style.paragraphSpacingBefore = m_options.spacingAbove;
    style.paragraphSpacing = m_options.spacingBelow;
    style.alignment = m_options.alignment;
    style.firstLineHeadIndent = indentation();
    style.headIndent = indentation();
    return style;
}

platform::ParagraphStyle ListItemParagraphStyler::leadingParagraphStyle(double prefixWidth) const
{
    platform::ParagraphStyle style;
    style.paragraphSpacingBefore = m_options.spacingAbove;
    style.paragraphSpacing = m_options.spacingBelow;
    style.alignment = m_options.alignment;
    style.firstLineHeadIndent = m_largestPrefixWidth - prefixWidth;
    style.tabStops = { { tabType(m_options.alignment),
        indentation() + std::max(0.0, prefixWidth - m_largestPrefixWidth) } };
    style.headIndent = indentation();
    return style;
}

} // namespace markdown
