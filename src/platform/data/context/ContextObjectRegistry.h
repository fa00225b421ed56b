#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/data/PersistentStore.h"

#include "platform/foundation/Error.h"

#include <QHash>
#include <QList>

#include <optional>

namespace platform {

class ManagedObjectContext;

// The objects of one context, one per ID, and the reading of the store's rows into them: faults
// made for IDs, fetched rows taken in, faults fulfilled, and lazy values and relationships read
// on first access. The store is passed to each read (null: nothing to read). Owned by its
// context; used on the context's thread.
class ContextObjectRegistry final {
public:
    // `context` is the context the registered objects belong to.
    explicit ContextObjectRegistry(ManagedObjectContext* context) : m_context(context) { }

    ManagedObjectContext* context() const { return m_context; }
    const QHash<ManagedObjectID, ManagedObjectPtr>& objects() const { return m_objects; }
    ManagedObjectPtr value(const ManagedObjectID& id) const { return m_objects.value(id); }
    void insert(const ManagedObjectPtr& object) { m_objects.insert(object->m_id, object); }
    void remove(const ManagedObjectID& id) { m_objects.remove(id); }
    void reserve(qsizetype size) { m_objects.reserve(size); }
    // Registers the object under its new ID.
    void changeID(const ManagedObjectPtr& object, const ManagedObjectID& id);

    // The registered object for the ID, or a fault for it (no check that the row exists);
    // nullptr for a null ID or an unregistered temporary one.
    ManagedObjectPtr objectWithID(const ManagedObjectID& id);
    // The object for the ID with its values loaded; nullptr and an error when its row is gone.
    ManagedObjectPtr existingObjectWithID(
        PersistentStore* store, const ManagedObjectID& id, Error* error);
    // The object of a fetched row, taking over the row's values when the object is new;
    // `known` is the registered object for the row when it was looked up (null for none).
    ManagedObjectPtr registerRow(
        PersistentStore& store, PersistentStore::Row& row, ManagedObjectPtr known);
    // Takes the row's values that the object has neither loaded nor changed.
    void applyRow(ManagedObject* object, const PersistentStore::Row& row);

    void fulfillFault(PersistentStore* store, ManagedObject* object);
    void loadLazyValue(PersistentStore* store, ManagedObject* object, int attributeIndex);
    // Nullopt when the object has no saved row to measure or measuring failed.
    std::optional<qint64> storedValueLength(
        PersistentStore* store, const ManagedObject* object, int attributeIndex);
    void loadRelation(PersistentStore* store, ManagedObject* object, int relationshipIndex);

private:
    ManagedObjectContext* m_context;
    QHash<ManagedObjectID, ManagedObjectPtr> m_objects;
};

} // namespace platform
