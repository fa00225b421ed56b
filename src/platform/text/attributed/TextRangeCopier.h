#pragma once

#include "platform/text/TextRange.h"

class QTextCursor;
class QTextDocument;

namespace platform {

// Copies a range of one document into another at a cursor, as attributed text: character
// formats, paragraph formats and lists, and attachments with their bytes under names of their
// own. Long paragraphs are read without copying their whole text. Reentrant.
class TextRangeCopier final {
public:
    // Inserts `range` of `source` at the cursor; the first paragraph's style is taken along
    // only when it lands at the start of a paragraph.
    static void insert(QTextCursor& cursor, const QTextDocument& source, TextRange range);
};

} // namespace platform
