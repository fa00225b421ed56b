#pragma once

#include "platform/text/ParagraphStyle.h"

#include <QTextBlockFormat>

namespace platform {

// A paragraph style on a block format and back: lengths in points become Qt's pixels there,
// and what Qt's format cannot hold travels in properties of our own. Reentrant.
class ParagraphStyleFormat final {
public:
    // Whether the block was given a style (a block without one shows the default).
    static bool hasParagraphStyle(const QTextBlockFormat& format);
    static ParagraphStyle paragraphStyle(const QTextBlockFormat& format);
    static void setParagraphStyle(QTextBlockFormat& format, const ParagraphStyle& style);
};

} // namespace platform
