#include "mainwindow/notememory/BXNoteCacheManager.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Error.h"

#include <QSet>

using platform::ManagedObjectID;
using platform::ManagedObjectPtr;

BXNoteCacheManager::BXNoteCacheManager(platform::ManagedObjectContext* context) : m_context(context)
{ }

void BXNoteCacheManager::setMaxCachedNotes(quint64 limit)
{
    m_maxCachedNotes = limit;
    if (quint64(m_accessOrder.size()) > m_maxCachedNotes)
        cleanupCache();
}

void BXNoteCacheManager::noteAccessed(const ManagedObjectPtr& note)
{
    if (!note || note->objectID().isNull())
        return;
    const ManagedObjectID id = note->objectID();
    m_accessOrder.removeOne(id);
    m_accessOrder.append(id);
    m_lastAccessTimes.insert(id, QDateTime::currentDateTime());
    if (quint64(m_accessOrder.size()) > m_maxCachedNotes)
        cleanupCache();
}

quint64 BXNoteCacheManager::cleanupCache()
{
    if (quint64(m_accessOrder.size()) <= m_maxCachedNotes)
        return 0;
    const QList<ManagedObjectID> oldest
        = m_accessOrder.mid(0, m_accessOrder.size() - qsizetype(m_maxCachedNotes));
    quint64 refreshed = 0;
    for (const ManagedObjectID& id : oldest) {
        if (refresh(id))
            ++refreshed;
        forget(id);
    }
    return refreshed;
}

quint64 BXNoteCacheManager::cleanupCacheKeepingNotes(const QList<ManagedObjectPtr>& keep)
{
    QSet<ManagedObjectID> kept;
    for (const ManagedObjectPtr& note : keep) {
        if (note)
            kept.insert(note->objectID());
    }
    quint64 refreshed = 0;
    QList<ManagedObjectID> remaining;
    for (const ManagedObjectID& id : std::as_const(m_accessOrder)) {
        if (kept.contains(id)) {
            remaining.append(id);
            continue;
        }
        if (refresh(id))
            ++refreshed;
        m_lastAccessTimes.remove(id);
    }
    m_accessOrder = remaining;
    return refreshed;
}

void BXNoteCacheManager::resetCache()
{
    m_accessOrder.clear();
    m_lastAccessTimes.clear();
}

bool BXNoteCacheManager::refresh(const ManagedObjectID& id)
{
    if (!m_context)
        return false;
    // Only registered objects can be realized; looking up another would read its row.
    const ManagedObjectPtr registered = m_context->objectRegisteredForID(id);
    if (!registered)
        return false;
    platform::Error error;
    const ManagedObjectPtr object = m_context->existingObjectWithID(id, &error);
    if (!object || !error.isNull() || object->isFault() || object->hasChanges())
        return false;
    m_context->refreshObject(object, false);
    return true;
}

void BXNoteCacheManager::forget(const ManagedObjectID& id)
{
    m_accessOrder.removeOne(id);
    m_lastAccessTimes.remove(id);
}
