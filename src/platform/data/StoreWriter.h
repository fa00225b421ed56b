#pragma once

#include "ManagedObjectModel.h"
#include "SqliteDatabase.h"
#include "StoreSchema.h"

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>

#include <optional>

#include <vector>

namespace platform {

// The writing half of a store: a whole save in one transaction, and the schema changes and
// metadata of a migration. Every write first sets the journal mode the store was opened with,
// so that merely opening a file never changes it. Owned by the store, which holds its lock
// around every call and refuses writes to a read-only store before they get here.
class StoreWriter final {
public:
    // What a save writes. Objects not saved yet are referred to by their index in `inserts`.
    struct SaveRequest {
        struct Ref {
            const EntityDescription* entity = nullptr; // null: no object
            qint64 primaryKey = 0;
            int insertIndex = -1;
        };
        struct Change {
            Ref ref;
            std::vector<std::pair<const AttributeDescription*, QVariant>> attributes; // stored form
            std::vector<std::pair<const RelationshipDescription*, Ref>> toOne;
        };
        struct ToMany {
            const RelationshipDescription* relationship = nullptr;
            Ref owner;
            std::vector<Ref> targets;
        };
        std::vector<Change> inserts;
        // Inserts whose key a row already has take that row's place in the columns they name,
        // leaving its other columns as they are.
        bool insertsMergeIntoRows = false;
        std::vector<Change> updates;
        std::vector<Ref> deletes;
        std::vector<ToMany> toMany;
    };

    // `db` and `schema` stay owned by the store and outlive the writer. `journalModePragma` is
    // the statement that sets the store's journal mode; empty for none.
    StoreWriter(SqliteDatabase& db, StoreSchema& schema, QString journalModePragma);

    // Writes everything in one transaction, with `metadata` as the new Z_PLIST when it is not
    // empty; on success `insertedKeys` holds the key of each insert. On failure nothing of it
    // is in the file. With `expectedDataVersion` (not negative) the save is refused when the
    // file's data version, read inside the transaction, is another one.
    bool save(const SaveRequest& request, const QByteArray& metadata,
        std::vector<qint64>& insertedKeys, Error* error, qint64 expectedDataVersion = -1);
    // The file's data version as this connection sees it; -1 when it cannot be read.
    qint64 dataVersion();
    // Adds what the schema lacks and writes the metadata row, in one transaction. On failure
    // the file is as it was and the schema describes it again.
    bool migrate(const ManagedObjectModel& model, const QString& storeUUID,
        const QByteArray& metadata, const QString& failure, Error* error);

    // Reserves `count` keys of `entity`'s hierarchy in their own transaction: later saves
    // number their new rows after them. `first` receives the first of them.
    bool reserveKeys(const EntityDescription* entity, qint64 count, qint64* first,
        const QString& failure, Error* error);

private:
    bool begin(const QString& failure, Error* error);
    // The largest key the hierarchy of `root` used or reserved; nullopt when reading failed.
    std::optional<qint64> largestKey(const EntityDescription* root);
    // Keeps the row's Z_VERSION; a file without the row gets version 1.
    bool writeMetadata(const QString* storeUUID, const QByteArray& metadata);

    SqliteDatabase& m_db;
    StoreSchema& m_schema;
    QString m_journalModePragma;
};

} // namespace platform
