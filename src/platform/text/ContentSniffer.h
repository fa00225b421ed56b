#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>

namespace platform {

// Tells which kind of text a file or a block of bytes holds: RTF, RTFD (flat or as a folder),
// HTML, plain text, DOCX, OpenDocument text, Word 2003 XML, a web archive or a Word 97 document
// (any compound file), as one of the document type names of TextDocumentTypes.h. An empty name
// means "not text we read" (binary data, a folder that is not RTFD). Stateless and thread-safe.
class ContentSniffer final {
public:
    // From the bytes alone; only the first few kilobytes are looked at.
    static QString documentType(const QByteArray& data);
    // From a path: an RTFD folder by its TXT.rtf, a file by its leading bytes, with the
    // extension deciding between HTML and plain text where the bytes have no signature.
    static QString documentTypeOfFile(const QString& path, Error* error = nullptr);

    // Bytes read from a file for sniffing.
    static constexpr qsizetype SniffLength = 4096;
};

} // namespace platform
