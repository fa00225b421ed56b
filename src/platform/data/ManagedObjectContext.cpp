#include "ManagedObjectContext.h"

#include "SerialExecutor.h"
#include "platform/data/context/ContextFetcher.h"
#include "platform/data/context/ContextMerger.h"
#include "platform/data/context/ContextSaver.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>

namespace platform {

const QString ManagedObjectContext::ObjectsDidChangeNotification
    = QStringLiteral("NSManagedObjectContextObjectsDidChangeNotification");
const QString ManagedObjectContext::WillSaveNotification
    = QStringLiteral("NSManagedObjectContextWillSaveNotification");
const QString ManagedObjectContext::DidSaveNotification
    = QStringLiteral("NSManagedObjectContextDidSaveNotification");
const QString ManagedObjectContext::StoreDamagedNotification
    = QStringLiteral("BXManagedObjectContextStoreDamagedNotification");
const QString ManagedObjectContext::InsertedObjectsKey = QStringLiteral("inserted");
const QString ManagedObjectContext::UpdatedObjectsKey = QStringLiteral("updated");
const QString ManagedObjectContext::DeletedObjectsKey = QStringLiteral("deleted");
const QString ManagedObjectContext::RefreshedObjectsKey = QStringLiteral("refreshed");
const QString ManagedObjectContext::InvalidatedObjectsKey = QStringLiteral("invalidated");

namespace {

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

bool noStore(Error* error)
{
    return Error::set(error,
        Error(kCocoaErrorDomain, PersistentStoreSaveError,
            localized(QStringLiteral("The notes could not be saved.")),
            localized(QStringLiteral("There is no store to save to."))));
}

} // namespace

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
    for (const ManagedObjectPtr& object : m_objects.objects())
        release(object);
    for (const ManagedObjectPtr& object : m_changes.deleted())
        release(object);
}

void ManagedObjectContext::setPersistentStoreCoordinator(
    std::shared_ptr<PersistentStoreCoordinator> coordinator)
{
    m_coordinator = std::move(coordinator);
}

std::shared_ptr<PersistentStore> ManagedObjectContext::store() const
{
    std::shared_ptr<PersistentStore> current
        = m_coordinator ? m_coordinator->persistentStore() : nullptr;
    if (current && current.get() != m_knownStore) {
        m_knownStore = current.get();
        m_knownGeneration = current->contentsGeneration();
    }
    return current;
}

bool ManagedObjectContext::hasChanges() const
{
    if (m_changes.hasChanges())
        return true;
    const std::shared_ptr<PersistentStore> current = store();
    return current && current->contentsGeneration() != m_knownGeneration
        && !m_objects.objects().isEmpty();
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
    if (m_changes.didChange(object))
        scheduleProcessing();
}

void ManagedObjectContext::fulfillFault(ManagedObject* object)
{
    m_objects.fulfillFault(store().get(), object);
}

void ManagedObjectContext::loadLazyValue(ManagedObject* object, int attributeIndex)
{
    const std::shared_ptr<PersistentStore> current = store();
    // Another program may have saved the row since the object's other values were read: they
    // are read again first, so that the object never holds one save's value beside another's
    // (a note's plain text from one, its styled text from the next). The object keeps the
    // version it was read at, so that the next merge still takes the row for one changed
    // elsewhere (keeping both sides' edits, refreshing the views of it).
    if (current && !object->m_fault && object->m_version != 0
        && current->hasChangesFromElsewhere()) {
        const ManagedObjectPtr shared = object->shared_from_this();
        const qint64 version = object->m_version;
        ContextMerger(current.get(), m_objects, m_changes, m_undoManager)
            .refreshObject(shared, true);
        object->m_version = version;
        if (object->m_context == this) {
            m_changes.didChangeElsewhere(shared);
            scheduleProcessing();
        }
        if (object->m_loaded[size_t(attributeIndex)])
            return;
    }
    m_objects.loadLazyValue(current.get(), object, attributeIndex);
}

