#pragma once

#include "ManagedObjectID.h"
#include "ManagedObjectModel.h"
#include "SqliteDatabase.h"
#include "StoreBusyHandler.h"
#include "StoreMetadata.h"
#include "StoreReader.h"
#include "StoreSchema.h"
#include "StoreWriter.h"

#include "platform/foundation/Error.h"

#include <QHash>
#include <QMutex>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

// Store options, as passed to PersistentStoreCoordinator::addPersistentStore().
inline const QString MigratePersistentStoresAutomaticallyOption
    = QStringLiteral("NSMigratePersistentStoresAutomaticallyOption");
inline const QString InferMappingModelAutomaticallyOption
    = QStringLiteral("NSInferMappingModelAutomaticallyOption");
// A QVariantMap of pragma name -> value, applied after the file is validated; "journal_mode"
// changes the file, so it is applied before each write instead.
inline const QString SQLitePragmasOption = QStringLiteral("NSSQLitePragmasOption");
// Opens the file read-only. When the file or its folder cannot be written, it is read as
// immutable: no lock, journal or other file is ever made beside it.
inline const QString ReadOnlyPersistentStoreOption
    = QStringLiteral("NSReadOnlyPersistentStoreOption");
inline const QString SQLiteStoreType = QStringLiteral("SQLite");

// One SQLite file in the store layout, opened for a model: validates and, when allowed,
// migrates the file on open; reads through its StoreReader and writes through its StoreWriter.
// Opening never writes unless the file lacks tables or columns of the model, so a file made
// by another program keeps its bytes until something is saved. Owned by the coordinator and
// shared with contexts working on it; every call takes the store's lock, so it may be used
// from any thread.
class PersistentStore final {
public:
    using Row = StoreReader::Row;
    using SaveRequest = StoreWriter::SaveRequest;
    using SqlFilter = StoreReader::SqlFilter;
    using ValuesWanted = StoreReader::ValuesWanted;

    static std::shared_ptr<PersistentStore> open(std::shared_ptr<const ManagedObjectModel> model,
        const QUrl& url, const QVariantMap& options, Error* error);
    ~PersistentStore();
    // Whether the file at `url` and its folder can be written, as a store opened for writing
    // needs them to be.
    static bool isWritableLocation(const QUrl& url);

    QUrl url() const;
    QString identifier() const { return m_uuid; }
    QString type() const { return SQLiteStoreType; }
    const QVariantMap& options() const { return m_options; }
    bool isReadOnly() const { return m_readOnly; }
    // Another program holds the file's lock and has not let go of it since a wait for it ran
    // out; statements meanwhile fail at once instead of waiting.
    bool isBusy() const { return m_busyHandler.isBusy(); }
    QVariantMap metadata() const;
    const ManagedObjectModel& model() const { return *m_model; }

    // Re-points the store at a file that was moved there (same store UUID required).
    bool setURL(const QUrl& url, Error* error);
    // Copies the file to `url` (replacing what is there) and continues on the copy. A damaged
    // file whose copy is not whole is not copied: a new file with the store's UUID and layout
    // takes its place, empty, and contentsGeneration() counts up so that contexts write every
    // object they hold into it at their next save.
    bool migrateToURL(const QUrl& url, Error* error);

    // Whether the file is still the store that was read, and whole: not deleted, replaced or
    // cut short, and, when it was written other than by this store, with its metadata and
    // tables and passing SQLite's quick check. False with an error that names what happened;
    // from then on the store counts as damaged, and every check and save fails with that
    // error. Saves check first; a corruption code from SQLite marks the store damaged too.
    bool checkFile(Error* error);
    bool isDamaged() const;
    // Counts the times the file was made anew under the store (see migrateToURL()).
    int contentsGeneration() const;

    // Rows of `entities` (all sharing one root table) matching `filter`. `attributes` limits
    // what is loaded (nullptr: every attribute not loaded lazily); `wanted`, when given, is
    // asked once for each row returned, in order.
    bool fetchRows(const std::vector<const EntityDescription*>& entities,
        const std::vector<QString>* attributes, const SqlFilter* filter, std::vector<Row>& rows,
        Error* error, const ValuesWanted& wanted = {});
    // One row by key with every attribute not loaded lazily; nullopt with no error when gone.
    std::optional<Row> fetchRow(const EntityDescription* entity, qint64 primaryKey, Error* error);
    // One attribute's value (for lazily loaded columns); nullopt when the row is gone. A value
    // past kValuePieceBytes is read in pieces of that size, with the lock let go between them.
    static constexpr qint64 kValuePieceBytes = 1024 * 1024;
    std::optional<QVariant> fetchValue(const EntityDescription* entity, qint64 primaryKey,
        const AttributeDescription* attribute, Error* error);
    // The size of a string (in UTF-8 bytes) or binary attribute's value without reading it; a
    // number stored there counts its digits. Nullopt when the row is gone (no error) or
    // reading failed.
    std::optional<qint64> valueLength(const EntityDescription* entity, qint64 primaryKey,
        const AttributeDescription* attribute, Error* error);
    // The objects a to-many relationship of a saved object holds, ordered by key.
    bool fetchRelated(const RelationshipDescription* relationship, qint64 ownerKey,
        std::vector<ManagedObjectID>& result, Error* error);

