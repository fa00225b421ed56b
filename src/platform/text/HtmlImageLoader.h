#pragma once

#include "TextAttachment.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace platform {

// Loads the pictures an imported page names: images written into the page (data: URIs) and
// image files inside the page's own folder tree, named by relative references without steps
// up; a file a link leads out of the folder from is refused as an outside file is. Nothing
// comes from the network.
// The work is bounded as the other readers bound theirs: an image over maximumImageBytes, or
// past maximumPageBytes for the page as a whole (a picture used twice counts twice, as the note
// keeps it twice), is left out and counted for the reader's account of what it left out, and
// only regular files are read, so a name pointing at a pipe or a device cannot hang the import.
// Bytes that are no image go too. Pictures an InlinePictureExtractor took out of the page are
// held here until the page's images name them. One per page read; one thread.
class HtmlImageLoader final {
public:
    static constexpr qint64 maximumImageBytes = 64 * 1024 * 1024;
    static constexpr qint64 maximumPageBytes = 256 * 1024 * 1024;

    struct Bounds {
        qint64 imageBytes = maximumImageBytes;
        qint64 pageBytes = maximumPageBytes;
    };

    // `baseUrl`: the page's folder as a file URL; without one, only data: URIs load.
    explicit HtmlImageLoader(QUrl baseUrl) : HtmlImageLoader(std::move(baseUrl), Bounds {}) { }
    HtmlImageLoader(QUrl baseUrl, Bounds bounds) : m_baseUrl(std::move(baseUrl)), m_bounds(bounds)
    { }

    // The picture `source` (an image's src) stands for, named after its file; nothing when it
    // names no readable image within the bounds.
    std::optional<TextAttachment> load(const QString& source);

    // Room for one more picture taken out of the page: held pictures together stay within the
    // page's bound, each within the image's.
    qint64 holdingRoom() const;
    // Keeps the picture taken out of the page under `name`, which stands for the payload of the
    // data: URI that names it.
    void hold(const QString& name, QByteArray bytes);
    // Whether `source` names a picture taken out of the page.
    bool holds(const QString& source) const;
    // Counts the picture `name` stood for, of `size` bytes, as left out for the bounds.
    void leaveOut(const QString& name, qint64 size);
    // What the bounds left out, a sentence for each reason, for the user; empty when nothing.
    QStringList leftOut() const;

private:
    struct Loaded {
        QByteArray bytes;
        QString fileName;
        // The size of a picture the bounds kept out, to count each time the page shows it.
        qint64 refusedSize = -1;
    };

    static QString heldName(const QString& source);
    // The file a relative reference names inside the page's folder tree, its links followed;
    // empty for any other reference.
    QString pathInPageFolder(const QString& source) const;
    Loaded read(const QString& source, qint64 room);
    void countLeftOut(qint64 size);

    QUrl m_baseUrl;
    Bounds m_bounds;
    qint64 m_pageBytes = 0;
    qint64 m_heldBytes = 0;
    int m_largerLeftOut = 0;
    int m_pastPageLeftOut = 0;
    // Pictures taken out of the page, by the name their URI's payload became; an empty entry
    // was left out.
    QHash<QString, Loaded> m_held;
    // Each source is read once, however often the page shows it; an empty entry could not be.
    QHash<QString, Loaded> m_loaded;
};

} // namespace platform
