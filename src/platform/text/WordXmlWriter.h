#pragma once

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QString>

#include <optional>

class QTextDocument;

namespace platform {

// Writes rich text as WordprocessingML, in the dialect of DOCX's parts or of a Word 2003 XML
// file. Paragraphs carry alignment, indents, spacing, line-height multiple and tab stops; runs
// carry font, size, bold, italic, underline, strikethrough, colours and super/subscript; lists
// become numbering definitions, links hyperlinks. DOCX gets pictures as inline drawings (the
// image bytes are returned for the package); Word 2003 XML carries them in the file, in
// base64. Runs without a font or size take the document defaults: `defaultFont`, else the
// system font and size. Font families are written as other programs know them.
// Reentrant; reads only the document given.
class WordXmlWriter final {
public:
    enum class Dialect { Docx, WordML };

    struct Relationship {
        QString id;
        QString type;
        QString target;
        bool external = false;
    };

    struct Media {
        // Inside the package, "media/image1.png" relative to the document part.
        QString name;
        QByteArray data;
    };

    struct Result {
        // word/document.xml, or the whole Word 2003 XML file.
        QByteArray document;
        // DOCX only: word/styles.xml, and word/numbering.xml (empty without lists).
        QByteArray styles;
        QByteArray numbering;
        // DOCX only: the document part's relationships and the pictures they name.
        QList<Relationship> relationships;
        QList<Media> media;
    };

    static Result write(const QTextDocument& document, Dialect dialect,
        const std::optional<QFont>& defaultFont = std::nullopt);

    static inline const QString WordprocessingNamespace
        = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
    static inline const QString WordMLNamespace
        = QStringLiteral("http://schemas.microsoft.com/office/word/2003/wordml");
    static inline const QString RelationshipsNamespace
        = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    static inline const QString ImageRelationship = QStringLiteral(
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image");
    static inline const QString HyperlinkRelationship = QStringLiteral(
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink");
    static inline const QString StylesRelationship = QStringLiteral(
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles");
    static inline const QString NumberingRelationship = QStringLiteral(
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering");
};

} // namespace platform
