#include "ManagedObjectContext.h"

#include "ContextFetcher.h"
#include "SerialExecutor.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>

#include <algorithm>

namespace platform {

const QString ManagedObjectContext::ObjectsDidChangeNotification
    = QStringLiteral("NSManagedObjectContextObjectsDidChangeNotification");
const QString ManagedObjectContext::DidSaveNotification
    = QStringLiteral("NSManagedObjectContextDidSaveNotification");
const QString ManagedObjectContext::InsertedObjectsKey = QStringLiteral("inserted");
const QString ManagedObjectContext::UpdatedObjectsKey = QStringLiteral("updated");
const QString ManagedObjectContext::DeletedObjectsKey = QStringLiteral("deleted");
const QString ManagedObjectContext::RefreshedObjectsKey = QStringLiteral("refreshed");
const QString ManagedObjectContext::InvalidatedObjectsKey = QStringLiteral("invalidated");

namespace {

constexpr int kObjectNotFoundError = 133000;

QVariantList objectList(const QList<ManagedObjectPtr>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (const ManagedObjectPtr& object : objects)
        list << QVariant::fromValue(object);
    return list;
}

QList<ManagedObjectID> idList(const QVariant& value)
{
    QList<ManagedObjectID> ids;
    for (const QVariant& item : value.toList()) {
        if (item.metaType() == QMetaType::fromType<ManagedObjectID>())
            ids << item.value<ManagedObjectID>();
    }
    return ids;
}

} // namespace

bool ManagedObjectContext::PendingChanges::isEmpty() const
{
    return inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty() && refreshed.isEmpty()
        && invalidated.isEmpty();
}

ManagedObjectContext::ManagedObjectContext(ConcurrencyType type) : m_type(type)
{
    if (type == ConcurrencyType::PrivateQueue)
        m_executor = std::make_unique<SerialExecutor>();
}

ManagedObjectContext::~ManagedObjectContext()
{
    // Finish queued blocks while the context is still whole.
    m_executor.reset();
    auto release = [this](const ManagedObjectPtr& object) {
        if (object->m_context == this) {
            object->m_context = nullptr;
            object->clearRelations();
        }
    };
    for (const ManagedObjectPtr& object : std::as_const(m_registered))
        release(object);
    for (const ManagedObjectPtr& object : std::as_const(m_deleted))
        release(object);
}

void ManagedObjectContext::setPersistentStoreCoordinator(
    std::shared_ptr<PersistentStoreCoordinator> coordinator)
{
    m_coordinator = std::move(coordinator);
}

std::shared_ptr<PersistentStore> ManagedObjectContext::store() const
{
    return m_coordinator ? m_coordinator->persistentStore() : nullptr;
}

const ManagedObjectModel* ManagedObjectContext::model() const
{
    return m_coordinator ? m_coordinator->managedObjectModel().get() : nullptr;
}

void ManagedObjectContext::perform(std::function<void()> block)
{
    if (m_type == ConcurrencyType::PrivateQueue) {
        m_executor->async([this, block = std::move(block)] {
            block();
            processPendingChanges();
        });
        return;
    }
    QPointer<ManagedObjectContext> guard(this);
    dispatchAsyncMain([guard, block = std::move(block)] {
        if (guard)
            block();
    });
}

void ManagedObjectContext::performAndWait(const std::function<void()>& block)
{
    if (m_type == ConcurrencyType::PrivateQueue) {
        m_executor->sync([this, &block] {
            block();
            processPendingChanges();
        });
        return;
    }
    if (isMainThread())
        block();
    else
        dispatchSyncMain(block);
}

void ManagedObjectContext::addOnce(QList<ManagedObjectPtr>& list, const ManagedObjectPtr& object)
{
    if ((list.isEmpty() || list.last() != object) && !list.contains(object))
        list.append(object);
}

void ManagedObjectContext::dropPendingUpdate(const ManagedObjectPtr& object)
{
    if (object->m_pendingUpdate) {
        object->m_pendingUpdate = false;
        m_pending.updated.removeOne(object);
    }
}

void ManagedObjectContext::registerUndo(ManagedObject* target, std::function<void()> action)
{
    if (m_undoManager && m_undoManager->isUndoRegistrationEnabled())
        m_undoManager->registerUndo(target, std::move(action));
}

void ManagedObjectContext::scheduleProcessing()
{
    // A main-queue context reports its changes once per turn of the event loop.
    if (m_type != ConcurrencyType::MainQueue || m_processingScheduled || !isMainThread())
        return;
    m_processingScheduled = true;
    QPointer<ManagedObjectContext> guard(this);
    Scheduler::current().schedule(0, [guard] {
        if (guard) {
            guard->m_processingScheduled = false;
            guard->processPendingChanges();
        }
    });
}

void ManagedObjectContext::objectDidChange(ManagedObject* object)
{
    if (object->m_inserted || object->m_deleted)
        return;
    const ManagedObjectPtr shared = object->shared_from_this();
    if (!object->m_updated) {
        object->m_updated = true;
        m_updated.append(shared);
    }
    if (!object->m_pendingUpdate) {
        object->m_pendingUpdate = true;
        m_pending.updated.append(shared);
    }
    scheduleProcessing();
}

ManagedObjectPtr ManagedObjectContext::insertNewObjectForEntityForName(const QString& entityName)
{
    const EntityDescription* entity = model() ? model()->entity(entityName) : nullptr;
    if (!entity)
        return nullptr;
    ManagedObjectPtr object = entity->makeObject();
    object->setUp(entity, this, ManagedObjectID::makeTemporary(entity));
    for (size_t i = 0; i < entity->attributes().size(); ++i) {
        object->m_values[i] = entity->attributes()[i]->defaultValue();
        object->m_loaded[i] = 1;
    }
    for (ManagedObject::Relation& relation : object->m_relations)
        relation.loaded = true;
    object->m_inserted = true;
    m_registered.insert(object->m_id, object);
    m_inserted.append(object);
    m_pending.inserted.append(object);
    QPointer<ManagedObjectContext> guard(this);
    registerUndo(object.get(), [guard, object] {
        if (guard)
            guard->deleteObject(object);
    });
    object->m_awake = true;
    object->awakeFromInsert();
    scheduleProcessing();
    return object;
}

void ManagedObjectContext::insertObject(const ManagedObjectPtr& object)
{
    if (object && object->m_deleted && (!object->m_context || object->m_context == this))
        reinsert(object);
}

void ManagedObjectContext::reinsert(const ManagedObjectPtr& object)
{
    if (!object->m_deleted)
        return;
    object->m_deleted = false;
    object->m_context = this;
    if (m_deleted.removeOne(object)) {
        // Its deletion was never saved: the row is still there.
        if (!m_pending.deleted.removeOne(object))
            addOnce(m_pending.inserted, object);
        if (object->m_updated)
            addOnce(m_updated, object);
    } else {
        object->m_inserted = true;
        object->m_updated = false;
        m_registered.insert(object->m_id, object);
        m_inserted.append(object);
        addOnce(m_pending.inserted, object);
    }
    QPointer<ManagedObjectContext> guard(this);
    registerUndo(object.get(), [guard, object] {
        if (guard)
            guard->deleteObject(object);
    });
    scheduleProcessing();
}

void ManagedObjectContext::deleteObject(const ManagedObjectPtr& object)
{
    if (!object || object->m_deleted || object->m_context != this)
        return;
    // Load everything first so that undoing the delete can put the object back whole.
    const EntityDescription* entity = object->m_entity;
    for (size_t i = 0; i < entity->attributes().size(); ++i)
        object->loadAttribute(int(i));
    for (size_t i = 0; i < entity->relationships().size(); ++i) {
        const RelationshipDescription* relationship = entity->relationships()[i];
        object->loadRelation(int(i));
        const std::vector<ManagedObjectPtr> related = object->m_relations[i].objects;
        switch (relationship->deleteRule()) {
        case RelationshipDescription::DeleteRule::Nullify:
            for (const ManagedObjectPtr& other : related)
                object->unlinkObject(int(i), other, true);
            break;
        case RelationshipDescription::DeleteRule::Cascade:
            for (const ManagedObjectPtr& other : related) {
                object->unlinkObject(int(i), other, true);
                deleteObject(other);
            }
            break;
        case RelationshipDescription::DeleteRule::Deny:
        case RelationshipDescription::DeleteRule::NoAction:
            break;
        }
    }
    QPointer<ManagedObjectContext> guard(this);
    registerUndo(object.get(), [guard, object] {
        if (guard)
            guard->reinsert(object);
    });
    object->m_deleted = true;
    if (object->m_inserted) {
        object->m_inserted = false;
        m_inserted.removeOne(object);
        if (!m_pending.inserted.removeOne(object))
            addOnce(m_pending.deleted, object);
        m_registered.remove(object->m_id);
        object->m_context = nullptr;
    } else {
        m_deleted.append(object);
        dropPendingUpdate(object);
        addOnce(m_pending.deleted, object);
    }
    m_updated.removeOne(object);
    scheduleProcessing();
}

ManagedObjectPtr ManagedObjectContext::objectRegisteredForID(const ManagedObjectID& id) const
{
    return m_registered.value(id);
}

QList<ManagedObjectPtr> ManagedObjectContext::registeredObjects() const
{
    return m_registered.values();
}

ManagedObjectPtr ManagedObjectContext::objectWithID(const ManagedObjectID& id)
{
    if (id.isNull())
        return nullptr;
    if (ManagedObjectPtr object = m_registered.value(id))
        return object;
    if (id.isTemporaryID())
        return nullptr;
    ManagedObjectPtr object = id.entity()->makeObject();
    object->setUp(id.entity(), this, id);
    object->m_fault = true;
    m_registered.insert(id, object);
    return object;
}

ManagedObjectPtr ManagedObjectContext::existingObjectWithID(const ManagedObjectID& id, Error* error)
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
    if (ManagedObjectPtr object = m_registered.value(id)) {
        if (!object->m_fault)
            return object;
    } else if (id.isTemporaryID()) {
        return missing();
    }
    const std::shared_ptr<PersistentStore> current = store();
    if (!current || current->identifier() != id.storeUUID())
        return missing();
    Error readError;
    const std::optional<PersistentStore::Row> row
        = current->fetchRow(id.entity()->rootEntity(), id.primaryKey(), &readError);
    if (!readError.isNull()) {
        Error::set(error, readError);
        return nullptr;
    }
    if (!row || !row->entity->isKindOfEntity(id.entity()))
        return missing();
    PersistentStore::Row fetched = *row;
    return registerRow(fetched);
}

