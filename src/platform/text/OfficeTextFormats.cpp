#include "OfficeTextFormats.h"

#include "DocxReader.h"
#include "DocxWriter.h"
#include "OdtReader.h"
#include "OdtWriter.h"
#include "TextDocumentTypes.h"
#include "WordXmlReader.h"
#include "WordXmlWriter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/SafeWrite.h"
#include "platform/foundation/TypeIdentifier.h"

#include <QTextDocument>

namespace platform {

namespace {

std::optional<TextFormat::ReadResult> result(std::unique_ptr<QTextDocument> document)
{
    if (!document)
        return std::nullopt;
    TextFormat::ReadResult read;
    read.document = std::move(document);
    return read;
}

TextFormat docx()
{
    TextFormat format;
    format.typeIdentifier = TypeIdentifier::OfficeOpenXmlDocument;
    format.documentType = OfficeOpenXMLTextDocumentType;
    format.extensions = { QStringLiteral("docx") };
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions& options,
                       const QString& target, Error* error) {
        return DocxWriter::write(document, target, error, options.defaultFont);
    };
    format.read = [](const QByteArray& data, const TextFormat::ReadOptions&, Error* error) {
        return result(DocxReader::read(data, error));
    };
    return format;
}

TextFormat wordML()
{
    TextFormat format;
    format.typeIdentifier = TypeIdentifier::WordXml;
    format.documentType = WordMLTextDocumentType;
    format.extensions = { QStringLiteral("xml") };
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions& options,
                       const QString& target, Error* error) {
        return SafeWrite::writeFile(target,
            WordXmlWriter::write(document, WordXmlWriter::Dialect::WordML, options.defaultFont)
                .document,
            localized(QStringLiteral("The file could not be saved.")), error);
    };
    format.read = [](const QByteArray& data, const TextFormat::ReadOptions&, Error* error) {
        WordXmlReader reader(WordXmlReader::Dialect::WordML);
        return result(reader.readDocument(data, {}, error));
    };
    return format;
}

TextFormat openDocument()
{
    TextFormat format;
    format.typeIdentifier = TypeIdentifier::OpenDocumentText;
    format.documentType = OpenDocumentTextDocumentType;
    format.extensions = { QStringLiteral("odt") };
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions& options,
                       const QString& target, Error* error) {
        return OdtWriter::write(document, target, error, options.defaultFont);
    };
    format.read = [](const QByteArray& data, const TextFormat::ReadOptions&, Error* error) {
        return result(OdtReader::read(data, error));
    };
    return format;
}

} // namespace

QList<TextFormat> OfficeTextFormats::all()
{
    return { docx(), wordML(), openDocument() };
}

} // namespace platform
