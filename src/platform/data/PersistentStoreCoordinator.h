#pragma once

#include "ManagedObjectModel.h"
#include "PersistentStore.h"

#include "platform/foundation/Error.h"

#include <QMutex>
#include <QUrl>
#include <QVariantMap>

#include <memory>

namespace platform {

// Connects contexts to at most one SQLite store of a model. Shared (std::shared_ptr) by the
// contexts of one document, main-queue and private-queue alike; every member is thread-safe.
class PersistentStoreCoordinator final {
public:
    explicit PersistentStoreCoordinator(std::shared_ptr<const ManagedObjectModel> model);

    const std::shared_ptr<const ManagedObjectModel>& managedObjectModel() const { return m_model; }

    // Opens (creating when missing) the store at `url`; a coordinator holds one store, so
    // another one is refused. `type` must be SQLiteStoreType. See PersistentStore.h for
    // the options.
    std::shared_ptr<PersistentStore> addPersistentStore(
        const QString& type, const QUrl& url, const QVariantMap& options, Error* error);
    bool removePersistentStore(const std::shared_ptr<PersistentStore>& store, Error* error);
    std::shared_ptr<PersistentStore> persistentStore() const;
    std::shared_ptr<PersistentStore> persistentStoreForURL(const QUrl& url) const;
    bool hasStore() const { return persistentStore() != nullptr; }

    // Copies the store to `url` and continues on the copy; the original file is left as it
    // was. Object IDs stay valid: the copy keeps the store UUID.
    std::shared_ptr<PersistentStore> migratePersistentStore(
        const std::shared_ptr<PersistentStore>& store, const QUrl& url, Error* error);
    // Re-points the store at its file's new place after the file was moved.
    bool setURL(
        const QUrl& url, const std::shared_ptr<PersistentStore>& store, Error* error = nullptr);

    // The ID a URI names; an empty ID for a malformed URI, an unknown entity, or a store UUID
    // that is not this coordinator's store. Temporary URIs give temporary IDs.
    ManagedObjectID managedObjectIDForURIRepresentation(const QUrl& uri) const;

private:
    std::shared_ptr<const ManagedObjectModel> m_model;
    mutable QMutex m_mutex;
    std::shared_ptr<PersistentStore> m_store;
};

} // namespace platform
