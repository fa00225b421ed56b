#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

class QTextDocument;

namespace platform {

// Writes a QTextDocument as RTF in the dialect of the platform's text system: header,
// font table with family names, colour and expanded colour tables, list tables,
// document attributes, \pard paragraph styles, list items with their \listtext markers, and
// \uc0\uN for text outside code page 1252. Runs and paragraphs without an explicit font, size
// or paragraph style get the default attributes (system font and size, line-height multiple
// 1.3); sizes are the ones shown (see AttributedText::fontPointSize). Runs on any thread.
class RtfWriter final {
public:
    // Plain RTF: attachments are left out.
    static QByteArray write(const QTextDocument& doc);
    // RTF for an RTFD folder: each attachment becomes a \NeXTGraphic reference, and its file
    // (name made unique within the folder, contents) is appended to `files`.
    static QByteArray write(const QTextDocument& doc, QList<QPair<QString, QByteArray>>* files);
};

} // namespace platform
