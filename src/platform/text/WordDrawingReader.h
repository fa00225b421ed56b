#pragma once

#include "TextAttachment.h"
#include "WordXmlReader.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

class QXmlStreamReader;

namespace platform {

// A WordprocessingML drawing (w:drawing) or VML object (w:pict): the picture it shows and the
// text its text box holds (see WordPlainText), either of which may be missing. Keeps the
// pictures a Word 2003 XML file carries inline by name, for the objects after them. One per
// document being read; one thread.
class WordDrawingReader final {
public:
    struct Drawing {
        std::optional<TextAttachment> picture;
        QString text;
    };

    // Each reads its element to the end; the reader stands on its start.
    Drawing readDrawing(QXmlStreamReader& xml, const WordXmlReader::Package& package);
    Drawing readPict(QXmlStreamReader& xml, const WordXmlReader::Package& package);

private:
    QHash<QString, QByteArray> m_binaryData; // Word 2003 pictures by name
};

} // namespace platform
