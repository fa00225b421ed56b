#pragma once

#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObject.h"

#include "platform/foundation/Error.h"

#include <QList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class ContextChangeTracker;
class ContextObjectRegistry;
class ManagedObjectModel;
class PersistentStore;

// The fetch path of one context: reads the candidate rows from the store (with as much of the
// predicate as SQL can decide), adds the context's unsaved objects, evaluates the rest in
// memory, sorts, and answers counts and max:/min: in SQL where that gives the same answer.
// Made for one call on the context's own thread; holds no state of its own.
class ContextFetcher final {
public:
    // `model` and `store` may be null (nothing to fetch from); `objects` and `changes` are
    // the context's.
    ContextFetcher(const ManagedObjectModel* model, std::shared_ptr<PersistentStore> store,
        ContextObjectRegistry& objects, const ContextChangeTracker& changes);

    // The matching objects in sort order, at most the fetch limit.
    std::optional<QList<ManagedObjectPtr>> fetchObjects(const FetchRequest& request, Error* error);
    // Dictionaries or, for count requests, one number.
    std::optional<QVariantList> fetchValues(const FetchRequest& request, Error* error);

private:
    bool fetchCandidates(
        const FetchRequest& request, QList<ManagedObjectPtr>& result, Error* error);
    bool fetchOrdered(const FetchRequest& request, QList<ManagedObjectPtr>& objects, Error* error);
    bool hasUnsavedChanges(const std::vector<const EntityDescription*>& entities) const;
    std::function<bool(const EntityDescription*)> unchangedCheck() const;
    // Answers count and max:/min: requests in SQL where that gives what evaluating in memory
    // would; leaves `result` empty where it does not. False only when reading failed.
    bool fetchInStore(
        const FetchRequest& request, std::optional<QVariantList>& result, Error* error);
    // Loads, in a few queries, the to-many relations the predicate or sort will read.
    void prefetchRelations(const FetchRequest& request, const QList<ManagedObjectPtr>& objects);

    const ManagedObjectModel* m_model;
    std::shared_ptr<PersistentStore> m_store;
    ContextObjectRegistry& m_objects;
    const ContextChangeTracker& m_changes;
};

} // namespace platform
