#include "HtmlReader.h"

#include "ConversionDocument.h"
#include "HtmlImageLoader.h"
#include "HtmlImporter.h"
#include "InlinePictureExtractor.h"
#include "PlainText.h"
#include "TextListConversion.h"
#include "platform/foundation/Localized.h"

#include <QTextDocument>

namespace platform {

namespace {

// A declaration must come early in a page to count.
constexpr qsizetype kDeclarationWindow = 4096;

// A declaration readable as ASCII cannot be in one of these; it is a copy-and-paste error.
bool isWide(TextEncoding::Value encoding)
{
    return encoding == TextEncoding::UTF16StringEncoding
        || encoding == TextEncoding::UTF16BigEndianStringEncoding
        || encoding == TextEncoding::UTF16LittleEndianStringEncoding
        || encoding == TextEncoding::UTF32StringEncoding
        || encoding == TextEncoding::UTF32BigEndianStringEncoding
        || encoding == TextEncoding::UTF32LittleEndianStringEncoding;
}

// The length of a page without the pictures written into it (data: URIs), which cost Qt's
// importer no more than their length: the rest costs it some forty bytes for each.
qsizetype markupLength(const QString& html)
{
    qsizetype length = html.size();
    const QLatin1StringView scheme("data:");
    for (qsizetype at = html.indexOf(scheme, 0, Qt::CaseInsensitive); at >= 0;
         at = html.indexOf(scheme, at, Qt::CaseInsensitive)) {
        qsizetype end = at + scheme.size();
        while (end < html.size() && !html.at(end).isSpace()
            && !QStringView(u"\"'<>").contains(html.at(end)))
            ++end;
        length -= end - at;
        at = end;
    }
    return length;
}

} // namespace

TextEncoding::Value HtmlReader::declaredEncoding(const QByteArray& data)
{
    const QByteArray head = data.left(kDeclarationWindow).toLower();
    qsizetype at = 0;
    while ((at = head.indexOf("charset", at)) >= 0) {
        at += 7;
        qsizetype i = at;
        while (i < head.size() && (head[i] == ' ' || head[i] == '\t'))
            ++i;
        if (i >= head.size() || head[i] != '=')
            continue;
        ++i;
        while (i < head.size() && (head[i] == ' ' || head[i] == '"' || head[i] == '\''))
            ++i;
        qsizetype end = i;
        while (end < head.size() && !QByteArrayView(" \t\r\n\"';/>").contains(head[end]))
            ++end;
        const TextEncoding::Value encoding
            = TextEncoding::fromIANAName(QString::fromLatin1(head.mid(i, end - i)));
        if (encoding != TextEncoding::InvalidStringEncoding)
            return encoding;
    }
    return TextEncoding::InvalidStringEncoding;
}

std::unique_ptr<QTextDocument> HtmlReader::fromHtml(const QString& html, const QUrl& baseUrl)
{
    // Qt's importer makes lists of the page's; they are taken apart again below.
    std::unique_ptr<QTextDocument> document = ConversionDocument::make();
    if (baseUrl.isValid())
        document->setBaseUrl(baseUrl);
    HtmlImporter::setHtml(*document, html);
    TextListConversion::fromQtLists(*document);
    return document;
}

std::optional<HtmlReader::Result> HtmlReader::read(
    const QByteArray& data, const Options& options, Error* error)
{
    HtmlImageLoader loader(options.baseUrl);
    // Pictures written into the page are taken out before the text is decoded, so that the
    // page's text, and everything the importer makes of it, is only as large as its words and
    // markup. A page in a wide encoding holds no ASCII URI to find.
    QByteArray page;
    if (isWide(PlainText::byteOrderMarkEncoding(data)) || isWide(options.encoding)) {
        page = data;
    } else {
        InlinePictureExtractor extractor(loader);
        extractor.append(data);
        page = extractor.finish();
    }
    std::optional<PlainText::ReadResult> text;
    const TextEncoding::Value declared = declaredEncoding(page);
    if (PlainText::byteOrderMarkEncoding(page) == TextEncoding::InvalidStringEncoding
        && options.encoding == TextEncoding::InvalidStringEncoding
        && TextEncoding::isAvailable(declared) && !isWide(declared)) {
        // Pages often declare one encoding and hold a stray byte of another; read on, as
        // browsers do.
        if (std::optional<QString> decoded = TextEncoding::decode(page, declared, true))
            text = PlainText::ReadResult { std::move(*decoded), declared, false };
    }
    if (!text)
        text = PlainText::read(page, options.encoding, error);
    page = QByteArray();
    if (!text)
        return std::nullopt;
    if (markupLength(text->text) > maximumMarkupLength) {
        Error::set(error,
            Error(kCocoaErrorDomain, FileReadTooLargeError,
                localized(QStringLiteral("The file is too large to be read.")),
                localizedFormat(
                    QStringLiteral("The page holds more than %@ million characters of text and "
                                   "markup."),
                    QString::number(maximumMarkupLength / 1'000'000))));
        return std::nullopt;
    }
    Result result;
    result.document = fromHtml(text->text, options.baseUrl);
    result.encoding = text->encoding;
    text.reset();
    HtmlImageEmbedder::embed(*result.document, [&](const QString& source) {
        return options.images && !loader.holds(source) ? options.images(source)
                                                       : loader.load(source);
    });
    result.leftOut = loader.leftOut();
    return result;
}

} // namespace platform
