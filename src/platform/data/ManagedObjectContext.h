#pragma once

#include "FetchRequest.h"
#include "ManagedObject.h"
#include "PersistentStoreCoordinator.h"
#include "platform/data/context/ContextChangeTracker.h"
#include "platform/data/context/ContextObjectRegistry.h"

#include "platform/foundation/Error.h"
#include "platform/foundation/NotificationCenter.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QRecursiveMutex>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

class SerialExecutor;
class UndoManager;

// A scratch pad of managed objects over a coordinator: inserts, changes and deletes collect
// here until save() writes them in one SQLite transaction. One object per ID (identity map).
//
// A main-queue context is used on the main thread; a private-queue context only inside
// perform()/performAndWait(), which run on its own serial executor. Notifications go to
// NotificationCenter::defaultCenter() with the context as sender, on the thread that causes
// them:
//   ObjectsDidChangeNotification from processPendingChanges(): user info keys "inserted",
//     "updated", "deleted", "refreshed", "invalidated", each a QVariantList of
//     ManagedObjectPtr (only the non-empty ones are present).
//   WillSaveNotification when save() has changes to write, before it writes them: an observer
//     may still change the context (bring in what others saved to the file first).
//   DidSaveNotification after a successful save(): "inserted", "updated", "deleted", each a
//     QVariantList of ManagedObjectID (permanent IDs).
// With an undo manager every insert, delete, attribute and relationship change is recorded
// while its registration is enabled.
//
// The context runs its queue, its undo records and its notifications; its objects and their
// reading live in a ContextObjectRegistry, its unsaved changes in a ContextChangeTracker, and
// fetching, saving and merging are done by ContextFetcher, ContextSaver and ContextMerger.
class ManagedObjectContext final : public QObject {
    Q_OBJECT

public:
    enum class ConcurrencyType { MainQueue, PrivateQueue };

    static const QString ObjectsDidChangeNotification;
    static const QString WillSaveNotification;
    static const QString DidSaveNotification;
    // Posted (on the context's thread) when a save failed because the store's file is no
    // longer the one read (see PersistentStore::checkFile()).
    static const QString StoreDamagedNotification;
    static const QString InsertedObjectsKey;
    static const QString UpdatedObjectsKey;
    static const QString DeletedObjectsKey;
    static const QString RefreshedObjectsKey;
    static const QString InvalidatedObjectsKey;

    explicit ManagedObjectContext(ConcurrencyType type = ConcurrencyType::MainQueue);
    ~ManagedObjectContext() override;

    ConcurrencyType concurrencyType() const { return m_type; }
    const std::shared_ptr<PersistentStoreCoordinator>& persistentStoreCoordinator() const
    {
        return m_coordinator;
    }
    void setPersistentStoreCoordinator(std::shared_ptr<PersistentStoreCoordinator> coordinator);
    // Not owned; nullptr records nothing.
    UndoManager* undoManager() const { return m_undoManager; }
    void setUndoManager(UndoManager* undoManager) { m_undoManager = undoManager; }

    // Runs `block` on the context's queue: later on the main thread for a main-queue context,
    // on the serial executor for a private one.
    void perform(std::function<void()> block);
    // Runs `block` on the context's queue and waits for it (at once when already there).
    void performAndWait(const std::function<void()>& block);

    // The context's own recursive lock, for callers that need exclusive use of it.
    void lock() { m_lock.lock(); }
    void unlock() { m_lock.unlock(); }
    bool tryLock() { return m_lock.try_lock(); }

    // A new object of the entity (its class factory's class), registered as inserted, with
    // the attributes' default values; nullptr for an unknown entity.
    ManagedObjectPtr insertNewObjectForEntityForName(const QString& entityName);
    // Puts a deleted object back (same ID, same values); a new object made by hand is
    // registered with a temporary ID.
    void insertObject(const ManagedObjectPtr& object);
    // Marks the object deleted (an unsaved one simply goes away) and applies the delete rules
    // of its relationships at once. Deleting twice does nothing.
    void deleteObject(const ManagedObjectPtr& object);