    // The same for many saved owners at once: (owner key, object) pairs, by owner then key.
    bool fetchRelated(const RelationshipDescription* relationship,
        const std::vector<qint64>& ownerKeys,
        std::vector<std::pair<qint64, ManagedObjectID>>& result, Error* error);
    // The number of rows of `entities` matching `filter`; -1 with an error on failure.
    qint64 countRows(const std::vector<const EntityDescription*>& entities, const SqlFilter* filter,
        Error* error);
    // The largest (or smallest) saved value of a number or date attribute over the matching
    // rows, in memory form (nil when none has one). Nullopt, with an error only when reading
    // failed, for other types and when a stored value is not a number of the attribute's
    // kind, where SQL would order differently from the values in memory.
    std::optional<QVariant> fetchExtreme(const std::vector<const EntityDescription*>& entities,
        const AttributeDescription* attribute, bool maximum, const SqlFilter* filter, Error* error);

    // Writes everything in one transaction; on success `insertedKeys` holds the key of each
    // insert. On failure nothing of it is in the file.
    bool save(const SaveRequest& request, std::vector<qint64>& insertedKeys, Error* error);

    // Saves of other processes. The store notes the file's data version (which this
    // connection's own writes leave alone) when it opens the file and when told that what
    // others saved was merged; any change since means another process saved.
    struct RowVersions {
        qint64 dataVersion = 0;
        // Per entity hierarchy (its root): each row's key with its entity number and Z_OPT.
        QHash<const EntityDescription*, QHash<qint64, std::pair<int, qint64>>> rows;
    };
    bool hasChangesFromElsewhere();
    // Every row's version, read in one transaction together with the data version they go with.
    std::optional<RowVersions> fetchRowVersions(Error* error);
    void changesFromElsewhereMerged(qint64 dataVersion);
    // While set, saves made on the calling thread fail, before writing anything, with
    // PersistentStoreSaveConflictsError when another process saved since the last merge: the
    // check runs inside the save's transaction, so nothing can come between.
    void setRefusesSavesOverChangesFromElsewhere(bool refuse);
    // Reserves `count` new keys of `entity`'s hierarchy at once; `first` receives the first.
    bool reserveKeys(const EntityDescription* entity, qint64 count, qint64* first, Error* error);

    // "FROM ... WHERE ..." over the rows a to-many relationship holds for any owner, the
    // destination table aliased `alias`, as fetchRelated() reads them; `ownerKey` receives the
    // expression giving each one's owner key (never NULL). Empty when it is not stored.
    QString relatedRowsClause(
        const RelationshipDescription* relationship, const QString& alias, QString& ownerKey) const;

    const EntityDescription* entityForNumber(int number) const;
    QString columnName(const AttributeDescription* attribute) const;

    ManagedObjectID objectID(const EntityDescription* entity, qint64 primaryKey) const
    {
        return m_reader.objectID(entity, primaryKey);
    }

private:
    PersistentStore(std::shared_ptr<const ManagedObjectModel> model, const QVariantMap& options);
    bool openFile(const QString& path, bool create, Error* error);
    bool prepareSchema(bool isNewFile, Error* error);
    // Why the file lacks what its metadata says it holds; empty when nothing is missing or
    // a migration may add what is.
    QString missingContents(const StoreMetadata& stored) const;
    // The connection settings every connection of the store (to the file at `path`) gets.
    void configure(SqliteDatabase& db, const QString& path);
    bool checkFileLocked(Error* error);
    // What is wrong with the file; null when nothing is.
    Error findDamage();
    // What is wrong inside `db`, a file of this store's: its metadata, its tables, and with
    // `quickCheck` SQLite's quick check. Null when nothing is.
    Error inspect(const SqliteDatabase& db, bool quickCheck) const;
    // The file's identity, size and modification time now, as written by this store.
    void noteFileState();
    // Marks the store damaged when SQLite's latest result says the file is corrupt.
    void noteCorruption();
    // Makes a new file at `path` with the store's UUID and layout and continues on it.
    bool rebuildAt(const QString& path, Error* error);

    mutable QRecursiveMutex m_mutex;
    std::shared_ptr<const ManagedObjectModel> m_model;
    QVariantMap m_options;
    // Before the connections, which call it until they close.
    StoreBusyHandler m_busyHandler;
    SqliteDatabase m_db;
    StoreSchema m_schema;
    QString m_path;
    QString m_uuid;
    StoreMetadata m_metadata;
    // Z_PLIST as the file holds it; rewritten by a save only while it lacks this model's version.
    QByteArray m_storedMetadata;
    bool m_metadataIsCurrent = false;
    bool m_readOnly = false;
    bool m_immutable = false;
    qint64 m_seenDataVersion = 0;
    // The file as this store last read or wrote it: outside changes are looked for from there.
    struct FileState {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modified = 0;
        // Counts other connections' commits, which may come within one tick of the clock.
        qint64 dataVersion = -1;
    };
    FileState m_fileState;
    Error m_damage;
    int m_contentsGeneration = 0;
    const void* m_guardedThread = nullptr;
    StoreReader m_reader;
    StoreWriter m_writer;
};

} // namespace platform
