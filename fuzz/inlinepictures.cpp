// Feeds a page's bytes to the picture extractor whole and in pieces, and checks that the pieces
// change nothing: the same text around the same pictures, which load alike. Each 0x01 byte
// becomes the payload of a picture long enough to be taken out (a small PNG and filler, as
// base64), each 0x02 byte as long a run of "A"; the first byte picks the size of the pieces and
// whether small bounds make the loader drop pictures. Text outside the names never grows.
#include "OffscreenApplication.h"
#include "platform/text/HtmlImageLoader.h"
#include "platform/text/InlinePictureExtractor.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>

namespace {

using platform::HtmlImageLoader;
using platform::InlinePictureExtractor;

QByteArray picturePayload()
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(2, 2, QImage::Format_RGB32).save(&buffer, "PNG");
    png.resize(InlinePictureExtractor::minimumTakenLength);
    return png.toBase64();
}

struct Run {
    QByteArray text;
    QStringList names;
    std::vector<std::optional<QByteArray>> pictures;
};

Run extract(const QByteArray& page, qsizetype piece, HtmlImageLoader::Bounds bounds)
{
    static const QRegularExpression name(QStringLiteral("picture[0-9a-f]+n[0-9]+"));
    HtmlImageLoader loader(QUrl(), bounds);
    InlinePictureExtractor extractor(loader);
    for (qsizetype at = 0; at < page.size(); at += piece)
        extractor.append(QByteArrayView(page).sliced(at, std::min(piece, page.size() - at)));
    Run run;
    const QString text = QString::fromLatin1(extractor.finish());
    QString plain = text;
    plain.replace(name, QStringLiteral("#"));
    run.text = plain.toLatin1();
    for (const QRegularExpressionMatch& match : name.globalMatch(text)) {
        run.names << match.captured();
        const std::optional<platform::TextAttachment> loaded
            = loader.load(QStringLiteral("data:image/png;base64,") + match.captured());
        run.pictures.push_back(loaded ? std::optional(loaded->contents) : std::nullopt);
    }
    return run;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const QByteArray payload = picturePayload();
    static const QByteArray run(InlinePictureExtractor::minimumTakenLength + 1, 'A');
    QByteArray page;
    for (size_t i = 1; i < size && page.size() < 4 * 1024 * 1024; ++i) {
        if (data[i] == 1)
            page += payload;
        else if (data[i] == 2)
            page += run;
        else
            page += char(data[i]);
    }
    const qsizetype piece = 1 + (data[0] & 0x3F) * 997;
    const HtmlImageLoader::Bounds bounds = (data[0] & 0x40)
        ? HtmlImageLoader::Bounds { 40 * 1024, 100 * 1024 }
        : HtmlImageLoader::Bounds {};
    const Run whole = extract(page, page.size() + 1, bounds);
    const Run pieces = extract(page, piece, bounds);
    if (whole.text != pieces.text || whole.pictures != pieces.pictures
        || whole.text.size() > page.size())
        std::abort();
    return 0;
}
