#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>

namespace platform {

// The unsaved changes of one context: the objects inserted, updated and deleted since its last
// save, and the changes not yet reported to its observers. Keeps the objects' own change flags
// in step with its lists. Owned by its context; used on the context's thread.
class ContextChangeTracker final {
public:
    // Changes not yet reported, each object once.
    struct PendingChanges {
        QList<ManagedObjectPtr> inserted;
        QList<ManagedObjectPtr> updated;
        QList<ManagedObjectPtr> deleted;
        QList<ManagedObjectPtr> refreshed;
        QList<ManagedObjectPtr> invalidated;
        bool isEmpty() const;
    };

    const QList<ManagedObjectPtr>& inserted() const { return m_inserted; }
    const QList<ManagedObjectPtr>& deleted() const { return m_deleted; }
    // Every object changed since the last save, some of which may no longer count as updated
    // (their flags say); updatedObjects() leaves those out.
    const QList<ManagedObjectPtr>& changed() const { return m_updated; }
    // The saved objects with changed values.
    QList<ManagedObjectPtr> updatedObjects() const;
    bool hasChanges() const;

    void didInsert(const ManagedObjectPtr& object);
    // A deleted object put back. True when its deletion was never saved (it keeps its row);
    // false when it is a new object again, for the caller to register.
    bool didReinsert(const ManagedObjectPtr& object);
    // True when the object was new: it simply goes away, and the caller unregisters it.
    bool didDelete(const ManagedObjectPtr& object);
    // A value of a saved object changed; false (nothing recorded) for a new or deleted one.
    bool didChange(ManagedObject* object);
    // The object dropped its changes and became a fault.
    void didRefresh(const ManagedObjectPtr& object);
    // The object's row is gone: it left the context.
    void didInvalidate(const ManagedObjectPtr& object);
    // The object left the context: it is in no list but the reports already made.
    void forget(const ManagedObjectPtr& object);
    // Another context's save deleted, changed or inserted the object.
    void didDeleteElsewhere(const ManagedObjectPtr& object);
    void didChangeElsewhere(const ManagedObjectPtr& object);
    void didInsertElsewhere(const ManagedObjectPtr& object);
    // Everything was written: nothing is unsaved any more (the objects' flags are the
    // saver's).
    void didSave();

    bool hasPendingChanges() const { return !m_pending.isEmpty(); }
    // The changes to report, leaving none pending.
    PendingChanges takePending();

private:
    static void addOnce(QList<ManagedObjectPtr>& list, const ManagedObjectPtr& object);
    void dropPendingUpdate(const ManagedObjectPtr& object);

    QList<ManagedObjectPtr> m_inserted;
    QList<ManagedObjectPtr> m_updated;
    QList<ManagedObjectPtr> m_deleted;
    PendingChanges m_pending;
};

} // namespace platform
