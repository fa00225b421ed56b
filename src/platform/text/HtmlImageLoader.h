#pragma once

#include "TextAttachment.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

#include <optional>

namespace platform {

// Loads the pictures an imported page names: images written into the page (data: URIs) and
// local image files, found relative to the page's folder. Nothing comes from the network.
// The work is bounded as the other readers bound theirs: an image over maximumImageBytes, or
// past maximumPageBytes for the page as a whole (a picture used twice counts twice, as the note
// keeps it twice), is left out, and only regular files are read, so a name pointing at a pipe
// or a device cannot hang the import. Bytes that are no image go too. One per page read; one
// thread.
class HtmlImageLoader final {
public:
    static constexpr qint64 maximumImageBytes = 64 * 1024 * 1024;
    static constexpr qint64 maximumPageBytes = 256 * 1024 * 1024;

    // `baseUrl`: the page's folder as a file URL; without one, only data: URIs load.
    explicit HtmlImageLoader(QUrl baseUrl) : m_baseUrl(std::move(baseUrl)) { }

    // The picture `source` (an image's src) stands for, named after its file; nothing when it
    // names no readable image within the bounds.
    std::optional<TextAttachment> load(const QString& source);

private:
    struct Loaded {
        QByteArray bytes;
        QString fileName;
    };

    QUrl m_baseUrl;
    qint64 m_pageBytes = 0;
    // Each source is read once, however often the page shows it; an empty entry could not be.
    QHash<QString, Loaded> m_loaded;
};

} // namespace platform
