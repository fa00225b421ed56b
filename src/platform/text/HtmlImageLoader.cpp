#include "HtmlImageLoader.h"

#include "platform/foundation/Localized.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace platform {

namespace {

// The bytes of a data: URI ("data:[<media type>][;base64],<data>"), or nothing when they would
// be more than `limit`, with `size` set to their size then: the encoded length tells before
// anything is decoded.
std::optional<QByteArray> dataUriBytes(QStringView source, qint64 limit, qint64* size)
{
    const qsizetype comma = source.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const bool base64 = source.left(comma).endsWith(u";base64", Qt::CaseInsensitive);
    const QStringView payload = source.mid(comma + 1);
    // Base64 takes four characters for three bytes, a percent escape three for one; a browser
    // skips the white space a page breaks its lines with.
    if (qint64(payload.size()) > (base64 ? limit / 3 * 4 + 8 : limit * 3) + 1024) {
        *size = base64 ? qint64(payload.size()) / 4 * 3 : qint64(payload.size()) / 3;
        return std::nullopt;
    }
    const QByteArray encoded = QByteArray::fromPercentEncoding(payload.toLatin1());
    QByteArray bytes = base64 ? QByteArray::fromBase64(encoded) : encoded;
    if (qint64(bytes.size()) > limit) {
        *size = bytes.size();
        return std::nullopt;
    }
    return bytes;
}

// A local file's bytes, when it is a regular file of at most `limit` bytes, with `size` set to
// its size when it is larger; read no further than that, whatever its size said.
std::optional<QByteArray> fileBytes(const QString& path, qint64 limit, qint64* size)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    if (info.size() > limit) {
        *size = info.size();
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(limit + 1);
    if (qint64(bytes.size()) > limit) {
        *size = bytes.size();
        return std::nullopt;
    }
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

QString HtmlImageLoader::pathInPageFolder(const QString& source) const
{
    if (!m_baseUrl.isLocalFile())
        return {};
    // Only a relative reference names a file of the page's own: a scheme (file: in any of its
    // forms), an absolute path or a step up leads elsewhere.
    const QUrl reference(source);
    const QString steps = reference.path(QUrl::FullyDecoded);
    if (!reference.isValid() || !reference.scheme().isEmpty() || !reference.host().isEmpty()
        || steps.startsWith(u'/') || steps.split(u'/').contains(QStringLiteral("..")))
        return {};
    const QString folder = QFileInfo(m_baseUrl.resolved(QUrl(QStringLiteral("."))).toLocalFile())
                               .canonicalFilePath();
    // Links are followed to where they lead, which must still be inside the folder.
    const QString path = QFileInfo(m_baseUrl.resolved(reference).toLocalFile()).canonicalFilePath();
    if (folder.isEmpty() || path.isEmpty()
        || !path.startsWith(folder == u"/" ? folder : folder + u'/'))
        return {};
    return path;
}

HtmlImageLoader::Loaded HtmlImageLoader::read(const QString& source, qint64 room)
{
    Loaded loaded;
    std::optional<QByteArray> bytes;
    if (source.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        bytes = dataUriBytes(QStringView(source).mid(5), room, &loaded.refusedSize);
    } else if (const QString path = pathInPageFolder(source); !path.isEmpty()) {
        loaded.fileName = QFileInfo(path).fileName();
        bytes = fileBytes(path, room, &loaded.refusedSize);
    }
    const QString kind = bytes ? imageKind(*bytes) : QString();
    if (!kind.isEmpty()) {
        loaded.bytes = std::move(*bytes);
        if (loaded.fileName.isEmpty())
            loaded.fileName = QStringLiteral("image.") + kind;
    }
    return loaded;
}

std::optional<TextAttachment> HtmlImageLoader::load(const QString& source)
{
    const qint64 room = std::min(m_bounds.imageBytes, m_bounds.pageBytes - m_pageBytes);
    auto found = m_loaded.constFind(source);
    if (found == m_loaded.cend()) {
        const auto held = m_held.constFind(heldName(source));
        found = m_loaded.insert(source, held != m_held.cend() ? *held : read(source, room));
    }
    if (found->bytes.isEmpty()) {
        if (found->refusedSize >= 0)
            countLeftOut(found->refusedSize);
        return std::nullopt;
    }
    if (qint64(found->bytes.size()) > room) {
        countLeftOut(found->bytes.size());
        return std::nullopt;
    }
    m_pageBytes += found->bytes.size();
    return TextAttachment { found->bytes, found->fileName, {} };
}

QString HtmlImageLoader::heldName(const QString& source)
{
    // A picture taken out of the page is named by its URI's payload.
    const qsizetype comma = source.indexOf(u',');
    if (comma < 0 || !source.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return {};
    return source.mid(comma + 1);
}

bool HtmlImageLoader::holds(const QString& source) const
{
    return m_held.contains(heldName(source));
}

qint64 HtmlImageLoader::holdingRoom() const
{
    return std::min(m_bounds.imageBytes, m_bounds.pageBytes - m_heldBytes);
}

void HtmlImageLoader::hold(const QString& name, QByteArray bytes)
{
    Loaded held;
    const QString kind = imageKind(bytes);
    if (!kind.isEmpty()) {
        m_heldBytes += bytes.size();
        held.bytes = std::move(bytes);
        held.fileName = QStringLiteral("image.") + kind;
    }
    m_held.insert(name, held);
}

void HtmlImageLoader::leaveOut(const QString& name, qint64 size)
{
    // Counted here, where it goes, as the page may show it nowhere.
    countLeftOut(size);
    m_held.insert(name, Loaded {});
}

void HtmlImageLoader::countLeftOut(qint64 size)
{
    if (size > m_bounds.imageBytes)
        ++m_largerLeftOut;
    else
        ++m_pastPageLeftOut;
}

QStringList HtmlImageLoader::leftOut() const
{
    QStringList reasons;
    const QString imageMegabytes = QString::number(m_bounds.imageBytes / (1024 * 1024));
    const QString pageMegabytes = QString::number(m_bounds.pageBytes / (1024 * 1024));
    if (m_largerLeftOut == 1)
        reasons << localizedFormat(
            QStringLiteral("A picture larger than %@ MB was left out."), imageMegabytes);
    else if (m_largerLeftOut > 1)
        reasons << localizedFormat(QStringLiteral("%@ pictures larger than %@ MB were left out."),
            QString::number(m_largerLeftOut), imageMegabytes);
    if (m_pastPageLeftOut == 1)
        reasons << localizedFormat(
            QStringLiteral("A picture past the %@ MB one note's pictures may take was left out."),
            pageMegabytes);
    else if (m_pastPageLeftOut > 1)
        reasons << localizedFormat(
            QStringLiteral(
                "%@ pictures past the %@ MB one note's pictures may take were left out."),
            QString::number(m_pastPageLeftOut), pageMegabytes);
    return reasons;
}

} // namespace platform
