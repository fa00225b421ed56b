#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>

#include <memory>

class QTextDocument;

namespace platform {

// Reads OpenDocument text into rich text: content.xml's paragraphs and headings with their
// automatic and common styles (styles.xml, parents followed): alignment, indents, spacing,
// line-height percentage, tab stops, font, size, bold, italic, underline, strikethrough,
// colours, super/subscript; lists with their list styles; links; pictures from the package.
// Tables read as their cells' paragraphs; notes and annotations are left out. A damaged
// archive or part, a DTD, or a package of another OpenDocument kind is refused with an error.
// Reentrant.
class OdtReader final {
public:
    OdtReader() = delete;

    static std::unique_ptr<QTextDocument> read(const QByteArray& data, Error* error = nullptr);
};

} // namespace platform
