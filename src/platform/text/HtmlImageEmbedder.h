#pragma once

#include "TextAttachment.h"

#include <QString>

#include <functional>
#include <optional>

class QTextDocument;

namespace platform {

// Turns the images of a page read through Qt's HTML importer, which only name their source,
// into attachments that hold their bytes, so that they show and are kept with the note.
// Reentrant; the document is the caller's.
class HtmlImageEmbedder final {
public:
    // The picture an image's source (its src, as the importer kept it) stands for; nothing
    // when the image is to go.
    using Resolver = std::function<std::optional<TextAttachment>(const QString& source)>;

    HtmlImageEmbedder() = delete;

    // Replaces every image that is not an attachment yet with the attachment `resolve` gives
    // for it, at the size the page gave the image when the resolver gives none, in the image's
    // surrounding format (a link around it stays); removes the images it gives nothing for.
    static void embed(QTextDocument& document, const Resolver& resolve);
};

} // namespace platform
