#include "FilePromiseMimeData.h"

#include "platform/foundation/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QUuid>

namespace platform {

namespace {

const QString kUriListType = QStringLiteral("text/uri-list");

QStringList& dragFolders()
{
    static QStringList folders;
    return folders;
}

// Makes a fresh folder for one drag and has it removed when the application quits.
QString makeDragFolder()
{
    const QString root = QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
        + QStringLiteral("/Drags");
    const QString folder = root + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!QDir().mkpath(folder)) {
        log(QStringLiteral("Could not make the drag folder %@"), folder);
        return {};
    }
    static const bool removedAtQuit = [] {
        if (auto* app = QCoreApplication::instance()) {
            QObject::connect(
                app, &QCoreApplication::aboutToQuit, app, &FilePromiseMimeData::removeDragFolders);
        }
        return true;
    }();
    Q_UNUSED(removedAtQuit);
    dragFolders().append(folder);
    return folder;
}

} // namespace

void FilePromiseMimeData::removeDragFolders()
{
    for (const QString& folder : std::as_const(dragFolders()))
        QDir(folder).removeRecursively();
    dragFolders().clear();
}

FilePromiseMimeData::FilePromiseMimeData(std::shared_ptr<const FilePromise> promise)
    : m_promise(std::move(promise))
{ }

FilePromiseMimeData::~FilePromiseMimeData() = default;

QStringList FilePromiseMimeData::formats() const
{
    QStringList types = QMimeData::formats();
    // The promised files come first, before any private type a drag carries beside them.
    if (m_promise && !m_promise->isEmpty() && !types.contains(kUriListType))
        types.prepend(kUriListType);
    return types;
}

bool FilePromiseMimeData::hasFormat(const QString& mimeType) const
{
    return formats().contains(mimeType);
}

const QList<QUrl>& FilePromiseMimeData::promisedUrls() const
{
    if (!m_urls) {
        m_urls.emplace();
        if (m_promise && !m_promise->isEmpty()) {
            m_dragFolder = makeDragFolder();
            if (!m_dragFolder.isEmpty())
                *m_urls = m_promise->fulfil(m_dragFolder);
            if (m_urls->isEmpty())
                log(QStringLiteral("The dragged files could not be written; the drop gets none"));
        }
    }
    return *m_urls;
}

QVariant FilePromiseMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    if (mimeType != kUriListType || QMimeData::formats().contains(kUriListType))
        return QMimeData::retrieveData(mimeType, type);
    const QList<QUrl>& urls = promisedUrls();
    if (type.id() == QMetaType::QVariantList) {
        QVariantList list;
        for (const QUrl& url : urls)
            list << url;
        return list;
    }
    QByteArray text;
    for (const QUrl& url : urls)
        text += url.toEncoded() + "\r\n";
    return text;
}

} // namespace platform
