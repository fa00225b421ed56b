#include "HtmlImageLoader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace platform {

namespace {

// The bytes of a data: URI ("data:[<media type>][;base64],<data>"), or nothing when they would
// be more than `limit`: the encoded length tells before anything is decoded.
std::optional<QByteArray> dataUriBytes(QStringView source, qint64 limit)
{
    const qsizetype comma = source.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const bool base64 = source.left(comma).endsWith(u";base64", Qt::CaseInsensitive);
    const QStringView payload = source.mid(comma + 1);
    // Base64 takes four characters for three bytes, a percent escape three for one; a browser
    // skips the white space a page breaks its lines with.
    if (qint64(payload.size()) > (base64 ? limit / 3 * 4 + 8 : limit * 3) + 1024)
        return std::nullopt;
    const QByteArray encoded = QByteArray::fromPercentEncoding(payload.toLatin1());
    QByteArray bytes = base64 ? QByteArray::fromBase64(encoded) : encoded;
    if (qint64(bytes.size()) > limit)
        return std::nullopt;
    return bytes;
}

// A local file's bytes, when it is a regular file of at most `limit` bytes; read no further
// than that, whatever its size said.
std::optional<QByteArray> fileBytes(const QString& path, qint64 limit)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > limit)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(limit + 1);
    if (qint64(bytes.size()) > limit)
        return std::nullopt;
    return bytes;
}

// The kind of image the bytes hold ("png"), empty when they hold none Qt can read.
QString imageKind(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.canRead() ? QString::fromLatin1(reader.format()) : QString();
}

} // namespace

std::optional<TextAttachment> HtmlImageLoader::load(const QString& source)
{
    const qint64 room = std::min(maximumImageBytes, maximumPageBytes - m_pageBytes);
    auto found = m_loaded.constFind(source);
    if (found == m_loaded.cend()) {
        Loaded loaded;
        std::optional<QByteArray> bytes;
        if (source.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
            bytes = dataUriBytes(QStringView(source).mid(5), room);
        } else if (m_baseUrl.isLocalFile()) {
            const QUrl url = m_baseUrl.resolved(QUrl(source));
            if (url.isLocalFile()) {
                loaded.fileName = QFileInfo(url.toLocalFile()).fileName();
                bytes = fileBytes(url.toLocalFile(), room);
            }
        }
        const QString kind = bytes ? imageKind(*bytes) : QString();
        if (!kind.isEmpty()) {
            loaded.bytes = std::move(*bytes);
            if (loaded.fileName.isEmpty())
                loaded.fileName = QStringLiteral("image.") + kind;
        }
        found = m_loaded.insert(source, loaded);
    }
    if (found->bytes.isEmpty() || qint64(found->bytes.size()) > room)
        return std::nullopt;
    m_pageBytes += found->bytes.size();
    return TextAttachment { found->bytes, found->fileName, {} };
}

} // namespace platform
