#pragma once

#include "ListItemOptions.h"

#include "platform/text/ParagraphStyle.h"

#include <QFont>
#include <QString>

#include <functional>

namespace markdown {

// Lines list items up behind their prefixes: the prefix column is sized once, from the widest
// digit and the period of the prefix font, and every item paragraph is indented past it.
// Immutable after construction.
class ListItemParagraphStyler final {
public:
    // The drawn width in points of a text in a font.
    using Measure = std::function<double(const QString& text, const QFont& font)>;

    ListItemParagraphStyler(const ListItemOptions& options, const QFont& prefixFont);
    ListItemParagraphStyler(
        const ListItemOptions& options, const QFont& prefixFont, const Measure& measure);

    const ListItemOptions& options() const { return m_options; }
    // Widest digit × maxPrefixDigits + the period.
    double largestPrefixWidth() const { return m_largestPrefixWidth; }
    // Where item text starts: the prefix column and the gap after it.
    double indentation() const { return m_largestPrefixWidth + m_options.spacingAfterPrefix; }

    // For an item's second and later paragraphs; a new style on every call.
    platform::ParagraphStyle trailingParagraphStyle() const;
    // For an item's first paragraph (prefix, tab, text), whose prefix is `prefixWidth` wide:
    // the prefix ends at the column's edge and the text starts at indentation(), or further
    // right when the prefix is wider than the column.
    platform::ParagraphStyle leadingParagraphStyle(double prefixWidth) const;

    // Width of `text` drawn in `font`, as MutableAttributedString measures it.
    static double drawnWidth(const QString& text, const QFont& font);

private:
    ListItemOptions m_options;
    double m_largestPrefixWidth;
};

} // namespace markdown
