#include "PersistentStoreCoordinator.h"

#include "platform/foundation/Localized.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace platform {

PersistentStoreCoordinator::PersistentStoreCoordinator(
    std::shared_ptr<const ManagedObjectModel> model)
    : m_model(std::move(model))
{ }

std::shared_ptr<PersistentStore> PersistentStoreCoordinator::addPersistentStore(
    const QString& type, const QUrl& url, const QVariantMap& options, Error* error)
{
    if (type != SQLiteStoreType) {
        Error::set(error,
            Error(kCocoaErrorDomain, PersistentStoreInvalidTypeError,
                localized(QStringLiteral("The store type is not supported."))));
        return {};
    }
    QMutexLocker locker(&m_mutex);
    if (m_store) {
        Error::set(error,
            Error(kCocoaErrorDomain, PersistentStoreOpenError,
                localized(QStringLiteral("The notes store could not be opened.")),
                QStringLiteral("Another store is already open.")));
        return {};
    }
    m_store = PersistentStore::open(m_model, url, options, error);
    return m_store;
}

bool PersistentStoreCoordinator::removePersistentStore(
    const std::shared_ptr<PersistentStore>& store, Error* error)
{
    QMutexLocker locker(&m_mutex);
    if (!store || store != m_store)
        return Error::set(error,
            Error(kCocoaErrorDomain, PersistentStoreOpenError,
                localized(QStringLiteral("The store is not in use."))));
    m_store.reset();
    return true;
}

std::shared_ptr<PersistentStore> PersistentStoreCoordinator::persistentStore() const
{
    QMutexLocker locker(&m_mutex);
    return m_store;
}

std::shared_ptr<PersistentStore> PersistentStoreCoordinator::persistentStoreForURL(
    const QUrl& url) const
{
    QMutexLocker locker(&m_mutex);
    if (!m_store || !url.isLocalFile())
        return {};
    const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
    return m_store->url().toLocalFile() == path ? m_store : nullptr;
}

std::shared_ptr<PersistentStore> PersistentStoreCoordinator::migratePersistentStore(
    const std::shared_ptr<PersistentStore>& store, const QUrl& url, Error* error)
{
    QMutexLocker locker(&m_mutex);
    if (!store || store != m_store) {
        Error::set(error,
            Error(kCocoaErrorDomain, PersistentStoreOpenError,
                localized(QStringLiteral("The store is not in use."))));
        return {};
    }
    if (!store->migrateToURL(url, error))
        return {};
    return store;
}

bool PersistentStoreCoordinator::setURL(
    const QUrl& url, const std::shared_ptr<PersistentStore>& store, Error* error)
{
    QMutexLocker locker(&m_mutex);
    if (!store || store != m_store)
        return Error::set(error,
            Error(kCocoaErrorDomain, PersistentStoreOpenError,
                localized(QStringLiteral("The store is not in use."))));
    return store->setURL(url, error);
}

ManagedObjectID PersistentStoreCoordinator::managedObjectIDForURIRepresentation(
    const QUrl& uri) const
{
    static const QRegularExpression permanent(
        QStringLiteral("^x-coredata://([0-9A-Fa-f-]{36})/([^/]+)/p([1-9][0-9]{0,18})$"));
    static const QRegularExpression temporary(
        QStringLiteral("^x-coredata:///([^/]+)/t([0-9A-Fa-f-]{36}[0-9]+)$"));
    const QString text = uri.toString();
    if (const QRegularExpressionMatch match = permanent.match(text); match.hasMatch()) {
        const std::shared_ptr<PersistentStore> store = persistentStore();
        const EntityDescription* entity = m_model->entity(match.captured(2));
        bool ok = false;
        const qint64 key = match.captured(3).toLongLong(&ok);
        if (!store || !entity || !ok
            || store->identifier().compare(match.captured(1), Qt::CaseInsensitive) != 0)
            return {};
        return store->objectID(entity, key);
    }
    if (const QRegularExpressionMatch match = temporary.match(text); match.hasMatch()) {
        const EntityDescription* entity = m_model->entity(match.captured(1));
        if (!entity)
            return {};
        return ManagedObjectID::fromTemporaryReference(entity, match.captured(2));
    }
    return {};
}

} // namespace platform
