#pragma once

#include "TextEncoding.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTextDocument;

namespace platform {

// Reads a file or bytes of any kind the text system knows into rich text: RTF, RTFD (flat or
// a folder), HTML, plain text, DOCX, OpenDocument text, Word 2003 XML, web archives and Word 97
// documents, told apart by ContentSniffer unless the caller names the type, and read by the format
// TextFormatRegistry holds for that type. Reports the type read and, for HTML and plain text, the
// encoding. Plain text becomes one paragraph per line, whatever its line ends, with no attributes.
// Reentrant; the document belongs to the calling thread.
class TextDocumentReader final {
public:
    struct Options {
        // A name from TextDocumentTypes.h to read as, or empty to detect.
        QString documentType;
        // For HTML and plain text: the encoding to read in, or InvalidStringEncoding to detect.
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
    };

    struct Result {
        std::unique_ptr<QTextDocument> document;
        QString documentType;
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
        // What the reader's bounds left out of the document, a sentence each, for the user.
        QStringList leftOut;
    };

    static std::optional<Result> readFile(
        const QString& path, const Options& options, Error* error = nullptr);
    static std::optional<Result> readData(
        const QByteArray& data, const Options& options, Error* error = nullptr);
    // The error a reader gives bytes it cannot interpret (damaged, or of another kind).
    static Error unreadableError(const QString& reason);
    // Plain text as a document: CR LF and lone CR end lines like LF.
    static std::unique_ptr<QTextDocument> documentFromPlainText(const QString& text);
};

} // namespace platform
