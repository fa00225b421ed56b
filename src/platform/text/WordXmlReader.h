#pragma once

#include "TextAttachment.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QTextDocument;

namespace platform {

// Reads WordprocessingML, as DOCX's parts or a Word 2003 XML file hold it, into rich text:
// paragraphs with alignment, indents, spacing, line-height multiple and tab stops; runs with
// font, size, bold, italic, underline, strikethrough, colours and super/subscript, resolved
// through the document defaults and the paragraph and character styles; numbered and bulleted
// lists; links (hyperlink elements and HYPERLINK fields); pictures; footnotes, endnotes and
// comments (ImportedNotes); text boxes' text where they stand; drop caps joined to their word.
// Tables read as their cells' paragraphs. Malformed XML, a DTD or a root that is not a Word
// document is refused with an error. One per file being read; one thread.
class WordXmlReader final {
public:
    enum class Dialect { Docx, WordML };

    // What the DOCX document part's relationships name.
    struct Package {
        // Relationship id -> external link target.
        QHash<QString, QString> links;
        // Relationship id -> the picture it names; nullopt for none.
        std::function<std::optional<TextAttachment>(const QString& id)> picture;
        // Note id -> its text (paragraphs joined by '\n'), from the notes parts.
        QHash<QString, QString> footnotes;
        QHash<QString, QString> endnotes;
        QHash<QString, QString> comments;
    };

    explicit WordXmlReader(Dialect dialect);
    ~WordXmlReader();

    // DOCX's styles and numbering parts; a Word 2003 XML file carries both inside itself.
    bool readStyles(const QByteArray& xml, Error* error = nullptr);
    bool readNumbering(const QByteArray& xml, Error* error = nullptr);
    std::unique_ptr<QTextDocument> readDocument(
        const QByteArray& xml, const Package& package, Error* error = nullptr);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
