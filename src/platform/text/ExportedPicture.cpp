#include "ExportedPicture.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace platform {

std::optional<ExportedPicture> ExportedPicture::fromAttachment(const TextAttachment& attachment)
{
    static const QList<QByteArray> kept = { "png", "jpeg", "gif", "bmp", "tiff" };
    QBuffer buffer;
    buffer.setData(attachment.contents);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    ExportedPicture picture;
    picture.size = attachment.size;
    const QByteArray kind = reader.format();
    if (kept.contains(kind)) {
        picture.data = attachment.contents;
        picture.extension = QString::fromLatin1(kind);
        if (!picture.size.isValid() || picture.size.isEmpty())
            picture.size = QSizeF(reader.size());
    } else {
        QImage image;
        if (!image.loadFromData(attachment.contents))
            return std::nullopt;
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        if (!image.save(&png, "PNG"))
            return std::nullopt;
        picture.data = png.data();
        picture.extension = QStringLiteral("png");
        if (!picture.size.isValid() || picture.size.isEmpty())
            picture.size = QSizeF(image.size());
    }
    if (!picture.size.isValid() || picture.size.isEmpty())
        return std::nullopt;
    picture.size = picture.size.boundedTo(QSizeF(1e5, 1e5));
    picture.mediaType = QStringLiteral("image/") + picture.extension;
    return picture;
}

} // namespace platform
