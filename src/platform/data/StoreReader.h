#pragma once

#include "ManagedObjectID.h"
#include "ManagedObjectModel.h"
#include "SqliteDatabase.h"
#include "StoreSchema.h"

#include "platform/foundation/Error.h"

#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>
#include <vector>

struct sqlite3_blob;

namespace platform {

// The reading half of a store: rows, single values, relations, counts and extremes, read
// through the store's connection in the layout its schema found. Owned by the store, which
// holds its lock around every call.
class StoreReader final {
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

    // A translated filter: an SQL condition on the entity table (aliased "t") and its binds.
    struct SqlFilter {
        QString condition;
        QVariantList binds;
    };

    // Told a row's entity, key and version and, per selected column, the attribute index it
    // fills (-1: none); false leaves the row's values and to-one targets unread.
    using ValuesWanted = std::function<bool(const Row& row, const std::vector<int>& columns)>;

    // The three stay owned by the store and outlive the reader.
    StoreReader(const SqliteDatabase& db, const StoreSchema& schema, const QString& storeUUID);

    bool fetchRows(const std::vector<const EntityDescription*>& entities,
        const std::vector<QString>* attributes, const SqlFilter* filter, std::vector<Row>& rows,
        Error* error, const ValuesWanted& wanted = {}) const;
    std::optional<Row> fetchRow(
        const EntityDescription* entity, qint64 primaryKey, Error* error) const;
    std::optional<QVariant> fetchValue(const EntityDescription* entity, qint64 primaryKey,
        const AttributeDescription* attribute, Error* error) const;
    // A value opened without reading it: a text or blob one (`blob` set) is read a piece at a
    // time by readValue() until closeValue(); `length` is its size in bytes, or a number's
    // digits, 0 for nil. `rowFound` is false when the row is gone. Nullopt on a read error.
    struct OpenedValue {
        bool rowFound = false;
        bool isText = false;
        qint64 length = 0;
        sqlite3_blob* blob = nullptr;
    };
    std::optional<OpenedValue> openValue(const EntityDescription* entity, qint64 primaryKey,
        const AttributeDescription* attribute, Error* error) const;
    // False when the value changed or went since it was opened.
    static bool readValue(const OpenedValue& value, qint64 offset, int count, char* into);
    static void closeValue(OpenedValue& value);
    bool fetchRelated(const RelationshipDescription* relationship,
        const std::vector<qint64>& ownerKeys,
        std::vector<std::pair<qint64, ManagedObjectID>>& result, Error* error) const;
    qint64 countRows(const std::vector<const EntityDescription*>& entities, const SqlFilter* filter,
        Error* error) const;
    std::optional<QVariant> fetchExtreme(const std::vector<const EntityDescription*>& entities,
        const AttributeDescription* attribute, bool maximum, const SqlFilter* filter,
        Error* error) const;
    QString relatedRowsClause(
        const RelationshipDescription* relationship, const QString& alias, QString& ownerKey) const;

    ManagedObjectID objectID(const EntityDescription* entity, qint64 primaryKey) const
    {
        return ManagedObjectID::permanent(entity, m_uuid, primaryKey);
    }

private:
    // " FROM <root table> t WHERE <entity and filter condition>"; `entities` not empty.
    QString fromClause(
        const std::vector<const EntityDescription*>& entities, const SqlFilter* filter) const;
    Error readError() const;

    const SqliteDatabase& m_db;
    const StoreSchema& m_schema;
    const QString& m_uuid;
};

} // namespace platform
