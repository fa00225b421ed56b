#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

namespace platform {

// An image (or other file) embedded in rich text. In a document it is one U+FFFC character
// whose image format names a document resource holding `contents`; `size` is in points.
struct TextAttachment {
    QByteArray contents;
    QString fileName;
    QSizeF size;

    bool operator==(const TextAttachment&) const = default;
};

} // namespace platform
