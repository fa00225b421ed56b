#pragma once

#include "platform/data/ManagedObject.h"

#include "platform/foundation/Error.h"

#include <QList>
#include <QVariantList>

#include <optional>

namespace platform {

class ContextChangeTracker;
class ContextObjectRegistry;
class PersistentStore;

// Writes one context's changes to its store in one transaction and then brings its objects up
// to date: new objects take their permanent IDs, changes count as saved, deleted objects leave
// the context. Also gives unsaved objects their permanent IDs ahead of a save. Made for one
// call on the context's thread.
class ContextSaver final {
public:
    // The objects' permanent IDs (as QVariant) after a save.
    struct SavedIDs {
        QVariantList inserted;
        QVariantList updated;
        QVariantList deleted;
    };

    ContextSaver(
        PersistentStore& store, ContextObjectRegistry& objects, ContextChangeTracker& changes);

    // Nothing changes in memory when writing fails; the error says why. With `everything`,
    // the store's file was made anew: every object the context holds is written with every
    // value it has loaded, over what the new file kept of its row (faults have nothing).
    std::optional<SavedIDs> save(Error* error, bool everything = false);
    // Reserves keys in the store for `temporary` (objects of the context with temporary IDs,
    // each once) and gives them their permanent IDs.
    bool assignPermanentIDs(QList<ManagedObjectPtr> temporary, Error* error);

private:
    static bool applyDeleteRules(const ManagedObjectPtr& object, Error* error);

    PersistentStore& m_store;
    ContextObjectRegistry& m_objects;
    ContextChangeTracker& m_changes;
};

} // namespace platform
