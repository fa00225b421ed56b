#include "TextDocumentReader.h"

#include "ContentSniffer.h"
#include "HtmlReader.h"
#include "PlainText.h"
#include "RichTextData.h"
#include "RtfdPackage.h"
#include "TextDocumentTypes.h"
#include "platform/foundation/Localized.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QUrl>

namespace platform {

namespace {

Error unreadableError(const QString& reason)
{
    return Error(kCocoaErrorDomain, FileReadCorruptFileError,
        localized(QStringLiteral("The file isn't in the correct format.")), reason);
}

std::optional<TextDocumentReader::Result> readBytes(const QByteArray& data, const QString& type,
    TextEncoding::Value encoding, const QUrl& baseUrl, Error* error)
{
    TextDocumentReader::Result result;
    result.documentType = type;
    if (type == RTFTextDocumentType || type == RTFDTextDocumentType) {
        // The stored form decides, not the name: flat RTFD is tried first, then RTF.
        result.document = RichTextData::attributedStringWithRTFData(data, error);
        if (!result.document)
            return std::nullopt;
        return result;
    }
    if (type == HTMLTextDocumentType) {
        HtmlReader::Options options;
        options.encoding = encoding;
        options.baseUrl = baseUrl;
        std::optional<HtmlReader::Result> html = HtmlReader::read(data, options, error);
        if (!html)
            return std::nullopt;
        result.document = std::move(html->document);
        result.encoding = html->encoding;
        return result;
    }
    if (type == PlainTextDocumentType) {
        std::optional<PlainText::ReadResult> text = PlainText::read(data, encoding, error);
        if (!text)
            return std::nullopt;
        result.document = TextDocumentReader::documentFromPlainText(text->text);
        result.encoding = text->encoding;
        return result;
    }
    Error::set(error,
        unreadableError(type.isEmpty() ? QStringLiteral("The data is not text.")
                                       : QStringLiteral("No reader for %1.").arg(type)));
    return std::nullopt;
}

} // namespace

std::unique_ptr<QTextDocument> TextDocumentReader::documentFromPlainText(const QString& text)
{
    QString normalized = text;
    // Qt breaks paragraphs at CR as well as LF, so CR LF would make two paragraphs.
    if (normalized.contains(QLatin1Char('\r'))) {
        normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setPlainText(normalized);
    return document;
}

std::optional<TextDocumentReader::Result> TextDocumentReader::readData(
    const QByteArray& data, const Options& options, Error* error)
{
    const QString type = options.documentType.isEmpty() ? ContentSniffer::documentType(data)
                                                        : options.documentType;
    return readBytes(data, type, options.encoding, QUrl(), error);
}

std::optional<TextDocumentReader::Result> TextDocumentReader::readFile(
    const QString& path, const Options& options, Error* error)
{
    Error sniffError;
    const QString type = options.documentType.isEmpty()
        ? ContentSniffer::documentTypeOfFile(path, &sniffError)
        : options.documentType;
    if (!sniffError.isNull()) {
        Error::set(error, sniffError);
        return std::nullopt;
    }

    const QFileInfo info(path);
    if (info.isDir()) {
        if (type != RTFDTextDocumentType) {
            Error::set(error, unreadableError(QStringLiteral("%1 is a folder.").arg(path)));
            return std::nullopt;
        }
        std::optional<RtfdPackage> package = RtfdPackage::readFolder(path, error);
        if (!package)
            return std::nullopt;
        Result result;
        result.document = package->document(error);
        if (!result.document)
            return std::nullopt;
        result.documentType = type;
        return result;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Error::set(error,
            Error(kCocoaErrorDomain,
                info.exists() ? FileReadNoPermissionError : FileNoSuchFileError,
                localized(QStringLiteral("The file could not be opened.")),
                path + QLatin1String(": ") + file.errorString()));
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    return readBytes(data, type, options.encoding,
        QUrl::fromLocalFile(info.absolutePath() + QLatin1Char('/')), error);
}

} // namespace platform
