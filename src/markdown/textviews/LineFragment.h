#pragma once

#include "platform/text/AttributedText.h"

#include <QRectF>

namespace markdown {

// One laid-out line of a text view, in the document's coordinates.
struct LineFragment {
    // The line's box across the full text width.
    QRectF rect;
    // The part the text covers, starting at the line's indent.
    QRectF usedRect;
    // The characters on the line; a block's last line includes the block's separator.
    platform::TextRange range;
};

} // namespace markdown