    // The registered object for the ID, or a fault for it (no check that the row exists).
    ManagedObjectPtr objectWithID(const ManagedObjectID& id);
    // The object for the ID with its values loaded; nullptr and an error when its row is gone.
    ManagedObjectPtr existingObjectWithID(const ManagedObjectID& id, Error* error);
    ManagedObjectPtr objectRegisteredForID(const ManagedObjectID& id) const;
    QList<ManagedObjectPtr> registeredObjects() const;

    // Also true while the store's file was made anew since the context read its objects:
    // they are in it no more until the next save writes them all.
    bool hasChanges() const;
    QList<ManagedObjectPtr> insertedObjects() const { return m_changes.inserted(); }
    QList<ManagedObjectPtr> updatedObjects() const { return m_changes.updatedObjects(); }
    QList<ManagedObjectPtr> deletedObjects() const { return m_changes.deleted(); }

    // Posts the objects-did-change notification for the changes since the last call.
    void processPendingChanges();
    // Writes every change in one transaction and posts the did-save notification. Without a
    // store, or when writing fails, nothing changes in memory and the error says why.
    bool save(Error* error);

    // Gives the unsaved objects among `objects` their permanent IDs now, reserving their keys
    // in the store, so that URIs taken before the next save still name them afterwards. False
    // with an error without a store or when the store cannot be written.
    bool obtainPermanentIDsForObjects(const QList<ManagedObjectPtr>& objects, Error* error);

    // mergeChanges false: drops the object's unsaved changes and makes it a fault, freeing its
    // values. True: reads its saved values again and keeps its unsaved changes on top; an
    // object whose row is gone leaves the context and is reported as invalidated.
    void refreshObject(const ManagedObjectPtr& object, bool mergeChanges);
    // Brings in another context's save (see DidSaveNotification): updated objects are
    // refreshed keeping local changes, deleted ones leave this context, inserted ones become
    // fetchable; all three are reported by the next processPendingChanges().
    void mergeChangesFromContextDidSaveNotification(const Notification& notification);

    // Objects (as ManagedObjectPtr), dictionaries (QVariantMap) or, for count requests, one
    // number. Sees unsaved changes: pending inserts match, pending deletes do not, changed
    // values count as they are now.
    std::optional<QVariantList> executeFetchRequest(const FetchRequest& request, Error* error);
    std::optional<QList<ManagedObjectPtr>> fetchObjects(const FetchRequest& request, Error* error);
    // -1 with an error on failure.
    qsizetype countForFetchRequest(const FetchRequest& request, Error* error);

private:
    friend class ManagedObject;

    // Called by objects.
    void registerUndo(ManagedObject* target, std::function<void()> action);
    void objectDidChange(ManagedObject* object);
    void fulfillFault(ManagedObject* object);
    void loadLazyValue(ManagedObject* object, int attributeIndex);
    // Nullopt when the object has no saved row to measure or measuring failed.
    std::optional<qint64> storedValueLength(const ManagedObject* object, int attributeIndex);
    void loadRelation(ManagedObject* object, int relationshipIndex);

    std::shared_ptr<PersistentStore> store() const;
    const ManagedObjectModel* model() const;
    void reinsert(const ManagedObjectPtr& object);
    void scheduleProcessing();

    ConcurrencyType m_type;
    std::shared_ptr<PersistentStoreCoordinator> m_coordinator;
    // The store, and the generation of its file, that this context's objects were read from
    // or last written to (see PersistentStore::contentsGeneration()).
    mutable const PersistentStore* m_knownStore = nullptr;
    mutable int m_knownGeneration = 0;
    UndoManager* m_undoManager = nullptr;
    std::unique_ptr<SerialExecutor> m_executor;
    QRecursiveMutex m_lock;

    ContextObjectRegistry m_objects { this };
    ContextChangeTracker m_changes;
    bool m_processingScheduled = false;
};

} // namespace platform
