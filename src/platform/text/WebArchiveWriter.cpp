#include "WebArchiveWriter.h"

#include "HtmlWriter.h"
#include "platform/foundation/Localized.h"

#include <QMimeDatabase>
#include <QUrl>

#include <plist/plist.h>

#include <memory>

namespace platform {

namespace {

using Plist = std::unique_ptr<void, decltype(&plist_free)>;

void setString(plist_t dict, const char* key, const QString& value)
{
    plist_dict_set_item(dict, key, plist_new_string(value.toUtf8().constData()));
}

plist_t resource(const QByteArray& data, const QString& url, const QString& mimeType)
{
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "WebResourceData", plist_new_data(data.constData(), data.size()));
    setString(dict, "WebResourceURL", url);
    setString(dict, "WebResourceMIMEType", mimeType);
    return dict;
}

} // namespace

std::optional<QByteArray> WebArchiveWriter::write(
    const QTextDocument& doc, const QString& title, Error* error)
{
    HtmlWriter::Options options;
    options.title = title;
    const std::optional<HtmlWriter::Page> page = HtmlWriter::write(doc, options, error);
    if (!page)
        return std::nullopt;

    Plist root(plist_new_dict(), plist_free);
    plist_t main = resource(page->html, MainResourceUrl, QStringLiteral("text/html"));
    setString(main, "WebResourceTextEncodingName", QStringLiteral("UTF-8"));
    setString(main, "WebResourceFrameName", QString());
    plist_dict_set_item(root.get(), "WebMainResource", main);

    if (!page->images.isEmpty()) {
        const QUrl base(MainResourceUrl);
        const QMimeDatabase mimeTypes;
        plist_t subresources = plist_new_array();
        for (const HtmlWriter::ImageFile& image : page->images) {
            // The page names each image by its percent-encoded file name.
            const QUrl url = base.resolved(
                QUrl::fromEncoded(QUrl::toPercentEncoding(image.fileName), QUrl::StrictMode));
            plist_array_append_item(subresources,
                resource(image.data, url.toString(QUrl::FullyEncoded),
                    mimeTypes.mimeTypeForFileNameAndData(image.fileName, image.data).name()));
        }
        plist_dict_set_item(root.get(), "WebSubresources", subresources);
    }

    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    if (!bytes) {
        Error::set(error,
            Error(kCocoaErrorDomain, FileWriteUnknownError,
                localized(QStringLiteral("The file could not be saved.")),
                QStringLiteral("The web archive could not be encoded.")));
        return std::nullopt;
    }
    QByteArray result(bytes, qsizetype(length));
    plist_to_bin_free(bytes);
    return result;
}

} // namespace platform
