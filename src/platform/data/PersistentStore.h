#pragma once

#include "ManagedObjectID.h"
#include "ManagedObjectModel.h"
#include "SqliteDatabase.h"
#include "StoreMetadata.h"
#include "StoreSchema.h"

#include "platform/foundation/Error.h"

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
// A QVariantMap of pragma name -> value, applied after the file is validated.
inline const QString SQLitePragmasOption = QStringLiteral("NSSQLitePragmasOption");
inline const QString ReadOnlyPersistentStoreOption
    = QStringLiteral("NSReadOnlyPersistentStoreOption");
inline const QString SQLiteStoreType = QStringLiteral("SQLite");
inline const QString SQLiteErrorDomain = QStringLiteral("NSSQLiteErrorDomain");

// One SQLite file in the store layout, opened for a model: validates and, when allowed,
// migrates the file on open; reads rows, single values and relationships; writes a whole save
// in one transaction. Owned by the coordinator and shared with contexts working on it; every
// call takes the store's lock, so it may be used from any thread.
class PersistentStore final {
public:
    // A row as read: values for the attributes that were asked for (others not loaded).
    struct Row {
        const EntityDescription* entity = nullptr;
        qint64 primaryKey = 0;
        qint64 version = 0;
        std::vector<QVariant> values; // in-memory form, one per attribute of `entity`
        std::vector<char> loaded;
        std::vector<ManagedObjectID> toOne; // one per relationship; meaningful for to-one ones
        bool toOneLoaded = false;
    };

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
        std::vector<Change> updates;
        std::vector<Ref> deletes;
        std::vector<ToMany> toMany;
    };

    // A translated filter: an SQL condition on the entity table (aliased "t") and its binds.
    struct SqlFilter {
        QString condition;
        QVariantList binds;
    };

    static std::shared_ptr<PersistentStore> open(std::shared_ptr<const ManagedObjectModel> model,
        const QUrl& url, const QVariantMap& options, Error* error);
    ~PersistentStore();

    QUrl url() const;
    QString identifier() const { return m_uuid; }
    QString type() const { return SQLiteStoreType; }
    const QVariantMap& options() const { return m_options; }
    bool isReadOnly() const { return m_readOnly; }
    QVariantMap metadata() const;
    const ManagedObjectModel& model() const { return *m_model; }

    // Re-points the store at a file that was moved there (same store UUID required).
    bool setURL(const QUrl& url, Error* error);
    // Copies the file to `url` (replacing what is there) and continues on the copy.
    bool migrateToURL(const QUrl& url, Error* error);

    // Told a row's entity, key and version and, per selected column, the attribute index it
    // fills (-1: none); false leaves the row's values and to-one targets unread.
    using ValuesWanted = std::function<bool(const Row& row, const std::vector<int>& columns)>;

    // Rows of `entities` (all sharing one root table) matching `filter`. `attributes` limits
    // what is loaded (nullptr: every attribute not loaded lazily); `wanted`, when given, is
    // asked once for each row returned, in order.
    bool fetchRows(const std::vector<const EntityDescription*>& entities,
        const std::vector<QString>* attributes, const SqlFilter* filter, std::vector<Row>& rows,
        Error* error, const ValuesWanted& wanted = {});
    // One row by key with every attribute not loaded lazily; nullopt with no error when gone.
    std::optional<Row> fetchRow(const EntityDescription* entity, qint64 primaryKey, Error* error);
    // One attribute's value (for lazily loaded columns); nullopt when the row is gone.
    std::optional<QVariant> fetchValue(const EntityDescription* entity, qint64 primaryKey,
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

    // "FROM ... WHERE ..." over the rows a to-many relationship holds for any owner, the
    // destination table aliased `alias`, as fetchRelated() reads them; `ownerKey` receives the
    // expression giving each one's owner key (never NULL). Empty when it is not stored.
    QString relatedRowsClause(
        const RelationshipDescription* relationship, const QString& alias, QString& ownerKey) const;

    const EntityDescription* entityForNumber(int number) const;
    QString columnName(const AttributeDescription* attribute) const;

    ManagedObjectID objectID(const EntityDescription* entity, qint64 primaryKey) const
    {
        return ManagedObjectID::permanent(entity, m_uuid, primaryKey);
    }

private:
    PersistentStore() = default;
    bool openFile(const QString& path, bool create, Error* error);
    bool prepareSchema(bool isNewFile, Error* error);
    Error sqliteError(int code, const QString& description) const;
    // " FROM <root table> t WHERE <entity and filter condition>"; `entities` not empty.
    QString fromClause(
        const std::vector<const EntityDescription*>& entities, const SqlFilter* filter) const;
    void readRow(SqliteStatement& statement, const std::vector<int>& columnAttributes,
        int toOneStart, Row& row) const;

    mutable QRecursiveMutex m_mutex;
    std::shared_ptr<const ManagedObjectModel> m_model;
    SqliteDatabase m_db;
    StoreSchema m_schema;
    QString m_path;
    QString m_uuid;
    QVariantMap m_options;
    StoreMetadata m_metadata;
    bool m_readOnly = false;
};

} // namespace platform
