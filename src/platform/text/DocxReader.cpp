#include "DocxReader.h"

#include "TextDocumentReader.h"
#include "WordPlainText.h"
#include "WordXmlReader.h"
#include "WordXmlWriter.h"
#include "ZipArchive.h"
#include "platform/foundation/Localized.h"

#include <QFileInfo>
#include <QTextDocument>
#include <QXmlStreamReader>

namespace platform {

namespace {

const QString kRelationshipsNamespace
    = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kOfficeDocument = QStringLiteral(
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument");
const QString kStrictOfficeDocument
    = QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument");

struct Relationship {
    QString type;
    QString target;
    bool external = false;
};

// A part's relationships by id; nullopt for malformed XML.
std::optional<QHash<QString, Relationship>> readRelationships(const QByteArray& data, Error* error)
{
    QHash<QString, Relationship> result;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.tokenType() == QXmlStreamReader::DTD)
            xml.raiseError(QStringLiteral("Relationships have no document type definition."));
        if (xml.isStartElement() && xml.name() == u"Relationship"
            && xml.namespaceUri() == kRelationshipsNamespace) {
            const QXmlStreamAttributes attributes = xml.attributes();
            result.insert(attributes.value(QLatin1String("Id")).toString(),
                { attributes.value(QLatin1String("Type")).toString(),
                    attributes.value(QLatin1String("Target")).toString(),
                    attributes.value(QLatin1String("TargetMode")) == u"External" });
        }
    }
    if (xml.hasError()) {
        Error::set(error, TextDocumentReader::unreadableError(xml.errorString()));
        return std::nullopt;
    }
    return result;
}

// The relationships of `part`, which live in "_rels/<name>.rels" beside it; empty when the
// part has none.
std::optional<QHash<QString, Relationship>> partRelationships(
    ZipArchive& archive, const QString& part, Error* error)
{
    // The package's own relationships (an empty part) are "_rels/.rels" at the top.
    const qsizetype slash = part.lastIndexOf(u'/');
    const QString name = part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1)
        + QStringLiteral(".rels");
    if (!archive.contains(name))
        return QHash<QString, Relationship>();
    const std::optional<QByteArray> data = archive.read(name, error);
    if (!data)
        return std::nullopt;
    return readRelationships(*data, error);
}

} // namespace

std::unique_ptr<QTextDocument> DocxReader::read(const QByteArray& data, Error* error)
{
    std::optional<ZipArchive> archive = ZipArchive::open(data, error);
    if (!archive)
        return nullptr;

    const std::optional<QHash<QString, Relationship>> package
        = partRelationships(*archive, QString(), error);
    if (!package)
        return nullptr;
    QString main;
    for (const Relationship& relationship : *package) {
        if ((relationship.type == kOfficeDocument || relationship.type == kStrictOfficeDocument)
            && !relationship.external) {
            main = ZipArchive::resolvePath(QString(), relationship.target);
            break;
        }
    }
    if (main.isEmpty())
        main = QStringLiteral("word/document.xml");
    if (!archive->contains(main)) {
        Error::set(error,
            TextDocumentReader::unreadableError(
                QStringLiteral("The package holds no Word document.")));
        return nullptr;
    }
    const std::optional<QByteArray> document = archive->read(main, error);
    if (!document)
        return nullptr;
    const std::optional<QHash<QString, Relationship>> relationships
        = partRelationships(*archive, main, error);
    if (!relationships)
        return nullptr;

    const QString folder = QFileInfo(main).path() == u"." ? QString() : QFileInfo(main).path();
    WordXmlReader reader(WordXmlReader::Dialect::Docx);
    WordXmlReader::Package parts;
    for (auto it = relationships->constBegin(); it != relationships->constEnd(); ++it) {
        const Relationship& relationship = it.value();
        const QString type = relationship.type.section(u'/', -1);
        if (type == u"hyperlink" && relationship.external) {
            parts.links.insert(it.key(), relationship.target);
            continue;
        }
        QHash<QString, QString>* notes = type == u"footnotes" ? &parts.footnotes
            : type == u"endnotes"                             ? &parts.endnotes
            : type == u"comments"                             ? &parts.comments
                                                              : nullptr;
        if (relationship.external || (type != u"styles" && type != u"numbering" && !notes))
            continue;
        const QString part = ZipArchive::resolvePath(folder, relationship.target);
        // A part the relationships name but the package lacks is left out, as readers do.
        if (part.isEmpty() || !archive->contains(part))
            continue;
        const std::optional<QByteArray> bytes = archive->read(part, error);
        if (!bytes)
            return nullptr;
        if (notes) {
            std::optional<QHash<QString, QString>> texts = WordPlainText::readNotes(*bytes, error);
            if (!texts)
                return nullptr;
            *notes = std::move(*texts);
        } else if (type == u"styles" ? !reader.readStyles(*bytes, error)
                                     : !reader.readNumbering(*bytes, error)) {
            return nullptr;
        }
    }
    // A picture that the package names but cannot unpack makes the file damaged.
    Error pictureError;
    parts.picture = [&](const QString& id) -> std::optional<TextAttachment> {
        const Relationship relationship = relationships->value(id);
        if (relationship.external || relationship.target.isEmpty())
            return std::nullopt;
        const QString part = ZipArchive::resolvePath(folder, relationship.target);
        if (part.isEmpty() || !archive->contains(part))
            return std::nullopt;
        std::optional<QByteArray> bytes = archive->read(part, &pictureError);
        if (!bytes)
            return std::nullopt;
        return TextAttachment { std::move(*bytes), part.section(u'/', -1), {} };
    };
    std::unique_ptr<QTextDocument> result = reader.readDocument(*document, parts, error);
    if (result && !pictureError.isNull()) {
        Error::set(error, pictureError);
        return nullptr;
    }
    return result;
}

} // namespace platform
