#include "WebArchiveReader.h"

#include "HtmlImageLoader.h"
#include "HtmlReader.h"
#include "PlainText.h"
#include "TextDocumentReader.h"
#include "platform/foundation/Localized.h"

#include <QHash>
#include <QTextDocument>
#include <QUrl>

#include <plist/plist.h>

#include <limits>
#include <memory>

namespace platform {

namespace {

using Plist = std::unique_ptr<void, decltype(&plist_free)>;

Error corruptError(const QString& reason)
{
    return Error(kCocoaErrorDomain, FileReadCorruptFileError,
        localized(QStringLiteral("The file isn't in the correct format.")), reason);
}

plist_t item(plist_t dict, const char* key, plist_type type)
{
    if (!dict || plist_get_node_type(dict) != PLIST_DICT)
        return nullptr;
    plist_t value = plist_dict_get_item(dict, key);
    return value && plist_get_node_type(value) == type ? value : nullptr;
}

QString stringItem(plist_t dict, const char* key)
{
    plist_t value = item(dict, key, PLIST_STRING);
    if (!value)
        return {};
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(value, &length);
    return text ? QString::fromUtf8(text, qsizetype(length)) : QString();
}

std::optional<QByteArray> dataItem(plist_t dict, const char* key)
{
    plist_t value = item(dict, key, PLIST_DATA);
    if (!value)
        return std::nullopt;
    uint64_t length = 0;
    const char* bytes = plist_get_data_ptr(value, &length);
    return bytes ? QByteArray(bytes, qsizetype(length)) : QByteArray();
}

struct Subresource {
    QByteArray data;
    QString fileName;
};

QHash<QUrl, Subresource> subresources(plist_t root)
{
    QHash<QUrl, Subresource> found;
    plist_t array = item(root, "WebSubresources", PLIST_ARRAY);
    const uint32_t count = array ? plist_array_get_size(array) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        plist_t resource = plist_array_get_item(array, i);
        const QUrl url(stringItem(resource, "WebResourceURL"));
        std::optional<QByteArray> data = dataItem(resource, "WebResourceData");
        if (url.isValid() && !url.isEmpty() && data && !found.contains(url))
            found.insert(url, { std::move(*data), url.fileName() });
    }
    return found;
}

} // namespace

bool WebArchiveReader::looksLikeWebArchive(const QByteArray& data)
{
    if (data.startsWith("bplist00"))
        return true;
    const QByteArray head = data.left(1024);
    return head.contains("<plist") && head.contains("WebMainResource");
}

std::optional<WebArchiveReader::Result> WebArchiveReader::read(const QByteArray& data, Error* error)
{
    if (data.isEmpty() || quint64(data.size()) > std::numeric_limits<uint32_t>::max()) {
        Error::set(error, corruptError(QStringLiteral("The web archive is empty or too large.")));
        return std::nullopt;
    }
    plist_t parsed = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &parsed);
    const Plist root(parsed, plist_free);
    plist_t main = item(root.get(), "WebMainResource", PLIST_DICT);
    std::optional<QByteArray> page = dataItem(main, "WebResourceData");
    if (!page) {
        Error::set(error, corruptError(QStringLiteral("The web archive has no main resource.")));
        return std::nullopt;
    }
    const QString mimeType = stringItem(main, "WebResourceMIMEType").toLower();
    const TextEncoding::Value named
        = TextEncoding::fromIANAName(stringItem(main, "WebResourceTextEncodingName"));
    const TextEncoding::Value encoding
        = TextEncoding::isAvailable(named) ? named : TextEncoding::InvalidStringEncoding;

    Result result;
    if (mimeType == QLatin1String("text/plain")) {
        std::optional<PlainText::ReadResult> text = PlainText::read(*page, encoding, error);
        if (!text)
            return std::nullopt;
        result.document = TextDocumentReader::documentFromPlainText(text->text);
        result.encoding = text->encoding;
        return result;
    }
    if (mimeType != QLatin1String("text/html")
        && mimeType != QLatin1String("application/xhtml+xml")) {
        Error::set(error,
            corruptError(QStringLiteral("The web archive's page is %1, not text.")
                             .arg(mimeType.isEmpty() ? QStringLiteral("untyped") : mimeType)));
        return std::nullopt;
    }
    // Images come from the archive and from the page itself (data: URIs), never from disk or
    // the network.
    const QUrl mainUrl(stringItem(main, "WebResourceURL"));
    const QHash<QUrl, Subresource> resources = subresources(root.get());
    HtmlImageLoader inPage { QUrl() };
    HtmlReader::Options options { encoding, QUrl(), {} };
    options.images = [&](const QString& source) -> std::optional<TextAttachment> {
        const auto found = resources.constFind(mainUrl.resolved(QUrl(source)));
        if (found == resources.cend())
            return inPage.load(source);
        if (found->data.isEmpty())
            return std::nullopt;
        return TextAttachment { found->data,
            found->fileName.isEmpty() ? QStringLiteral("image") : found->fileName, {} };
    };
    std::optional<HtmlReader::Result> html = HtmlReader::read(*page, options, error);
    if (!html)
        return std::nullopt;
    result.document = std::move(html->document);
    result.encoding = html->encoding;
    return result;
}

} // namespace platform