ManagedObjectPtr ManagedObjectContext::registerRow(PersistentStore::Row& row)
{
    return registerRow(row, m_registered.value(store()->objectID(row.entity, row.primaryKey)));
}

ManagedObjectPtr ManagedObjectContext::registerRow(
    PersistentStore::Row& row, ManagedObjectPtr known)
{
    ManagedObjectPtr object = std::move(known);
    const bool wasFault = !object || object->m_fault || !object->m_awake;
    if (!object) {
        const ManagedObjectID id = store()->objectID(row.entity, row.primaryKey);
        object = row.entity->makeObject();
        // A new object takes the row's values as they are (leaving the row's lists empty).
        object->setUp(row.entity, this, id, &row.values, &row.loaded);
        m_registered.insert(id, object);
    }
    applyRow(object.get(), row);
    if (wasFault && !object->m_awake) {
        object->m_awake = true;
        object->awakeFromFetch();
    }
    return object;
}

void ManagedObjectContext::applyRow(ManagedObject* object, const PersistentStore::Row& row)
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

void ManagedObjectContext::fulfillFault(ManagedObject* object)
{
    const std::shared_ptr<PersistentStore> current = store();
    if (!object->m_inserted && !object->m_id.isTemporaryID() && current) {
        Error error;
        const std::optional<PersistentStore::Row> row
            = current->fetchRow(object->m_entity, object->m_id.primaryKey(), &error);
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

void ManagedObjectContext::loadLazyValue(ManagedObject* object, int attributeIndex)
{
    const std::shared_ptr<PersistentStore> current = store();
    if (!object->m_inserted && !object->m_id.isTemporaryID() && current) {
        const AttributeDescription* attribute
            = object->m_entity->attributes()[size_t(attributeIndex)];
        Error error;
        const std::optional<QVariant> value
            = current->fetchValue(object->m_entity, object->m_id.primaryKey(), attribute, &error);
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

std::optional<qint64> ManagedObjectContext::storedValueLength(
    const ManagedObject* object, int attributeIndex)
{
    const std::shared_ptr<PersistentStore> current = store();
    if (object->m_inserted || object->m_id.isTemporaryID() || !current)
        return std::nullopt;
    const AttributeDescription* attribute = object->m_entity->attributes()[size_t(attributeIndex)];
    Error error;
    const std::optional<qint64> length
        = current->valueLength(object->m_entity, object->m_id.primaryKey(), attribute, &error);
    if (!error.isNull())
        log(QStringLiteral("Could not measure %@ of %@: %@"), attribute->name(),
            object->m_id.URIRepresentation(), error.toString());
    return length;
}

void ManagedObjectContext::loadRelation(ManagedObject* object, int relationshipIndex)
{
    ManagedObject::Relation& relation = object->m_relations[size_t(relationshipIndex)];
    const RelationshipDescription* relationship
        = object->m_entity->relationships()[size_t(relationshipIndex)];
    const std::shared_ptr<PersistentStore> current = store();
    if (object->m_inserted || object->m_id.isTemporaryID() || !current) {
        relation.loaded = true;
        return;
    }
    if (!relationship->isToMany()) {
        Error error;
        if (const std::optional<PersistentStore::Row> row
            = current->fetchRow(object->m_entity, object->m_id.primaryKey(), &error)) {
            PersistentStore::Row toOnly = *row;
            std::fill(toOnly.loaded.begin(), toOnly.loaded.end(), 0);
            applyRow(object, toOnly);
        }
        relation.loaded = true;
        return;
    }
    std::vector<ManagedObjectID> ids;
    Error error;
    if (!current->fetchRelated(relationship, object->m_id.primaryKey(), ids, &error))
        log(QStringLiteral("Could not read %@ of %@: %@"), relationship->name(),
            object->m_id.URIRepresentation(), error.toString());
    relation.objects.clear();
    for (const ManagedObjectID& id : ids) {
        if (ManagedObjectPtr target = objectWithID(id); target && !target->m_deleted)
            relation.objects.push_back(target);
    }
    relation.loaded = true;
}

bool ManagedObjectContext::hasChanges() const
{
    return !m_inserted.isEmpty() || !m_deleted.isEmpty() || !updatedObjects().isEmpty();
}

QList<ManagedObjectPtr> ManagedObjectContext::updatedObjects() const
{
    QList<ManagedObjectPtr> result;
    for (const ManagedObjectPtr& object : m_updated) {
        if (object->m_updated && !object->m_inserted && !object->m_deleted)
            result << object;
    }
    return result;
}

void ManagedObjectContext::processPendingChanges()
{
    if (m_pending.isEmpty())
        return;
    PendingChanges pending;
    std::swap(pending, m_pending);
    for (const ManagedObjectPtr& object : std::as_const(pending.updated))
        object->m_pendingUpdate = false;
    QVariantMap userInfo;
    auto put = [&userInfo](const QString& key, const QList<ManagedObjectPtr>& objects) {
        if (!objects.isEmpty())
            userInfo.insert(key, objectList(objects));
    };
    put(InsertedObjectsKey, pending.inserted);
    put(UpdatedObjectsKey, pending.updated);
    put(DeletedObjectsKey, pending.deleted);
    put(RefreshedObjectsKey, pending.refreshed);
    put(InvalidatedObjectsKey, pending.invalidated);
    NotificationCenter::defaultCenter().post(ObjectsDidChangeNotification, this, userInfo);
}

bool ManagedObjectContext::applyDeleteRules(const ManagedObjectPtr& object, Error* error) const
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

bool ManagedObjectContext::save(Error* error)
{
    processPendingChanges();
    if (!hasChanges())
        return true;
    const std::shared_ptr<PersistentStore> current = store();
    if (!current)
        return Error::set(error,
            Error(kCocoaErrorDomain, PersistentStoreSaveError,
                localized(QStringLiteral("The notes could not be saved.")),
                localized(QStringLiteral("There is no store to save to."))));
    for (const ManagedObjectPtr& object : std::as_const(m_deleted)) {
        if (!applyDeleteRules(object, error))
            return false;
    }

    using Request = PersistentStore::SaveRequest;
    Request request;
    QHash<const ManagedObject*, int> insertIndex;
    for (int i = 0; i < m_inserted.size(); ++i)
        insertIndex.insert(m_inserted[i].get(), i);
    auto refOf = [&](const ManagedObjectPtr& object) -> std::optional<Request::Ref> {
        if (object->m_inserted)
            return Request::Ref { object->m_entity, object->m_id.primaryKey(),
                insertIndex.value(object.get()) };
        if (object->m_deleted || object->m_id.isTemporaryID()
            || object->m_id.storeUUID() != current->identifier())
            return std::nullopt;
        return Request::Ref { object->m_entity, object->m_id.primaryKey(), -1 };
    };
    auto describe = [&](const ManagedObjectPtr& object, bool all, Request::Change& change) {
        const EntityDescription* entity = object->m_entity;
        for (size_t i = 0; i < entity->attributes().size(); ++i) {
            const AttributeDescription* attribute = entity->attributes()[i];
            if (attribute->isTransient() || !(all ? object->m_loaded[i] : object->m_changed[i]))
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
    for (const ManagedObjectPtr& object : std::as_const(m_inserted)) {
        Request::Change change { *refOf(object), {}, {} };
        describe(object, true, change);
        request.inserts.push_back(std::move(change));
    }
    const QList<ManagedObjectPtr> updated = updatedObjects();
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
    for (const ManagedObjectPtr& object : std::as_const(m_deleted)) {
        if (!object->m_id.isTemporaryID())
            request.deletes.push_back(
                Request::Ref { object->m_entity, object->m_id.primaryKey(), -1 });
    }

    std::vector<qint64> keys;
    if (!current->save(request, keys, error))
        return false;

    QVariantList insertedIDs, updatedIDs, deletedIDs;
    for (int i = 0; i < m_inserted.size(); ++i) {
        const ManagedObjectPtr& object = m_inserted[i];
        const ManagedObjectID id = current->objectID(object->m_entity, keys[size_t(i)]);
        if (id != object->m_id) {
            m_registered.remove(object->m_id);
            object->m_id = id;
            m_registered.insert(id, object);
        }
        object->m_inserted = false;
        object->m_updated = false;
        object->m_version = 1;
        std::fill(object->m_changed.begin(), object->m_changed.end(), 0);
        insertedIDs << QVariant::fromValue(id);
    }
    for (const ManagedObjectPtr& object : updated) {
        object->m_updated = false;
        ++object->m_version;
        std::fill(object->m_changed.begin(), object->m_changed.end(), 0);
        updatedIDs << QVariant::fromValue(object->m_id);
    }
    for (const ManagedObjectPtr& object : std::as_const(m_deleted)) {
        m_registered.remove(object->m_id);
        object->m_context = nullptr;
        deletedIDs << QVariant::fromValue(object->m_id);
    }
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();

    QVariantMap userInfo;
    userInfo.insert(InsertedObjectsKey, insertedIDs);
    userInfo.insert(UpdatedObjectsKey, updatedIDs);
    userInfo.insert(DeletedObjectsKey, deletedIDs);
    NotificationCenter::defaultCenter().post(DidSaveNotification, this, userInfo);
    return true;
}

bool ManagedObjectContext::obtainPermanentIDsForObjects(
    const QList<ManagedObjectPtr>& objects, Error* error)
{
    QList<ManagedObjectPtr> temporary;
    for (const ManagedObjectPtr& object : objects) {
        if (object && object->m_context == this && object->m_id.isTemporaryID()
            && !temporary.contains(object))
            temporary << object;
    }
    if (temporary.isEmpty())
        return true;
    const std::shared_ptr<PersistentStore> current = store();
    if (!current)
        return Error::set(error,
            Error(kCocoaErrorDomain, PersistentStoreSaveError,
                localized(QStringLiteral("The notes could not be saved.")),
                localized(QStringLiteral("There is no store to save to."))));
    // One reservation per hierarchy: its rows share one run of keys.
    while (!temporary.isEmpty()) {
        const EntityDescription* root = temporary.first()->m_entity->rootEntity();
        QList<ManagedObjectPtr> group;
        for (const ManagedObjectPtr& object : std::as_const(temporary)) {
            if (object->m_entity->rootEntity() == root)
                group << object;
        }
        qint64 key = 0;
        if (!current->reserveKeys(root, group.size(), &key, error))
            return false;
        for (const ManagedObjectPtr& object : std::as_const(group)) {
            m_registered.remove(object->m_id);
            object->m_id = current->objectID(object->m_entity, key++);
            m_registered.insert(object->m_id, object);
            temporary.removeOne(object);
        }
    }
    return true;
}

void ManagedObjectContext::refreshObject(const ManagedObjectPtr& object, bool mergeChanges)
{
    if (!object || object->m_context != this || object->m_inserted || object->m_deleted)
        return;
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
        if (object->m_updated) {
            m_updated.removeOne(object);
            dropPendingUpdate(object);
            addOnce(m_pending.refreshed, object);
        }
        object->turnIntoFault();
        for (const QString& key : std::as_const(changedKeys))
            emit object->valueChanged(key);
        return;
    }

    // A value not read yet is read anew on access, and may be another one now.
    for (size_t i = 0; i < attributeCount; ++i) {
        if (!object->m_changed[i] && !object->m_loaded[i])
            object->valueMayHaveChanged(i);
    }
    const std::shared_ptr<PersistentStore> current = store();
    if (object->m_fault || !current)
        return;
    Error error;
    std::optional<PersistentStore::Row> row
        = current->fetchRow(entity, object->m_id.primaryKey(), &error);
    if (!row && error.isNull()) {
        // Another program or context removed the row: the object can no longer be used.
        const ManagedObjectPtr keep = object;
        const bool wasUpdated = object->m_updated;
        unregister(object.get());
        if (wasUpdated)
            log(QStringLiteral("Unsaved changes of %@ were lost: its row was deleted elsewhere"),
                object->m_id.URIRepresentation());
        addOnce(m_pending.invalidated, keep);
        scheduleProcessing();
        return;
    }
    if (!row || row->entity != entity)
        return;
    for (size_t i = 0; i < attributeCount; ++i) {
        if (object->m_changed[i] || !object->m_loaded[i])
            continue;
        QVariant fresh;
        if (row->loaded[i]) {
            fresh = row->values[i];
        } else if (std::optional<QVariant> value = current->fetchValue(
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
            loadRelation(object.get(), int(i));
        } else {
            PersistentStore::Row toOnly = *row;
            std::fill(toOnly.loaded.begin(), toOnly.loaded.end(), 0);
            applyRow(object.get(), toOnly);
            relation.loaded = true;
        }
        if (before != relation.objects)
            changedKeys << entity->relationships()[i]->name();
    }
    object->m_version = row->version;
    for (const QString& key : std::as_const(changedKeys))
        emit object->valueChanged(key);
}

void ManagedObjectContext::unregister(ManagedObject* object)
{
    const ManagedObjectPtr shared = object->shared_from_this();
    for (const ManagedObjectPtr& other : std::as_const(m_registered)) {
        for (size_t i = 0; i < other->m_relations.size(); ++i) {
            auto& objects = other->m_relations[i].objects;
            auto it = std::find(objects.begin(), objects.end(), shared);
            if (it != objects.end()) {
                objects.erase(it);
                emit other->valueChanged(other->m_entity->relationships()[i]->name());
            }
        }
    }
    m_registered.remove(object->m_id);
    m_updated.removeOne(shared);
    m_deleted.removeOne(shared);
    dropPendingUpdate(shared);
    if (m_undoManager)
        m_undoManager->removeAllActionsWithTarget(object);
    object->m_deleted = true;
    object->m_updated = false;
    object->m_context = nullptr;
    object->clearRelations();
}

void ManagedObjectContext::mergeChangesFromContextDidSaveNotification(
    const Notification& notification)
{
    if (notification.object == this)
        return;
    for (const ManagedObjectID& id : idList(notification.userInfo.value(DeletedObjectsKey))) {
        const ManagedObjectPtr object = m_registered.value(id);
        if (!object || object->m_inserted)
            continue;
        if (object->m_updated)
            log(QStringLiteral("Unsaved changes of %@ were lost: it was deleted elsewhere"),
                object->m_id.URIRepresentation());
        unregister(object.get());
        m_pending.deleted.removeOne(object);
        addOnce(m_pending.deleted, object);
    }
    for (const ManagedObjectID& id : idList(notification.userInfo.value(UpdatedObjectsKey))) {
        const ManagedObjectPtr object = m_registered.value(id);
        if (!object || object->m_deleted)
            continue;
        refreshObject(object, true);
        if (!object->m_pendingUpdate) {
            object->m_pendingUpdate = true;
            m_pending.updated.append(object);
        }
    }
    for (const ManagedObjectID& id : idList(notification.userInfo.value(InsertedObjectsKey))) {
        if (ManagedObjectPtr object = objectWithID(id))
            addOnce(m_pending.inserted, object);
    }
    scheduleProcessing();
}

std::optional<QVariantList> ManagedObjectContext::executeFetchRequest(
    const FetchRequest& request, Error* error)
{
    ContextFetcher fetcher(*this);
    if (request.resultType() != FetchRequest::ResultType::ManagedObject)
        return fetcher.fetchValues(request, error);
    const std::optional<QList<ManagedObjectPtr>> objects = fetcher.fetchObjects(request, error);
    if (!objects)
        return std::nullopt;
    return objectList(*objects);
}

std::optional<QList<ManagedObjectPtr>> ManagedObjectContext::fetchObjects(
    const FetchRequest& request, Error* error)
{
    FetchRequest objectsRequest = request;
    objectsRequest.setResultType(FetchRequest::ResultType::ManagedObject);
    return ContextFetcher(*this).fetchObjects(objectsRequest, error);
}

qsizetype ManagedObjectContext::countForFetchRequest(const FetchRequest& request, Error* error)
{
    FetchRequest countRequest = request;
    countRequest.setResultType(FetchRequest::ResultType::Count);
    const std::optional<QVariantList> result = executeFetchRequest(countRequest, error);
    return result ? qsizetype(result->value(0).toLongLong()) : -1;
}

} // namespace platform
