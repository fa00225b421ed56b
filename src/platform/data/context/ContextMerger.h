#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>

namespace platform {

class ContextChangeTracker;
class ContextObjectRegistry;
class PersistentStore;
class UndoManager;

// Brings what was written elsewhere into one context's objects: refreshing an object from its
// row (dropping its unsaved changes, or keeping them on top), merging another context's save,
// and letting go of objects whose rows are gone. Made for one call on the context's thread.
class ContextMerger final {
public:
    // `store` may be null (nothing to read); `undoManager` too.
    ContextMerger(PersistentStore* store, ContextObjectRegistry& objects,
        ContextChangeTracker& changes, UndoManager* undoManager);

    // Answers whether it left a change to report straight away (an object invalidated).
    bool refreshObject(const ManagedObjectPtr& object, bool mergeChanges);
    // Another context saved these objects: deleted ones leave, updated ones are refreshed
    // keeping local changes, inserted ones become known; all are reported.
    void mergeSave(const QList<ManagedObjectID>& deleted, const QList<ManagedObjectID>& updated,
        const QList<ManagedObjectID>& inserted);

private:
    // The object leaves the context, and every relation of its objects.
    void unregister(ManagedObject* object);

    PersistentStore* m_store;
    ContextObjectRegistry& m_objects;
    ContextChangeTracker& m_changes;
    UndoManager* m_undoManager;
};

} // namespace platform
