#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <atomic>
#include <memory>

class QTextDocument;

namespace platform {

// Reads RTF into a new QTextDocument (see AttributedText for the attribute set): fonts,
// colours, paragraph styles, links, lists (items with their marker runs, see TextListMarkers; a
// paragraph in a list the file does not define keeps its \listtext as text), \NeXTGraphic
// attachments resolved against `files` (an RTFD folder's other files by name), \pict PNG and
// JPEG images, and the document attributes. Damaged input (truncated, nested deeper than
// MaximumNesting, a \bin past the end) gives nullptr and a FileReadCorruptFileError; what
// follows a closing brace too many is read as more of the document, and there running out of
// data ends the read with the text so far. Runs on any thread; another thread setting `stop` ends
// the read early with nullptr and a UserCancelledError.
class RtfReader final {
public:
    static constexpr int MaximumNesting = 1000;

    static std::unique_ptr<QTextDocument> read(QByteArrayView rtf,
        const QHash<QString, QByteArray>& files = {}, Error* error = nullptr,
        const std::atomic<bool>* stop = nullptr);
};

} // namespace platform
