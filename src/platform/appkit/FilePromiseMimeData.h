#pragma once

#include "FilePromise.h"

#include <QMimeData>

#include <memory>
#include <optional>

namespace platform {

// The data of every drag that promises files. A drop in this process takes the promise itself
// and fulfils it where it wants; another application asks for "text/uri-list", and only then
// are the files written, once per drag, into a folder of their own under the cache folder.
// Those folders are removed when the application quits. A promise that wrote nothing offers
// no URL. Main thread.
class FilePromiseMimeData final : public QMimeData {
    Q_OBJECT

public:
    explicit FilePromiseMimeData(std::shared_ptr<const FilePromise> promise);
    ~FilePromiseMimeData() override;

    const std::shared_ptr<const FilePromise>& promise() const { return m_promise; }

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

    // Where this drag's files go for other applications; empty until they asked.
    QString dragFolder() const { return m_dragFolder; }
    // Removes every drag's folder made so far; runs when the application quits.
    static void removeDragFolders();

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    const QList<QUrl>& promisedUrls() const;

    std::shared_ptr<const FilePromise> m_promise;
    mutable std::optional<QList<QUrl>> m_urls;
    mutable QString m_dragFolder;
};

} // namespace platform
