#include "BuiltInTextFormats.h"

#include "AttributedText.h"
#include "DocReader.h"
#include "DocWriter.h"
#include "HtmlReader.h"
#include "HtmlWriter.h"
#include "OfficeTextFormats.h"
#include "PlainText.h"
#include "RichTextData.h"
#include "RtfWriter.h"
#include "RtfdPackage.h"
#include "TextDocumentReader.h"
#include "TextDocumentTypes.h"
#include "WebArchiveReader.h"
#include "WebArchiveWriter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/SafeWrite.h"
#include "platform/foundation/TypeIdentifier.h"

#include <QTextDocument>

namespace platform {

namespace {

bool saveFile(const QString& path, const QByteArray& data, Error* error)
{
    return SafeWrite::writeFile(
        path, data, localized(QStringLiteral("The file could not be saved.")), error);
}

// Plain text has no place for a picture: its placeholder character is left out, never written
// as a character of the text.
QString textWithoutPictures(const QTextDocument& document, WriteLosses* losses)
{
    QString text = AttributedText::string(document);
    if (losses && text.contains(QChar::ObjectReplacementCharacter))
        losses->leavePicturesOut();
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

// Flat RTFD is tried first, then RTF: the stored form decides, not the name.
std::optional<TextFormat::ReadResult> readRichText(
    const QByteArray& data, const TextFormat::ReadOptions&, Error* error)
{
    TextFormat::ReadResult result;
    result.document = RichTextData::attributedStringWithRTFData(data, error);
    if (!result.document)
        return std::nullopt;
    return result;
}

TextFormat rtf()
{
    TextFormat format;
    format.typeIdentifier = QStringLiteral("public.rtf");
    format.documentType = RTFTextDocumentType;
    format.extensions = { QStringLiteral("rtf") };
    // Plain RTF leaves pictures out; RTFD is the form that keeps them.
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions& options,
                       const QString& target, Error* error) {
        if (options.losses)
            options.losses->leavePicturesOutOf(document);
        return saveFile(target, RtfWriter::write(document), error);
    };
    format.read = readRichText;
    return format;
}

TextFormat rtfd()
{
    TextFormat format;
    format.typeIdentifier = QStringLiteral("com.apple.rtfd");
    format.documentType = RTFDTextDocumentType;
    format.extensions = { QStringLiteral("rtfd") };
    format.isPackage = true;
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions&,
                       const QString& target, Error* error) {
        return RtfdPackage::fromDocument(document).writeFolder(target, error);
    };
    format.read = readRichText;
    format.readFolder
        = [](const QString& path, Error* error) -> std::optional<TextFormat::ReadResult> {
        std::optional<RtfdPackage> package = RtfdPackage::readFolder(path, error);
        if (!package)
            return std::nullopt;
        TextFormat::ReadResult result;
        result.document = package->document(error);
        if (!result.document)
            return std::nullopt;
        return result;
    };
    return format;
}

TextFormat html()
{
    TextFormat format;
    format.typeIdentifier = QStringLiteral("public.html");
    format.documentType = HTMLTextDocumentType;
    format.extensions = { QStringLiteral("html"), QStringLiteral("htm"), QStringLiteral("xhtml") };
    format.usesEncoding = true;
    // One file travels alone, so its images go inside it; characters the encoding lacks are
    // written as character references, never lost.
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions& options,
                       const QString& target, Error* error) {
        HtmlWriter::Options page;
        page.encoding = options.encoding;
        page.inlineImages = true;
        page.title = options.title;
        const std::optional<HtmlWriter::Page> written = HtmlWriter::write(document, page, error);
        return written && saveFile(target, written->html, error);
    };
    format.read = [](const QByteArray& data, const TextFormat::ReadOptions& options,
                      Error* error) -> std::optional<TextFormat::ReadResult> {
        std::optional<HtmlReader::Result> page
            = HtmlReader::read(data, { options.encoding, options.baseUrl, {} }, error);
        if (!page)
            return std::nullopt;
        return TextFormat::ReadResult { std::move(page->document), page->encoding,
            std::move(page->leftOut) };
    };
    return format;
}

TextFormat plainText()
{
    TextFormat format;
    format.typeIdentifier = QStringLiteral("public.plain-text");
    format.documentType = PlainTextDocumentType;
    format.extensions = { QStringLiteral("txt"), QStringLiteral("text") };
    format.usesEncoding = true;
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions& options,
                       const QString& target, Error* error) {
        const std::optional<QByteArray> bytes
            = PlainText::write(textWithoutPictures(document, options.losses), options.encoding,
                options.allowLossy, false, error, options.losses);
        return bytes && saveFile(target, *bytes, error);
    };
    format.read = [](const QByteArray& data, const TextFormat::ReadOptions& options,
                      Error* error) -> std::optional<TextFormat::ReadResult> {
        std::optional<PlainText::ReadResult> text = PlainText::read(data, options.encoding, error);
        if (!text)
            return std::nullopt;
        return TextFormat::ReadResult { TextDocumentReader::documentFromPlainText(text->text),
            text->encoding, {} };
    };
    return format;
}

// Old Mac plain text: Mac OS Roman whatever the chosen encoding, "?" for what it lacks.
TextFormat legacyPlainText()
{
    TextFormat format;
    format.typeIdentifier = TypeIdentifier::TraditionalPlainText;
    format.documentType = MacSimpleTextDocumentType;
    format.extensions = { QStringLiteral("txt") };
    format.writtenEncoding = TextEncoding::MacOSRomanStringEncoding;
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions& options,
                       const QString& target, Error* error) {
        return saveFile(target,
            PlainText::legacyPlainTextData(
                textWithoutPictures(document, options.losses), options.losses),
            error);
    };
    return format;
}

TextFormat webArchive()
{
    TextFormat format;
    format.typeIdentifier = TypeIdentifier::WebArchive;
    format.documentType = WebArchiveTextDocumentType;
    format.extensions = { QStringLiteral("webarchive") };
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions& options,
                       const QString& target, Error* error) {
        const std::optional<QByteArray> archive
            = WebArchiveWriter::write(document, options.title, error);
        return archive && saveFile(target, *archive, error);
    };
    format.read = [](const QByteArray& data, const TextFormat::ReadOptions&,
                      Error* error) -> std::optional<TextFormat::ReadResult> {
        std::optional<WebArchiveReader::Result> archive = WebArchiveReader::read(data, error);
        if (!archive)
            return std::nullopt;
        return TextFormat::ReadResult { std::move(archive->document), archive->encoding, {} };
    };
    return format;
}

TextFormat wordDocument()
{
    TextFormat format;
    format.typeIdentifier = TypeIdentifier::WordDocument;
    format.documentType = DocFormatTextDocumentType;
    format.extensions = { QStringLiteral("doc") };
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions&,
                       const QString& target, Error* error) {
        const std::optional<QByteArray> bytes = DocWriter::write(document, error);
        return bytes && saveFile(target, *bytes, error);
    };
    format.read = [](const QByteArray& data, const TextFormat::ReadOptions&,
                      Error* error) -> std::optional<TextFormat::ReadResult> {
        TextFormat::ReadResult result;
        result.document = DocReader::read(data, error);
        if (!result.document)
            return std::nullopt;
        return result;
    };
    return format;
}

} // namespace

QList<TextFormat> BuiltInTextFormats::all()
{
    return QList<TextFormat> { rtf(), rtfd(), html(), plainText(), legacyPlainText(), webArchive(),
        wordDocument() }
    + OfficeTextFormats::all();
}

} // namespace platform
