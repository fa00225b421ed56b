#include "AttributedStringHelpers.h"

#include "FontTraits.h"

namespace markdown {

using platform::AttributedText;
using platform::MutableAttributedString;
using platform::ParagraphStyle;
using platform::TextRange;

std::vector<TextRange> AttributedStringHelpers::paragraphRanges(
    const MutableAttributedString& string)
{
    std::vector<TextRange> ranges;
    const qsizetype length = string.length();
    qsizetype end = 0;
    while (end < length) {
        const TextRange range = string.paragraphRange({ end, 1 });
        if (range.length > 1)
            ranges.push_back(range);
        end = range.end();
    }
    return ranges;
}

ParagraphStyle AttributedStringHelpers::indented(ParagraphStyle style, double distance)
{
    style.firstLineHeadIndent += distance;
    style.headIndent += distance;
    for (platform::TextTab& tab : style.tabStops)
        tab.location += distance;
    return style;
}

namespace {

std::vector<TextRange> rangesWhere(
    const MutableAttributedString& string, const QString& name, TextRange range, bool present)
{
    std::vector<TextRange> ranges;
    string.enumerateAttribute(name, range, [&](const QVariant& value, TextRange run, bool*) {
        if (value.isValid() == present)
            ranges.push_back(run);
    });
    return ranges;
}

} // namespace

std::vector<TextRange> AttributedStringHelpers::presentRanges(
    const MutableAttributedString& string, const QString& name, TextRange range)
{
    return rangesWhere(string, name, range, true);
}

std::vector<TextRange> AttributedStringHelpers::absentRanges(
    const MutableAttributedString& string, const QString& name, TextRange range)
{
    return rangesWhere(string, name, range, false);
}

void AttributedStringHelpers::setFontCarryingTraits(
    MutableAttributedString& string, const QString& name, const QFont& font, TextRange range)
{
    std::vector<std::pair<QFont, TextRange>> runs;
    enumerate<QFont>(string, name, range, [&](const QFont& old, TextRange run) {
        runs.emplace_back(FontTraits::carryingTraits(font, old), run);
    });
    for (const auto& [carried, run] : runs)
        string.addAttribute(name, carried, run);
}

void AttributedStringHelpers::indentParagraphStyles(
    MutableAttributedString& string, TextRange range, double distance)
{
    std::vector<std::pair<ParagraphStyle, TextRange>> runs;
    enumerate<ParagraphStyle>(string, AttributedText::ParagraphStyleAttributeName, range,
        [&](const ParagraphStyle& style, TextRange run) {
            runs.emplace_back(indented(style, distance), run);
        });
    for (const auto& [style, run] : runs)
        string.addAttribute(
            AttributedText::ParagraphStyleAttributeName, QVariant::fromValue(style), run);
}

} // namespace markdown