std::optional<qint64> ManagedObjectContext::storedValueLength(
    const ManagedObject* object, int attributeIndex)
{
    return m_objects.storedValueLength(store().get(), object, attributeIndex);
}

void ManagedObjectContext::loadRelation(ManagedObject* object, int relationshipIndex)
{
    m_objects.loadRelation(store().get(), object, relationshipIndex);
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
    m_objects.insert(object);
    m_changes.didInsert(object);
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
    if (!m_changes.didReinsert(object))
        m_objects.insert(object);
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
    // A new object simply goes away.
    if (m_changes.didDelete(object)) {
        m_objects.remove(object->m_id);
        object->m_context = nullptr;
    }
    scheduleProcessing();
}

ManagedObjectPtr ManagedObjectContext::objectRegisteredForID(const ManagedObjectID& id) const
{
    return m_objects.value(id);
}

QList<ManagedObjectPtr> ManagedObjectContext::registeredObjects() const
{
    return m_objects.objects().values();
}

ManagedObjectPtr ManagedObjectContext::objectWithID(const ManagedObjectID& id)
{
    return m_objects.objectWithID(id);
}

ManagedObjectPtr ManagedObjectContext::existingObjectWithID(const ManagedObjectID& id, Error* error)
{
    return m_objects.existingObjectWithID(store().get(), id, error);
}

void ManagedObjectContext::processPendingChanges()
{
    if (!m_changes.hasPendingChanges())
        return;
    const ContextChangeTracker::PendingChanges pending = m_changes.takePending();
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

bool ManagedObjectContext::save(Error* error)
{
    processPendingChanges();
    if (!hasChanges())
        return true;
    NotificationCenter::defaultCenter().post(WillSaveNotification, this, {});
    processPendingChanges();
    const std::shared_ptr<PersistentStore> current = store();
    if (!current)
        return noStore(error);
    const int generation = current->contentsGeneration();
    const std::optional<ContextSaver::SavedIDs> saved
        = ContextSaver(*current, m_objects, m_changes).save(error, generation != m_knownGeneration);
    if (!saved) {
        if (current->isDamaged())
            NotificationCenter::defaultCenter().post(StoreDamagedNotification, this, {});
        return false;
    }
    m_knownGeneration = generation;
    QVariantMap userInfo;
    userInfo.insert(InsertedObjectsKey, saved->inserted);
    userInfo.insert(UpdatedObjectsKey, saved->updated);
    userInfo.insert(DeletedObjectsKey, saved->deleted);
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
        return noStore(error);
    return ContextSaver(*current, m_objects, m_changes)
        .assignPermanentIDs(std::move(temporary), error);
}

void ManagedObjectContext::refreshObject(const ManagedObjectPtr& object, bool mergeChanges)
{
    if (ContextMerger(store().get(), m_objects, m_changes, m_undoManager)
            .refreshObject(object, mergeChanges))
        scheduleProcessing();
}

void ManagedObjectContext::mergeChangesFromContextDidSaveNotification(
    const Notification& notification)
{
    if (notification.object == this)
        return;
    ContextMerger(store().get(), m_objects, m_changes, m_undoManager)
        .mergeSave(idList(notification.userInfo.value(DeletedObjectsKey)),
            idList(notification.userInfo.value(UpdatedObjectsKey)),
            idList(notification.userInfo.value(InsertedObjectsKey)));
    scheduleProcessing();
}

std::optional<QVariantList> ManagedObjectContext::executeFetchRequest(
    const FetchRequest& request, Error* error)
{
    ContextFetcher fetcher(model(), store(), m_objects, m_changes);
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
    return ContextFetcher(model(), store(), m_objects, m_changes)
        .fetchObjects(objectsRequest, error);
}

qsizetype ManagedObjectContext::countForFetchRequest(const FetchRequest& request, Error* error)
{
    FetchRequest countRequest = request;
    countRequest.setResultType(FetchRequest::ResultType::Count);
    const std::optional<QVariantList> result = executeFetchRequest(countRequest, error);
    return result ? qsizetype(result->value(0).toLongLong()) : -1;
}

} // namespace platform
