#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>

#include <atomic>
#include <memory>

class QTextDocument;

namespace platform {

// How a note's rich text is stored: RTF, or flat RTFD when the text holds attachments
// (written with the default attributes for runs that carry none); reading tries RTFD first
// and then RTF. Any thread.
class RichTextData final {
public:
    enum class DocumentType { RTF, RTFD };

    static QByteArray RTFData(const QTextDocument& doc, DocumentType* type = nullptr);
    // nullptr for null data, and with an error for data that reads as neither form or when
    // `stop` was set (see RtfReader).
    static std::unique_ptr<QTextDocument> attributedStringWithRTFData(
        const QByteArray& data, Error* error = nullptr, const std::atomic<bool>* stop = nullptr);
};

} // namespace platform
