#include "ContentSniffer.h"

#include "DocReader.h"
#include "PlainText.h"
#include "TextDocumentTypes.h"
#include "TextEncoding.h"
#include "TextFormatRegistry.h"
#include "WebArchiveReader.h"
#include "platform/foundation/Localized.h"

#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

// Elements that open an HTML fragment often enough to be taken as HTML on their own.
constexpr const char* kLeadingTags[] = {
    "html",
    "head",
    "body",
    "meta",
    "title",
    "style",
    "link",
    "base",
    "p",
    "div",
    "span",
    "font",
    "b",
    "i",
    "u",
    "em",
    "strong",
    "a",
    "br",
    "img",
    "table",
    "ul",
    "ol",
    "li",
    "h1",
    "h2",
    "h3",
    "h4",
    "h5",
    "h6",
    "pre",
    "blockquote",
};

bool isSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\f';
}

bool isFlatRtfd(const QByteArray& data)
{
    return data.startsWith(QByteArrayView("rtfd\0\0\0\0", 8));
}

// The leading text as Latin-1 bytes, lower-cased: wide encodings are narrowed through their
// byte-order mark so that markup in UTF-16 is found too.
QByteArray leadingText(const QByteArray& data)
{
    const QByteArray window = data.left(ContentSniffer::SniffLength);
    const TextEncoding::Value mark = PlainText::byteOrderMarkEncoding(window);
    QByteArray text = window;
    if (mark != TextEncoding::InvalidStringEncoding) {
        // Decoding consumes the mark; a cut through a character only spoils the window's end.
        const std::optional<QString> decoded = TextEncoding::decode(window, mark, true);
        text = decoded ? decoded->toLatin1() : QByteArray();
    }
    qsizetype start = 0;
    while (start < text.size() && isSpace(text[start]))
        ++start;
    return text.mid(start).toLower();
}

bool startsWithTag(const QByteArray& text)
{
    if (!text.startsWith('<'))
        return false;
    for (const char* tag : kLeadingTags) {
        const qsizetype length = qsizetype(qstrlen(tag));
        if (text.size() > length + 1 && text.mid(1, length) == tag) {
            const char next = text[length + 1];
            if (next == '>' || next == '/' || isSpace(next))
                return true;
        }
    }
    return false;
}

bool looksLikeHtml(const QByteArray& text)
{
    if (startsWithTag(text) || text.startsWith("<!doctype html"))
        return true;
    // Comments and XML declarations may precede the page.
    if (text.startsWith("<!--") || text.startsWith("<?xml") || text.startsWith("<!doctype"))
        return text.contains("<html") || text.contains("<body");
    return false;
}

// Zip packages: OpenDocument text names itself in its leading stored "mimetype" entry, a Word
// document has parts under "word/" among its first entries.
QString zipPackageType(const QByteArray& data)
{
    if (!data.startsWith(QByteArrayView("PK\x03\x04", 4)))
        return QString();
    if (data.mid(30, 8) == "mimetype"
        && data.mid(38).startsWith("application/vnd.oasis.opendocument.text")) {
        return OpenDocumentTextDocumentType;
    }
    if (data.left(ContentSniffer::SniffLength).contains("word/"))
        return OfficeOpenXMLTextDocumentType;
    return QString();
}

bool looksLikeWordML(const QByteArray& text)
{
    return text.startsWith("<?xml")
        && (text.contains("<w:worddocument")
            || text.contains("schemas.microsoft.com/office/word/2003/wordml"));
}

// NUL bytes in unmarked data mean binary content, not text.
bool isBinary(const QByteArray& data)
{
    if (PlainText::byteOrderMarkEncoding(data) != TextEncoding::InvalidStringEncoding)
        return false;
    return data.left(ContentSniffer::SniffLength).contains('\0');
}

} // namespace

QString ContentSniffer::documentType(const QByteArray& data)
{
    if (isFlatRtfd(data))
        return RTFDTextDocumentType;
    if (DocReader::isCompoundFile(data))
        return DocFormatTextDocumentType;
    if (WebArchiveReader::looksLikeWebArchive(data))
        return WebArchiveTextDocumentType;
    if (const QString package = zipPackageType(data); !package.isEmpty())
        return package;
    const QByteArray text = leadingText(data);
    if (text.startsWith("{\\rtf"))
        return RTFTextDocumentType;
    if (isBinary(data))
        return QString();
    if (looksLikeWordML(text))
        return WordMLTextDocumentType;
    if (looksLikeHtml(text))
        return HTMLTextDocumentType;
    return PlainTextDocumentType;
}

QString ContentSniffer::documentTypeOfFile(const QString& path, Error* error)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        if (QFileInfo(info.filePath() + QStringLiteral("/TXT.rtf")).isFile())
            return RTFDTextDocumentType;
        return QString();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Error::set(error,
            Error(kCocoaErrorDomain,
                file.error() == QFileDevice::OpenError && !info.exists() ? FileNoSuchFileError
                                                                         : FileReadUnknownError,
                localized(QStringLiteral("The file could not be opened.")),
                path + QLatin1String(": ") + file.errorString()));
        return QString();
    }
    const QByteArray data = file.read(SniffLength);
    const QString sniffed = documentType(data);
    // A zip package whose first entries do not tell its kind goes by its extension.
    if (sniffed.isEmpty() && data.startsWith(QByteArrayView("PK\x03\x04", 4))) {
        const std::optional<TextFormat> named
            = TextFormatRegistry::formatForExtension(info.suffix());
        if (named
            && (named->documentType == OfficeOpenXMLTextDocumentType
                || named->documentType == OpenDocumentTextDocumentType)) {
            return named->documentType;
        }
    }
    if (sniffed != PlainTextDocumentType && sniffed != HTMLTextDocumentType)
        return sniffed;
    // The registry's extensions of the two formats the bytes cannot always tell apart.
    const std::optional<TextFormat> named = TextFormatRegistry::formatForExtension(info.suffix());
    if (named
        && (named->documentType == HTMLTextDocumentType
            || named->documentType == PlainTextDocumentType)) {
        return named->documentType;
    }
    return sniffed;
}

} // namespace platform
