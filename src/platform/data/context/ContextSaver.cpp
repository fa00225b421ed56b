#include "ContextSaver.h"

#include "ContextChangeTracker.h"
#include "ContextObjectRegistry.h"

#include "platform/data/PersistentStore.h"
#include "platform/foundation/Localized.h"

#include <QHash>

#include <algorithm>

namespace platform {

ContextSaver::ContextSaver(
    PersistentStore& store, ContextObjectRegistry& objects, ContextChangeTracker& changes)
    : m_store(store), m_objects(objects), m_changes(changes)
{ }

bool ContextSaver::applyDeleteRules(const ManagedObjectPtr& object, Error* error)
{
    const EntityDescription* entity = object->m_entity;
    for (size_t i = 0; i < entity->relationships().size(); ++i) {
        const RelationshipDescription* relationship = entity->relationships()[i];
        if (relationship->deleteRule() == RelationshipDescription::DeleteRule::Deny
            && !object->m_relations[i].objects.empty())
            return Error::set(error,
                Error(kCocoaErrorDomain, CoreDataValidationError,
                    localized(QStringLiteral("The item could not be deleted "
                                             "because other items refer to it.")),
                    QStringLiteral("%1.%2 is not empty.")
                        .arg(entity->name(), relationship->name())));
    }
    return true;
}

std::optional<ContextSaver::SavedIDs> ContextSaver::save(Error* error, bool everything)
{
    QList<ManagedObjectPtr> inserted = m_changes.inserted();
    const QList<ManagedObjectPtr>& deleted = m_changes.deleted();
    // Saved objects written whole again; they keep their keys.
    if (everything) {
        for (const ManagedObjectPtr& object : m_objects.objects()) {
            if (!object->m_inserted && !object->m_deleted && !object->m_fault
                && !object->m_id.isTemporaryID())
                inserted << object;
        }
    }
    for (const ManagedObjectPtr& object : deleted) {
        if (!applyDeleteRules(object, error))
            return std::nullopt;
    }

    using Request = PersistentStore::SaveRequest;
    Request request;
    // What could be read of the old file may be in the new one already.
    request.insertsMergeIntoRows = everything;
    QHash<const ManagedObject*, int> insertIndex;
    for (int i = 0; i < inserted.size(); ++i)
        insertIndex.insert(inserted[i].get(), i);
    auto refOf = [&](const ManagedObjectPtr& object) -> std::optional<Request::Ref> {
        if (object->m_inserted)
            return Request::Ref { object->m_entity, object->m_id.primaryKey(),
                insertIndex.value(object.get()) };
        if (object->m_deleted || object->m_id.isTemporaryID()
            || object->m_id.storeUUID() != m_store.identifier()
            || (everything && !insertIndex.contains(object.get())))
            return std::nullopt;
        return Request::Ref { object->m_entity, object->m_id.primaryKey(), -1 };
    };
    auto describe = [&](const ManagedObjectPtr& object, bool all, Request::Change& change) {
        const EntityDescription* entity = object->m_entity;
        for (size_t i = 0; i < entity->attributes().size(); ++i) {
            const AttributeDescription* attribute = entity->attributes()[i];
            if (attribute->isTransient()
                || !(all ? object->m_loaded[i] || object->m_changed[i] : object->m_changed[i]))
                continue;
            const QVariant stored = attribute->toStored(object->m_values[i]);
            if (all && !stored.isValid())
                continue;
            change.attributes.emplace_back(attribute, stored);
        }
        const size_t base = entity->attributes().size();
        for (size_t i = 0; i < entity->relationships().size(); ++i) {
            const RelationshipDescription* relationship = entity->relationships()[i];
            const ManagedObject::Relation& relation = object->m_relations[i];
            if (!(all ? relation.loaded : bool(object->m_changed[base + i])))
                continue;
            if (!relationship->isToMany()) {
                std::optional<Request::Ref> target;
                if (!relation.objects.empty())
                    target = refOf(relation.objects.front());
                if (all && !target)
                    continue;
                change.toOne.emplace_back(relationship, target.value_or(Request::Ref {}));
                continue;
            }
            Request::ToMany toMany { relationship, change.ref, {} };
            for (const ManagedObjectPtr& target : relation.objects) {
                if (std::optional<Request::Ref> ref = refOf(target))
                    toMany.targets.push_back(*ref);
            }
            if (!all || !toMany.targets.empty())
                request.toMany.push_back(std::move(toMany));
        }
    };
    for (const ManagedObjectPtr& object : inserted) {
        Request::Change change { *refOf(object), {}, {} };
        describe(object, true, change);
        request.inserts.push_back(std::move(change));
    }
    const QList<ManagedObjectPtr> updated
        = everything ? QList<ManagedObjectPtr>() : m_changes.updatedObjects();
    for (const ManagedObjectPtr& object : updated) {
        const std::optional<Request::Ref> ref = refOf(object);
        if (!ref)
            continue;
        Request::Change change { *ref, {}, {} };
        const size_t relationChanges = request.toMany.size();
        describe(object, false, change);
        // Transient-only changes leave the row alone.
        if (!change.attributes.empty() || !change.toOne.empty()
            || request.toMany.size() != relationChanges)
            request.updates.push_back(std::move(change));
    }
    for (const ManagedObjectPtr& object : deleted) {
        if (!object->m_id.isTemporaryID())
            request.deletes.push_back(
                Request::Ref { object->m_entity, object->m_id.primaryKey(), -1 });
    }

    std::vector<qint64> keys;
    if (!m_store.save(request, keys, error))
        return std::nullopt;

    SavedIDs saved;
    for (int i = 0; i < inserted.size(); ++i) {
        const ManagedObjectPtr& object = inserted[i];
        const ManagedObjectID id = m_store.objectID(object->m_entity, keys[size_t(i)]);
        if (id != object->m_id)
            m_objects.changeID(object, id);
        const bool wasSaved = !object->m_inserted;
        object->m_inserted = false;
        object->m_updated = false;
        object->m_version = 1;
        std::fill(object->m_changed.begin(), object->m_changed.end(), 0);
        (wasSaved ? saved.updated : saved.inserted) << QVariant::fromValue(id);
    }
    for (const ManagedObjectPtr& object : updated) {
        object->m_updated = false;
        ++object->m_version;
        std::fill(object->m_changed.begin(), object->m_changed.end(), 0);
        saved.updated << QVariant::fromValue(object->m_id);
    }
    for (const ManagedObjectPtr& object : deleted) {
        m_objects.remove(object->m_id);
        object->m_context = nullptr;
        saved.deleted << QVariant::fromValue(object->m_id);
    }
    m_changes.didSave();
    return saved;
}

bool ContextSaver::assignPermanentIDs(QList<ManagedObjectPtr> temporary, Error* error)
{
    // One reservation per hierarchy: its rows share one run of keys.
    while (!temporary.isEmpty()) {
        const EntityDescription* root = temporary.first()->m_entity->rootEntity();
        QList<ManagedObjectPtr> group;
        for (const ManagedObjectPtr& object : std::as_const(temporary)) {
            if (object->m_entity->rootEntity() == root)
                group << object;
        }
        qint64 key = 0;
        if (!m_store.reserveKeys(root, group.size(), &key, error))
            return false;
        for (const ManagedObjectPtr& object : std::as_const(group)) {
            m_objects.changeID(object, m_store.objectID(object->m_entity, key++));
            temporary.removeOne(object);
        }
    }
    return true;
}

} // namespace platform
