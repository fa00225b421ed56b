#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>

#include <optional>

class QTextDocument;

namespace platform {

// Writes rich text as a Word 97 binary document: a compound file (libgsf) whose WordDocument
// stream holds the file information block, the text as one Unicode piece, the section's
// properties and the character and paragraph property pages, and whose 1Table stream holds the
// piece table, the bin tables of those pages, a stylesheet with Normal, the font table, the
// document properties and the one section. Runs keep font, size, bold, italic, underline,
// strikethrough, colour and super/subscript; paragraphs keep alignment, indents, spacing, line
// height and tabs. Links are hyperlink fields; pictures are inline pictures whose records go to
// the Data stream. Reentrant.
class DocWriter final {
public:
    static std::optional<QByteArray> write(const QTextDocument& doc, Error* error = nullptr);
};

} // namespace platform
