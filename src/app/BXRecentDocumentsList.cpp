#include "app/BXRecentDocumentsList.h"

#include "app/BXRecentDocumentEntry.h"
#include "platform/appkit/UrlOpener.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"
#include "ui/BXGlobalConstants.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QIcon>

// The library is static: its resources must be registered by hand, outside any namespace.
static void initAppResources()
{
    Q_INIT_RESOURCE(app);
}

namespace {

const QString kURL = QStringLiteral("URL");

} // namespace

QImage BXRecentDocumentsList::applicationImage()
{
    static const bool resourcesReady = (initAppResources(), true);
    Q_UNUSED(resourcesReady);
    return QImage(QStringLiteral(":/app/brindlex.png"));
}

QIcon BXRecentDocumentsList::notesFileIcon()
{
    return QIcon::fromTheme(QStringLiteral("application-x-brindlex-notes"),
        QIcon(QPixmap::fromImage(applicationImage())));
}

BXRecentDocumentsList::BXRecentDocumentsList(
    platform::DocumentController& controller, QObject* parent)
    : QObject(parent), m_controller(controller), m_model(&m_arrayController)
{
    // Only renames and deletions change what the list shows; any watcher's report counts.
    const auto fileChanged = [alive = m_alive, this](const platform::Notification&) {
        platform::dispatchAsyncMain([alive, this] {
            if (*alive)
                updateRecentsList();
        });
    };
    auto& workspace = platform::NotificationCenter::workspaceCenter();
    workspace.addObserver(this, WFKQueueFileRenamedNotification, nullptr, fileChanged);
    workspace.addObserver(this, WFKQueueFileDeletedNotification, nullptr, fileChanged);
}

BXRecentDocumentsList::~BXRecentDocumentsList()
{
    *m_alive = false;
    platform::NotificationCenter::workspaceCenter().removeObserver(this);
}

QVariantMap BXRecentDocumentsList::entryForURL(const QUrl& url)
{
    const QFileInfo info(url.toLocalFile());
    QString name = info.fileName();
    if (info.suffix().compare(platform::DocumentController::DocumentExtension, Qt::CaseInsensitive)
        == 0)
        name = info.completeBaseName();
    return {
        { kURL, url },
        { QStringLiteral("name"), name },
        { QStringLiteral("where"),
            BXGlobalConstants::stringByAbbreviatingWithTildeInPath(info.absolutePath()) },
        { QStringLiteral("icon"), notesFileIcon() },
        { QStringLiteral("when"), info.lastModified() },
    };
}

void BXRecentDocumentsList::updateRecentsList()
{
    // Every rebuild starts from an empty watcher, so no path is ever watched twice.
    m_kQueue.removeAllPaths();
    QList<platform::ManagedObjectPtr> entries;
    for (const QUrl& url : m_controller.recentDocumentURLs()) {
        const QString path = url.toLocalFile();
        if (!QFileInfo::exists(path))
            continue;
        m_kQueue.addPath(path);
        entries.append(std::make_shared<BXRecentDocumentEntry>(entryForURL(url)));
    }
    m_arrayController.setContent(entries);
    emit listUpdated();
}

void BXRecentDocumentsList::openNoteFiles(const QList<platform::ManagedObjectPtr>& entries)
{
    for (const platform::ManagedObjectPtr& entry : entries)
        m_controller.openDocumentWithContentsOfURL(entry->valueForKey(kURL).toUrl(), true, {});
}

void BXRecentDocumentsList::openSelection()
{
    openNoteFiles(m_arrayController.selectedObjects());
}

void BXRecentDocumentsList::showRecentNote(const platform::ManagedObjectPtr& entry)
{
    const QUrl url = entry->valueForKey(kURL).toUrl();
    QDBusMessage call
        = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList { url.toString() } << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        platform::UrlOpener::current().openUrl(
            QUrl::fromLocalFile(QFileInfo(url.toLocalFile()).absolutePath()));
}

void BXRecentDocumentsList::removeRecentNote(const platform::ManagedObjectPtr& entry)
{
    m_controller.forgetRecentDocumentURL(entry->valueForKey(kURL).toUrl());
    updateRecentsList();
}
