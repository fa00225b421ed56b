#pragma once

#include "platform/text/TextAttachment.h"

#include <QImage>

class QMimeData;

// The bytes of a note's attachments as pictures and as data leaving the note: decoding within
// the image reader's allocation limit, encoding, and what a copy or drag of one attachment
// carries. Reentrant.
class BXAttachmentData final {
public:
    // A null image when `bytes` do not decode or would take more memory than a reader allows.
    static QImage decodedImage(const QByteArray& bytes);
    // `image` in `format` ("PNG", "TIFF"); empty when it cannot be written.
    static QByteArray encoded(const QImage& image, const char* format);
    // Whether `bytes` start like a picture a reader recognises, without decoding them.
    static bool looksLikeImage(const QByteArray& bytes);

    // For a copy or drag of `attachment`: its picture as PNG and TIFF, its bytes under the
    // MIME type of its file name's extension ("application/octet-stream" when unknown), and
    // the file itself as a promise named after it ("Attachment" without a name). The bytes are
    // taken now, so what is written later is what was chosen. Main thread.
    static QMimeData* mimeData(const platform::TextAttachment& attachment);
};
