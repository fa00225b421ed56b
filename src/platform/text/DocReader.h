#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>

#include <memory>

class QTextDocument;

namespace platform {

// Reads a Word 97-2003 binary document into rich text: the compound file through libgsf, the
// main text through the piece table (one-byte and Unicode pieces), paragraphs with alignment,
// indents, spacing, line height and tabs, and runs with font, size, bold, italic, underline,
// strikethrough, colour and super/subscript, from the stylesheet and the property pages.
// Fields show their results; pictures, notes and headers are left out. Every offset and length
// read from the file is checked; a damaged, encrypted or older file ends with an error.
// Reentrant; the document belongs to the calling thread.
class DocReader final {
public:
    static std::unique_ptr<QTextDocument> read(const QByteArray& data, Error* error = nullptr);
    // Whether the bytes start with the compound file signature.
    static bool isCompoundFile(const QByteArray& data);
};

} // namespace platform
