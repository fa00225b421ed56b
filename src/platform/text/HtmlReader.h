#pragma once

#include "HtmlImageEmbedder.h"
#include "TextEncoding.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

class QTextDocument;

namespace platform {

// Reads HTML into rich text through Qt's HTML importer: style elements (also one that leads
// the text, before any <html>) apply; images become attachments holding their pictures, or
// go; elements nested deeper than HtmlNestingLimiter allows read at its deepest level. Picks
// the encoding from a byte-order mark, the caller, the page's charset declaration, valid UTF-8,
// or Windows-1252, in that order. Pictures written into the page are taken out of its bytes
// before anything else (InlinePictureExtractor). A page of more than maximumMarkupLength characters
// of text and markup (its pictures not counted) is refused with an error: the importer would take
// gigabytes and many seconds for it. Reentrant; the document belongs to the caller's thread.
class HtmlReader final {
public:
    static constexpr qsizetype maximumMarkupLength = 16'000'000;

    struct Options {
        // Overrides the page's own declaration; InvalidStringEncoding to detect.
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
        // The page's folder, as a file URL, where the files its images name are found.
        QUrl baseUrl;
        // Where the pictures of the page's images come from; without one, an HtmlImageLoader
        // for baseUrl loads them.
        HtmlImageEmbedder::Resolver images;
    };

    struct Result {
        std::unique_ptr<QTextDocument> document;
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
        // What the bounds on pictures left out, for the user (HtmlImageLoader::leftOut).
        QStringList leftOut;
    };

    static std::optional<Result> read(
        const QByteArray& data, const Options& options, Error* error = nullptr);
    static std::unique_ptr<QTextDocument> fromHtml(const QString& html, const QUrl& baseUrl = {});
    // The encoding a page declares in its first bytes (meta charset or content type);
    // InvalidStringEncoding when it declares none we know.
    static TextEncoding::Value declaredEncoding(const QByteArray& data);
};

} // namespace platform
