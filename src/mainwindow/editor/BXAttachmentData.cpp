#include "mainwindow/editor/BXAttachmentData.h"

#include "platform/appkit/FilePromiseMimeData.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/SafeWrite.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeDatabase>

QImage BXAttachmentData::decodedImage(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    return reader.read();
}

QByteArray BXAttachmentData::encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return {};
    return bytes;
}

bool BXAttachmentData::looksLikeImage(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    return !bytes.isEmpty() && QImageReader(&buffer).canRead();
}

QMimeData* BXAttachmentData::mimeData(const platform::TextAttachment& attachment)
{
    const QString fileName
        = attachment.fileName.isEmpty() ? QStringLiteral("Attachment") : attachment.fileName;
    const QByteArray contents = attachment.contents;
    auto promise = std::make_shared<platform::FilePromise>();
    promise->addFile(fileName, [contents](const QString& path, platform::Error* error) {
        return platform::SafeWrite::writeFile(
            path, contents, platform::localized(QStringLiteral("The attachment")), error);
    });
    auto* mime = new platform::FilePromiseMimeData(std::move(promise));
    const QImage image = decodedImage(contents);
    if (!image.isNull()) {
        mime->setData(QStringLiteral("image/png"), encoded(image, "PNG"));
        mime->setData(QStringLiteral("image/tiff"), encoded(image, "TIFF"));
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    const QString typeName
        = type.isDefault() ? QStringLiteral("application/octet-stream") : type.name();
    if (!mime->hasFormat(typeName))
        mime->setData(typeName, contents);
    return mime;
}
