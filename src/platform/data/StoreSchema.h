#pragma once

#include "ManagedObjectModel.h"

#include "platform/foundation/Error.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace platform {

class SqliteDatabase;

// Where each entity, attribute and relationship of a model lives in a store file: entity
// numbers from Z_PRIMARYKEY, the root table of each hierarchy, one column per attribute and
// to-one relationship, one join table per many-to-many relationship. Built by reading the file
// (names are matched, never assumed), and able to add whatever the model needs and the file
// lacks. Used under the store's lock.
class StoreSchema final {
public:
    struct JoinTable {
        QString table;
        // The column holding keys of `ownerRelationship`'s entity, and the one holding keys
        // of its destination.
        QString ownerColumn;
        QString otherColumn;
        const RelationshipDescription* ownerRelationship = nullptr;
    };

    // Reads the layout of `db` for `model`. An empty database gives a schema that needs
    // everything. Fails when the file is not in the store layout at all.
    static bool read(const SqliteDatabase& db, const ManagedObjectModel& model, StoreSchema& schema,
        Error* error);

    // True when tables, columns, entity rows or join tables are missing.
    bool needsChanges() const { return !m_missingDDL.isEmpty(); }
    bool isEmptyFile() const { return m_emptyFile; }
    // Names of the root entities whose table the file lacks.
    const QStringList& entitiesWithoutTable() const { return m_entitiesWithoutTable; }
    // Adds what is missing; run inside a transaction. Never drops anything.
    bool apply(SqliteDatabase& db, Error* error);

    int entityNumber(const EntityDescription* entity) const { return m_numbers.value(entity, 0); }
    const EntityDescription* entityForNumber(int number) const;
    QString tableName(const EntityDescription* entity) const;
    QString column(const AttributeDescription* attribute) const
    {
        return m_columns.value(attribute);
    }
    QString column(const RelationshipDescription* relationship) const
    {
        return m_toOneColumns.value(relationship);
    }
    QString entityColumn(const RelationshipDescription* relationship) const
    {
        return m_toOneEntityColumns.value(relationship);
    }
    // The join table of a many-to-many relationship (either side), or null.
    const JoinTable* joinTable(const RelationshipDescription* relationship) const;
    // Join tables touching an entity's rows.
    std::vector<const JoinTable*> joinTablesFor(const EntityDescription* entity) const;
    const ManagedObjectModel& model() const { return *m_model; }

private:
    void planTable(const EntityDescription* root, const QStringList& existing);
    void planJoinTables(const SqliteDatabase& db, const QStringList& tables);

    const ManagedObjectModel* m_model = nullptr;
    bool m_emptyFile = false;
    QHash<const EntityDescription*, int> m_numbers;
    QHash<int, const EntityDescription*> m_entitiesByNumber;
    QHash<const AttributeDescription*, QString> m_columns;
    QHash<const RelationshipDescription*, QString> m_toOneColumns;
    QHash<const RelationshipDescription*, QString> m_toOneEntityColumns;
    std::vector<JoinTable> m_joinTables;
    QHash<const RelationshipDescription*, int> m_joinIndex;
    QStringList m_missingDDL;
    QStringList m_entitiesWithoutTable;
};

} // namespace platform
