#include "DocxWriter.h"

#include "WordXmlWriter.h"
#include "XmlText.h"
#include "ZipArchive.h"

#include <QFileInfo>
#include <QSet>
#include <QXmlStreamWriter>

namespace platform {

namespace {

const QString kContentTypes = QStringLiteral("[Content_Types].xml");
const QString kMainType = QStringLiteral(
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");

QByteArray contentTypes(const WordXmlWriter::Result& parts)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("Types"));
    xml.writeDefaultNamespace(
        QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
    const auto defaultType = [&](const QString& extension, const QString& type) {
        xml.writeEmptyElement(QStringLiteral("Default"));
        xml.writeAttribute(QStringLiteral("Extension"), extension);
        xml.writeAttribute(QStringLiteral("ContentType"), type);
    };
    defaultType(QStringLiteral("rels"),
        QStringLiteral("application/vnd.openxmlformats-package.relationships+xml"));
    defaultType(QStringLiteral("xml"), QStringLiteral("application/xml"));
    QSet<QString> extensions;
    for (const WordXmlWriter::Media& media : parts.media) {
        const QString extension = QFileInfo(media.name).suffix();
        if (!extensions.contains(extension)) {
            extensions.insert(extension);
            defaultType(extension, QStringLiteral("image/") + extension);
        }
    }
    const auto override = [&](const QString& part, const QString& type) {
        xml.writeEmptyElement(QStringLiteral("Override"));
        xml.writeAttribute(QStringLiteral("PartName"), part);
        xml.writeAttribute(QStringLiteral("ContentType"), type);
    };
    override(QStringLiteral("/word/document.xml"), kMainType);
    override(QStringLiteral("/word/styles.xml"),
        QStringLiteral(
            "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"));
    if (!parts.numbering.isEmpty()) {
        override(QStringLiteral("/word/numbering.xml"),
            QStringLiteral(
                "application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml"));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray relationships(const QList<WordXmlWriter::Relationship>& list)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("Relationships"));
    xml.writeDefaultNamespace(
        QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships"));
    for (const WordXmlWriter::Relationship& relationship : list) {
        xml.writeEmptyElement(QStringLiteral("Relationship"));
        xml.writeAttribute(QStringLiteral("Id"), relationship.id);
        xml.writeAttribute(QStringLiteral("Type"), relationship.type);
        xml.writeAttribute(QStringLiteral("Target"), XmlText::clean(relationship.target));
        if (relationship.external)
            xml.writeAttribute(QStringLiteral("TargetMode"), QStringLiteral("External"));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

} // namespace

bool DocxWriter::writeFolder(const QTextDocument& document, const QString& folder, Error* error,
    const std::optional<QFont>& defaultFont)
{
    const WordXmlWriter::Result parts
        = WordXmlWriter::write(document, WordXmlWriter::Dialect::Docx, defaultFont);
    const QList<WordXmlWriter::Relationship> package = { { QStringLiteral("rId1"),
        QStringLiteral(
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument"),
        QStringLiteral("word/document.xml"), false } };
    if (!ZipArchive::writeFolderFile(folder, kContentTypes, contentTypes(parts), error)
        || !ZipArchive::writeFolderFile(
            folder, QStringLiteral("_rels/.rels"), relationships(package), error)
        || !ZipArchive::writeFolderFile(
            folder, QStringLiteral("word/document.xml"), parts.document, error)
        || !ZipArchive::writeFolderFile(
            folder, QStringLiteral("word/styles.xml"), parts.styles, error)
        || !ZipArchive::writeFolderFile(folder, QStringLiteral("word/_rels/document.xml.rels"),
            relationships(parts.relationships), error)) {
        return false;
    }
    if (!parts.numbering.isEmpty()
        && !ZipArchive::writeFolderFile(
            folder, QStringLiteral("word/numbering.xml"), parts.numbering, error)) {
        return false;
    }
    for (const WordXmlWriter::Media& media : parts.media) {
        if (!ZipArchive::writeFolderFile(
                folder, QStringLiteral("word/") + media.name, media.data, error))
            return false;
    }
    return true;
}

bool DocxWriter::write(const QTextDocument& document, const QString& target, Error* error,
    const std::optional<QFont>& defaultFont)
{
    // The content types lead, so that the first bytes tell a Word document from other zips.
    return ZipArchive::packNewFolder(
        [&](const QString& folder, Error* fillError) {
            return writeFolder(document, folder, fillError, defaultFont);
        },
        target, { kContentTypes }, error);
}

} // namespace platform
