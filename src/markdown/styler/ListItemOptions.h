#pragma once

#include "platform/text/ParagraphStyle.h"

#include <cstdint>

namespace markdown {

// Geometry of list items, in points. Stored unchecked: with maxPrefixDigits 0 the prefix
// column is as wide as the period alone.
struct ListItemOptions {
    // How many digits the prefix column is sized for.
    std::uint64_t maxPrefixDigits;
    // Gap between the prefix column and the item's text.
    double spacingAfterPrefix;
    // Spacing before and after every list item paragraph.
    double spacingAbove;
    double spacingBelow;
    // Alignment of list item paragraphs and of the tab stop that ends the prefix.
    platform::TextAlignment alignment;
};

} // namespace markdown
