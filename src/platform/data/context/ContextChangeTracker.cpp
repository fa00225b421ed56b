#include "ContextChangeTracker.h"

#include <utility>

namespace platform {

bool ContextChangeTracker::PendingChanges::isEmpty() const
{
    return inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty() && refreshed.isEmpty()
        && invalidated.isEmpty();
}

QList<ManagedObjectPtr> ContextChangeTracker::updatedObjects() const
{
    QList<ManagedObjectPtr> result;
    for (const ManagedObjectPtr& object : m_updated) {
        if (object->m_updated && !object->m_inserted && !object->m_deleted)
            result << object;
    }
    return result;
}

bool ContextChangeTracker::hasChanges() const
{
    return !m_inserted.isEmpty() || !m_deleted.isEmpty() || !updatedObjects().isEmpty();
}

void ContextChangeTracker::addOnce(QList<ManagedObjectPtr>& list, const ManagedObjectPtr& object)
{
    if ((list.isEmpty() || list.last() != object) && !list.contains(object))
        list.append(object);
}

void ContextChangeTracker::dropPendingUpdate(const ManagedObjectPtr& object)
{
    if (object->m_pendingUpdate) {
        object->m_pendingUpdate = false;
        m_pending.updated.removeOne(object);
    }
}

void ContextChangeTracker::didInsert(const ManagedObjectPtr& object)
{
    m_inserted.append(object);
    m_pending.inserted.append(object);
}

bool ContextChangeTracker::didReinsert(const ManagedObjectPtr& object)
{
    if (m_deleted.removeOne(object)) {
        if (!m_pending.deleted.removeOne(object))
            addOnce(m_pending.inserted, object);
        if (object->m_updated)
            addOnce(m_updated, object);
        return true;
    }
    object->m_inserted = true;
    object->m_updated = false;
    m_inserted.append(object);
    addOnce(m_pending.inserted, object);
    return false;
}

bool ContextChangeTracker::didDelete(const ManagedObjectPtr& object)
{
    const bool wasNew = object->m_inserted;
    if (wasNew) {
        object->m_inserted = false;
        m_inserted.removeOne(object);
        if (!m_pending.inserted.removeOne(object))
            addOnce(m_pending.deleted, object);
    } else {
        m_deleted.append(object);
        dropPendingUpdate(object);
        addOnce(m_pending.deleted, object);
    }
    m_updated.removeOne(object);
    return wasNew;
}

bool ContextChangeTracker::didChange(ManagedObject* object)
{
    if (object->m_inserted || object->m_deleted)
        return false;
    const ManagedObjectPtr shared = object->shared_from_this();
    if (!object->m_updated) {
        object->m_updated = true;
        m_updated.append(shared);
    }
    if (!object->m_pendingUpdate) {
        object->m_pendingUpdate = true;
        m_pending.updated.append(shared);
    }
    return true;
}

void ContextChangeTracker::didRefresh(const ManagedObjectPtr& object)
{
    if (!object->m_updated)
        return;
    m_updated.removeOne(object);
    dropPendingUpdate(object);
    addOnce(m_pending.refreshed, object);
}

void ContextChangeTracker::didInvalidate(const ManagedObjectPtr& object)
{
    addOnce(m_pending.invalidated, object);
}

void ContextChangeTracker::forget(const ManagedObjectPtr& object)
{
    m_updated.removeOne(object);
    m_deleted.removeOne(object);
    dropPendingUpdate(object);
}

void ContextChangeTracker::didDeleteElsewhere(const ManagedObjectPtr& object)
{
    m_pending.deleted.removeOne(object);
    addOnce(m_pending.deleted, object);
}

void ContextChangeTracker::didChangeElsewhere(const ManagedObjectPtr& object)
{
    if (!object->m_pendingUpdate) {
        object->m_pendingUpdate = true;
        m_pending.updated.append(object);
    }
}

void ContextChangeTracker::didInsertElsewhere(const ManagedObjectPtr& object)
{
    addOnce(m_pending.inserted, object);
}

void ContextChangeTracker::didSave()
{
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
}

ContextChangeTracker::PendingChanges ContextChangeTracker::takePending()
{
    PendingChanges pending;
    std::swap(pending, m_pending);
    for (const ManagedObjectPtr& object : std::as_const(pending.updated))
        object->m_pendingUpdate = false;
    return pending;
}

} // namespace platform
