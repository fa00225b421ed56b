#pragma once

#include "TextEncoding.h"
#include "platform/foundation/Error.h"

#include <QByteArray>

#include <memory>
#include <optional>

class QTextDocument;

namespace platform {

// Reads a web archive (a binary or XML property list) into rich text: the main resource's page,
// HTML or plain text, with each image the page names taken from the archive's subresources as an
// attachment. Images the archive does not hold are left out, never fetched from the page's URLs.
// Damaged or foreign property lists end with an error. Reentrant; the document belongs to the
// calling thread.
class WebArchiveReader final {
public:
    struct Result {
        std::unique_ptr<QTextDocument> document;
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
    };

    static std::optional<Result> read(const QByteArray& data, Error* error = nullptr);
    // Whether the bytes start like a web archive: a binary property list, or an XML one whose
    // first kilobytes name the main resource.
    static bool looksLikeWebArchive(const QByteArray& data);
};

} // namespace platform
