#pragma once

#include "TextAttachment.h"

#include <QByteArray>
#include <QSizeF>
#include <QString>

#include <optional>

namespace platform {

// An attachment as a word-processor package carries a picture: in a format such readers show
// (PNG, JPEG, GIF, BMP, TIFF kept as they are, any other image Qt decodes converted to PNG),
// with its extension, media type and size in points (the attachment's, else one point per
// pixel). Nullopt for contents that are no image. Reentrant.
struct ExportedPicture {
    QByteArray data;
    QString extension;
    QString mediaType;
    QSizeF size;

    static std::optional<ExportedPicture> fromAttachment(const TextAttachment& attachment);
};

} // namespace platform
