#include "TextDocumentReader.h"

#include "ContentSniffer.h"
#include "TextFormatRegistry.h"
#include "platform/foundation/Localized.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QUrl>

namespace platform {

namespace {

// Readers come from the format registry by document type.
std::optional<TextDocumentReader::Result> readBytes(const QByteArray& data, const QString& type,
    TextEncoding::Value encoding, const QUrl& baseUrl, Error* error)
{
    const std::optional<TextFormat> format = TextFormatRegistry::readerForDocumentType(type);
    if (!format) {
        Error::set(error,
            TextDocumentReader::unreadableError(type.isEmpty()
                    ? QStringLiteral("The data is not text.")
                    : QStringLiteral("No reader for %1.").arg(type)));
        return std::nullopt;
    }
    std::optional<TextFormat::ReadResult> read = format->read(data, { encoding, baseUrl }, error);
    if (!read)
        return std::nullopt;
    TextDocumentReader::Result result;
    result.document = std::move(read->document);
    result.documentType = type;
    result.encoding = read->encoding;
    result.leftOut = std::move(read->leftOut);
    return result;
}

} // namespace

Error TextDocumentReader::unreadableError(const QString& reason)
{
    return Error(kCocoaErrorDomain, FileReadCorruptFileError,
        localized(QStringLiteral("The file isn't in the correct format.")), reason);
}

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
        const std::optional<TextFormat> format = TextFormatRegistry::readerForDocumentType(type);
        if (!format || !format->readFolder) {
            Error::set(error, unreadableError(QStringLiteral("%1 is a folder.").arg(path)));
            return std::nullopt;
        }
        std::optional<TextFormat::ReadResult> read = format->readFolder(path, error);
        if (!read)
            return std::nullopt;
        Result result;
        result.document = std::move(read->document);
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
