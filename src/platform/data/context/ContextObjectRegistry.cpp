#include "ContextObjectRegistry.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

#include <algorithm>

namespace platform {

namespace {

constexpr int kObjectNotFoundError = 133000;

} // namespace

void ContextObjectRegistry::changeID(const ManagedObjectPtr& object, const ManagedObjectID& id)
{
    m_objects.remove(object->m_id);
    object->m_id = id;
    m_objects.insert(id, object);
}

ManagedObjectPtr ContextObjectRegistry::objectWithID(const ManagedObjectID& id)
{
    if (id.isNull())
        return nullptr;
    if (ManagedObjectPtr object = m_objects.value(id))
        return object;
    if (id.isTemporaryID())
        return nullptr;
    ManagedObjectPtr object = id.entity()->makeObject();
    object->setUp(id.entity(), m_context, id);
    object->m_fault = true;
    m_objects.insert(id, object);
    return object;
}

ManagedObjectPtr ContextObjectRegistry::existingObjectWithID(
    PersistentStore* store, const ManagedObjectID& id, Error* error)
{
    auto missing = [&]() -> ManagedObjectPtr {
        Error::set(error,
            Error(kCocoaErrorDomain, kObjectNotFoundError,
                localized(QStringLiteral("The object could not be found.")),
                id.URIRepresentation().toString()));
        return nullptr;
    };
    if (id.isNull())
        return missing();
    if (ManagedObjectPtr object = m_objects.value(id)) {
        if (!object->m_fault)
            return object;
    } else if (id.isTemporaryID()) {
        return missing();
    }
    if (!store || store->identifier() != id.storeUUID())
        return missing();
    Error readError;
    const std::optional<PersistentStore::Row> row
        = store->fetchRow(id.entity()->rootEntity(), id.primaryKey(), &readError);
    if (!readError.isNull()) {
        Error::set(error, readError);
        return nullptr;
    }
    if (!row || !row->entity->isKindOfEntity(id.entity()))
        return missing();
    PersistentStore::Row fetched = *row;
    return registerRow(
        *store, fetched, m_objects.value(store->objectID(fetched.entity, fetched.primaryKey)));
}

ManagedObjectPtr ContextObjectRegistry::registerRow(
    PersistentStore& store, PersistentStore::Row& row, ManagedObjectPtr known)
{
    ManagedObjectPtr object = std::move(known);
    const bool wasFault = !object || object->m_fault || !object->m_awake;
    if (!object) {
        const ManagedObjectID id = store.objectID(row.entity, row.primaryKey);
        object = row.entity->makeObject();
        // A new object takes the row's values as they are (leaving the row's lists empty).
        object->setUp(row.entity, m_context, id, &row.values, &row.loaded);
        m_objects.insert(id, object);
    }
    applyRow(object.get(), row);
    if (wasFault && !object->m_awake) {
        object->m_awake = true;
        object->awakeFromFetch();
    }
    return object;
}

void ContextObjectRegistry::applyRow(ManagedObject* object, const PersistentStore::Row& row)
{
    if (object->m_entity != row.entity)
        return;
    for (size_t i = 0; i < row.loaded.size(); ++i) {
        if (row.loaded[i] && !object->m_loaded[i] && !object->m_changed[i]) {
            object->m_values[i] = row.values[i];
            object->m_loaded[i] = 1;
            object->valueMayHaveChanged(i);
        }
    }
    if (row.toOneLoaded) {
        for (size_t i = 0; i < row.toOne.size(); ++i) {
            ManagedObject::Relation& relation = object->m_relations[i];
            if (relation.loaded || object->m_entity->relationships()[i]->isToMany())
                continue;
            relation.objects.clear();
            if (ManagedObjectPtr target = objectWithID(row.toOne[i]); target && !target->m_deleted)
                relation.objects.push_back(target);
            relation.loaded = true;
        }
    }
    // A version goes with the values read at it: values kept from an earlier read keep theirs,
    // so that a row changed since is still told apart.
    if (object->m_fault || object->m_version == 0)
        object->m_version = row.version;
    object->m_fault = false;
}

void ContextObjectRegistry::fulfillFault(PersistentStore* store, ManagedObject* object)
{
    if (!object->m_inserted && !object->m_id.isTemporaryID() && store) {
        Error error;
        const std::optional<PersistentStore::Row> row
            = store->fetchRow(object->m_entity, object->m_id.primaryKey(), &error);
        if (row) {
            const bool first = !object->m_awake;
            applyRow(object, *row);
            if (first) {
                object->m_awake = true;
                object->awakeFromFetch();
            }
            return;
        }
        if (!error.isNull()) {
            log(QStringLiteral("Could not read %@: %@"), object->m_id.URIRepresentation(),
                error.toString());
            return;
        }
    }
    // Nothing to read (not saved yet, or the row is gone): what is not loaded counts as nil.
    for (size_t i = 0; i < object->m_loaded.size(); ++i) {
        if (!object->m_loaded[i])
            object->valueMayHaveChanged(i);
    }
    std::fill(object->m_loaded.begin(), object->m_loaded.end(), 1);
    object->m_fault = false;
}

void ContextObjectRegistry::loadLazyValue(
    PersistentStore* store, ManagedObject* object, int attributeIndex)
{
    if (!object->m_inserted && !object->m_id.isTemporaryID() && store) {
        const AttributeDescription* attribute
            = object->m_entity->attributes()[size_t(attributeIndex)];
        Error error;
        const std::optional<QVariant> value
            = store->fetchValue(object->m_entity, object->m_id.primaryKey(), attribute, &error);
        if (!error.isNull()) {
            log(QStringLiteral("Could not read %@ of %@: %@"), attribute->name(),
                object->m_id.URIRepresentation(), error.toString());
            return;
        }
        if (value)
            object->m_values[size_t(attributeIndex)] = *value;
    }
    object->m_loaded[size_t(attributeIndex)] = 1;
    object->valueMayHaveChanged(size_t(attributeIndex));
}

std::optional<qint64> ContextObjectRegistry::storedValueLength(
    PersistentStore* store, const ManagedObject* object, int attributeIndex)
{
    if (object->m_inserted || object->m_id.isTemporaryID() || !store)
        return std::nullopt;
    const AttributeDescription* attribute = object->m_entity->attributes()[size_t(attributeIndex)];
    Error error;
    const std::optional<qint64> length
        = store->valueLength(object->m_entity, object->m_id.primaryKey(), attribute, &error);
    if (!error.isNull())
        log(QStringLiteral("Could not measure %@ of %@: %@"), attribute->name(),
            object->m_id.URIRepresentation(), error.toString());
    return length;
}

void ContextObjectRegistry::loadRelation(
    PersistentStore* store, ManagedObject* object, int relationshipIndex)
{
    ManagedObject::Relation& relation = object->m_relations[size_t(relationshipIndex)];
    const RelationshipDescription* relationship
        = object->m_entity->relationships()[size_t(relationshipIndex)];
    if (object->m_inserted || object->m_id.isTemporaryID() || !store) {
        relation.loaded = true;
        return;
    }
    if (!relationship->isToMany()) {
        Error error;
        if (const std::optional<PersistentStore::Row> row
            = store->fetchRow(object->m_entity, object->m_id.primaryKey(), &error)) {
            PersistentStore::Row toOnly = *row;
            std::fill(toOnly.loaded.begin(), toOnly.loaded.end(), 0);
            applyRow(object, toOnly);
        }
        relation.loaded = true;
        return;
    }
    std::vector<ManagedObjectID> ids;
    Error error;
    if (!store->fetchRelated(relationship, object->m_id.primaryKey(), ids, &error))
        log(QStringLiteral("Could not read %@ of %@: %@"), relationship->name(),
            object->m_id.URIRepresentation(), error.toString());
    relation.objects.clear();
    for (const ManagedObjectID& id : ids) {
        if (ManagedObjectPtr target = objectWithID(id); target && !target->m_deleted)
            relation.objects.push_back(target);
    }
    relation.loaded = true;
}

} // namespace platform
