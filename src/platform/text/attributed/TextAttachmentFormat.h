#pragma once

#include "platform/text/TextAttachment.h"

#include <QString>
#include <QTextCharFormat>

class QTextCursor;
class QTextDocument;

namespace platform {

// An attachment in a document: one U+FFFC whose image format names a document resource that
// holds the attachment's bytes, with the file name in a property of its own. Reentrant.
class TextAttachmentFormat final {
public:
    static bool isAttachment(const QTextCharFormat& format);
    // The attachment a U+FFFC's format names, with its bytes from `doc`.
    static TextAttachment attachment(const QTextDocument& doc, const QTextCharFormat& format);
    // Inserts one U+FFFC for `attachment` at the cursor with the cursor's character format.
    static void insertAttachment(QTextCursor& cursor, const TextAttachment& attachment);
    // A resource name no other attachment has.
    static QString newResourceName();
};

} // namespace platform
