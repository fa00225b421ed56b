#include "ContextMerger.h"

#include "ContextChangeTracker.h"
#include "ContextObjectRegistry.h"

#include "platform/data/PersistentStore.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"

#include <QStringList>

#include <algorithm>

namespace platform {

ContextMerger::ContextMerger(PersistentStore* store, ContextObjectRegistry& objects,
    ContextChangeTracker& changes, UndoManager* undoManager)
    : m_store(store), m_objects(objects), m_changes(changes), m_undoManager(undoManager)
{ }

bool ContextMerger::refreshObject(const ManagedObjectPtr& object, bool mergeChanges)
{
    if (!object || object->m_context != m_objects.context() || object->m_inserted
        || object->m_deleted)
        return false;
    const EntityDescription* entity = object->m_entity;
    const size_t attributeCount = entity->attributes().size();
    QStringList changedKeys;

    if (!mergeChanges) {
        for (size_t i = 0; i < object->m_changed.size(); ++i) {
            if (object->m_changed[i])
                changedKeys << (i < attributeCount
                        ? entity->attributes()[i]->name()
                        : entity->relationships()[i - attributeCount]->name());
        }
        m_changes.didRefresh(object);
        object->turnIntoFault();
        for (const QString& key : std::as_const(changedKeys))
            emit object->valueChanged(key);
        return false;
    }

    // A value not read yet is read anew on access, and may be another one now.
    for (size_t i = 0; i < attributeCount; ++i) {
        if (!object->m_changed[i] && !object->m_loaded[i])
            object->valueMayHaveChanged(i);
    }
    if (object->m_fault || !m_store)
        return false;
    Error error;
    std::optional<PersistentStore::Row> row
        = m_store->fetchRow(entity, object->m_id.primaryKey(), &error);
    if (!row && error.isNull()) {
        // Another program or context removed the row: the object can no longer be used.
        const ManagedObjectPtr keep = object;
        const bool wasUpdated = object->m_updated;
        unregister(object.get());
        if (wasUpdated)
            log(QStringLiteral("Unsaved changes of %@ were lost: its row was deleted elsewhere"),
                object->m_id.URIRepresentation());
        m_changes.didInvalidate(keep);
        return true;
    }
    if (!row || row->entity != entity)
        return false;
    for (size_t i = 0; i < attributeCount; ++i) {
        if (object->m_changed[i] || !object->m_loaded[i])
            continue;
        QVariant fresh;
        if (row->loaded[i]) {
            fresh = row->values[i];
        } else if (std::optional<QVariant> value = m_store->fetchValue(
                       entity, object->m_id.primaryKey(), entity->attributes()[i], &error)) {
            fresh = *value;
        } else {
            continue;
        }
        QVariant& slot = object->m_values[i];
        if (slot.isValid() != fresh.isValid() || slot != fresh) {
            slot = fresh;
            object->valueMayHaveChanged(i);
            changedKeys << entity->attributes()[i]->name();
        }
    }
    for (size_t i = 0; i < entity->relationships().size(); ++i) {
        ManagedObject::Relation& relation = object->m_relations[i];
        if (object->m_changed[attributeCount + i] || !relation.loaded)
            continue;
        const std::vector<ManagedObjectPtr> before = relation.objects;
        relation.loaded = false;
        if (entity->relationships()[i]->isToMany()) {
            m_objects.loadRelation(m_store, object.get(), int(i));
        } else {
            PersistentStore::Row toOnly = *row;
            std::fill(toOnly.loaded.begin(), toOnly.loaded.end(), 0);
            m_objects.applyRow(object.get(), toOnly);
            relation.loaded = true;
        }
        if (before != relation.objects)
            changedKeys << entity->relationships()[i]->name();
    }
    object->m_version = row->version;
    for (const QString& key : std::as_const(changedKeys))
        emit object->valueChanged(key);
    return false;
}

void ContextMerger::unregister(ManagedObject* object)
{
    const ManagedObjectPtr shared = object->shared_from_this();
    for (const ManagedObjectPtr& other : m_objects.objects()) {
        for (size_t i = 0; i < other->m_relations.size(); ++i) {
            auto& objects = other->m_relations[i].objects;
            auto it = std::find(objects.begin(), objects.end(), shared);
            if (it != objects.end()) {
                objects.erase(it);
                emit other->valueChanged(other->m_entity->relationships()[i]->name());
            }
        }
    }
    m_objects.remove(object->m_id);
    m_changes.forget(shared);
    if (m_undoManager)
        m_undoManager->removeAllActionsWithTarget(object);
    object->m_deleted = true;
    object->m_updated = false;
    object->m_context = nullptr;
    object->clearRelations();
}

void ContextMerger::mergeSave(const QList<ManagedObjectID>& deleted,
    const QList<ManagedObjectID>& updated, const QList<ManagedObjectID>& inserted)
{
    for (const ManagedObjectID& id : deleted) {
        const ManagedObjectPtr object = m_objects.value(id);
        if (!object || object->m_inserted)
            continue;
        if (object->m_updated)
            log(QStringLiteral("Unsaved changes of %@ were lost: it was deleted elsewhere"),
                object->m_id.URIRepresentation());
        unregister(object.get());
        m_changes.didDeleteElsewhere(object);
    }
    for (const ManagedObjectID& id : updated) {
        const ManagedObjectPtr object = m_objects.value(id);
        if (!object || object->m_deleted)
            continue;
        refreshObject(object, true);
        m_changes.didChangeElsewhere(object);
    }
    for (const ManagedObjectID& id : inserted) {
        if (ManagedObjectPtr object = m_objects.objectWithID(id))
            m_changes.didInsertElsewhere(object);
    }
}

} // namespace platform
