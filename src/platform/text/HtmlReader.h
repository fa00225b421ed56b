#pragma once

#include "TextEncoding.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QTextDocument;

namespace platform {

// Reads HTML into rich text through Qt's HTML importer: style elements (also one that leads
// the text, before any <html>) apply, images load relative to the base URL; elements nested
// deeper than HtmlNestingLimiter allows read at its deepest level. Picks the encoding
// from a byte-order mark, the caller, the page's charset declaration, valid UTF-8, or
// Windows-1252, in that order. Reentrant; the document belongs to the caller's thread.
class HtmlReader final {
public:
    struct Options {
        // Overrides the page's own declaration; InvalidStringEncoding to detect.
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
        QUrl baseUrl;
    };

    struct Result {
        std::unique_ptr<QTextDocument> document;
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
    };

    static std::optional<Result> read(
        const QByteArray& data, const Options& options, Error* error = nullptr);
    static std::unique_ptr<QTextDocument> fromHtml(const QString& html, const QUrl& baseUrl = {});
    // The encoding a page declares in its first bytes (meta charset or content type);
    // InvalidStringEncoding when it declares none we know.
    static TextEncoding::Value declaredEncoding(const QByteArray& data);
};

} // namespace platform
