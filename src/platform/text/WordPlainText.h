#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

class QXmlStreamReader;

namespace platform {

// The words of WordprocessingML that sits outside the body's flow: a text box's content and the
// parts holding footnotes, endnotes and comments. Their paragraphs come as lines of plain text
// (joined by '\n'), tabs and breaks as they stand; deleted text and field instructions are left
// out. Stateless.
class WordPlainText final {
public:
    WordPlainText() = delete;

    static bool isWordNamespace(QStringView ns);
    // Reads the element the reader stands on to its end.
    static QString readElement(QXmlStreamReader& xml);
    // A footnotes, endnotes or comments part: each note's text by its id. The separators Word
    // keeps among the footnotes are no notes. nullopt for malformed XML.
    static std::optional<QHash<QString, QString>> readNotes(const QByteArray& data, Error* error);
};

} // namespace platform
