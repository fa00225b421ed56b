#include "StoreSchema.h"

#include "SqliteDatabase.h"

#include "platform/foundation/Localized.h"

#include <sqlite3.h>

#include <QSet>

#include <algorithm>

namespace platform {

namespace {

Error foreignFileError(const QString& reason)
{
    return Error(kCocoaErrorDomain, PersistentStoreInvalidTypeError,
        localized(QStringLiteral("The file is not a notes store.")), reason);
}

bool containsName(const QStringList& names, const QString& name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

int columnGroup(const AttributeDescription* attribute)
{
    switch (attribute->type()) {
    case AttributeDescription::Type::Integer16:
    case AttributeDescription::Type::Integer32:
    case AttributeDescription::Type::Integer64:
    case AttributeDescription::Type::Boolean:
        return 0;
    case AttributeDescription::Type::Double:
        return 2;
    case AttributeDescription::Type::Date:
        return 3;
    case AttributeDescription::Type::String:
        return 4;
    case AttributeDescription::Type::Binary:
    case AttributeDescription::Type::Transformable:
        return 5;
    }
    return 5;
}

struct PlannedColumn {
    QString name;
    QString sqlType;
    int group;
};

} // namespace

bool StoreSchema::read(
    const SqliteDatabase& db, const ManagedObjectModel& model, StoreSchema& schema, Error* error)
{
    schema = StoreSchema();
    schema.m_model = &model;

    QStringList tables;
    {
        SqliteStatement statement
            = db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
        int result = statement.isValid() ? SQLITE_ROW : statement.prepareResult();
        while (statement.isValid() && (result = statement.step()) == SQLITE_ROW)
            tables << statement.text(0);
        if (result != SQLITE_DONE)
            return Error::set(error,
                Error(kCocoaErrorDomain, FileReadCorruptFileError,
                    localized(QStringLiteral("The file is damaged or is not a notes store.")),
                    db.errorMessage()));
    }

    QHash<QString, int> numbersByName;
    int maxNumber = 0;
    schema.m_emptyFile = tables.isEmpty();
    if (!schema.m_emptyFile) {
        if (!containsName(tables, QStringLiteral("Z_PRIMARYKEY"))
            || !containsName(tables, QStringLiteral("Z_METADATA")))
            return Error::set(error,
                foreignFileError(
                    QStringLiteral("The file has no Z_PRIMARYKEY or Z_METADATA table.")));
        SqliteStatement statement
            = db.prepare(QStringLiteral("SELECT Z_ENT, Z_NAME FROM Z_PRIMARYKEY"));
        if (!statement.isValid())
            return Error::set(error, foreignFileError(db.errorMessage()));
        int result;
        while ((result = statement.step()) == SQLITE_ROW) {
            const int number = int(statement.int64(0));
            numbersByName.insert(statement.text(1), number);
            maxNumber = std::max(maxNumber, number);
        }
        if (result != SQLITE_DONE)
            return Error::set(error,
                Error(kCocoaErrorDomain, FileReadCorruptFileError,
                    localized(QStringLiteral("The file is damaged or is not a notes store.")),
                    db.errorMessage()));
    } else {
        schema.m_missingDDL << QStringLiteral(
            "CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME "
            "VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER)")
                            << QStringLiteral(
                                   "CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID "
                                   "VARCHAR(255), Z_PLIST BLOB)")
                            << QStringLiteral("CREATE TABLE Z_MODELCACHE (Z_CONTENT BLOB)");
    }

    std::vector<const EntityDescription*> added;
    for (const EntityDescription* entity : model.entities()) {
        int number = numbersByName.value(entity->name(), 0);
        if (number == 0) {
            number = ++maxNumber;
            added.push_back(entity);
        }
        schema.m_numbers.insert(entity, number);
        schema.m_entitiesByNumber.insert(number, entity);
    }
    for (const EntityDescription* entity : added) {
        const int parent = entity->superentity() ? schema.entityNumber(entity->superentity()) : 0;
        schema.m_missingDDL << QStringLiteral("INSERT INTO Z_PRIMARYKEY (Z_ENT, Z_NAME, Z_SUPER, "
                                              "Z_MAX) VALUES (%1, '%2', %3, 0)")
                                   .arg(schema.entityNumber(entity))
                                   .arg(entity->name())
                                   .arg(parent);
    }

    for (const EntityDescription* entity : model.entities()) {
        if (entity->superentity())
            continue;
        const QString table = schema.tableName(entity);
        QStringList columns;
        if (containsName(tables, table)) {
            columns = db.columnNames(table);
            if (!containsName(columns, QStringLiteral("Z_PK"))
                || !containsName(columns, QStringLiteral("Z_ENT")))
                return Error::set(error,
                    foreignFileError(
                        QStringLiteral("Table %1 has no Z_PK or Z_ENT column.").arg(table)));
        }
        if (columns.isEmpty() && !schema.m_emptyFile)
            schema.m_entitiesWithoutTable << entity->name();
        schema.planTable(entity, columns);
    }
    schema.planJoinTables(db, tables);
    return true;
}

const EntityDescription* StoreSchema::entityForNumber(int number) const
{
    return m_entitiesByNumber.value(number, nullptr);
}

QString StoreSchema::tableName(const EntityDescription* entity) const
{
    return QStringLiteral("Z") + entity->rootEntity()->name().toUpper();
}

const StoreSchema::JoinTable* StoreSchema::joinTable(
    const RelationshipDescription* relationship) const
{
    const int index = m_joinIndex.value(relationship, -1);
    return index < 0 ? nullptr : &m_joinTables[size_t(index)];
}

std::vector<const StoreSchema::JoinTable*> StoreSchema::joinTablesFor(
    const EntityDescription* entity) const
{
    std::vector<const JoinTable*> result;
    for (const RelationshipDescription* relationship : entity->relationships()) {
        if (const JoinTable* table = joinTable(relationship)) {
            if (std::find(result.begin(), result.end(), table) == result.end())
                result.push_back(table);
        }
    }
    return result;
}

void StoreSchema::planTable(const EntityDescription* root, const QStringList& existing)
{
    const QString table = tableName(root);
    QSet<QString> used { QStringLiteral("Z_PK"), QStringLiteral("Z_ENT"), QStringLiteral("Z_OPT") };
    auto unique = [&used](const QString& base) {
        QString name = base;
        for (int suffix = 1; used.contains(name); ++suffix)
            name = base + QString::number(suffix);
        used.insert(name);
        return name;
    };
    std::vector<PlannedColumn> planned;
    QStringList indexes;
    for (const EntityDescription* entity : root->selfAndDescendants()) {
        const size_t inheritedAttributes
            = entity->superentity() ? entity->superentity()->attributes().size() : 0;
        for (size_t i = inheritedAttributes; i < entity->attributes().size(); ++i) {
            const AttributeDescription* attribute = entity->attributes()[i];
            if (attribute->isTransient())
                continue;
            const QString name = unique(QStringLiteral("Z") + attribute->name().toUpper());
            m_columns.insert(attribute, name);
            planned.push_back({ name, attribute->sqlType(), columnGroup(attribute) });
        }
        const size_t inheritedRelationships
            = entity->superentity() ? entity->superentity()->relationships().size() : 0;
        for (size_t i = inheritedRelationships; i < entity->relationships().size(); ++i) {
            const RelationshipDescription* relationship = entity->relationships()[i];
            if (relationship->isToMany())
                continue;
            const QString name = unique(QStringLiteral("Z") + relationship->name().toUpper());
            m_toOneColumns.insert(relationship, name);
            planned.push_back({ name, QStringLiteral("INTEGER"), 1 });
            indexes << QStringLiteral("CREATE INDEX IF NOT EXISTS %1_%2_INDEX ON %1 (%2)")
                           .arg(table, name);
            if (!relationship->destinationEntity()->subentities().empty()) {
                const QString entityColumn = unique(QStringLiteral("Z%1_%2")
                                                        .arg(entityNumber(entity))
                                                        .arg(relationship->name().toUpper()));
                m_toOneEntityColumns.insert(relationship, entityColumn);
                planned.push_back({ entityColumn, QStringLiteral("INTEGER"), 1 });
            }
        }
    }
    std::stable_sort(planned.begin(), planned.end(), [](const auto& a, const auto& b) {
        return a.group != b.group ? a.group < b.group : a.name < b.name;
    });
    if (!root->subentities().empty())
        indexes.prepend(
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1_Z_ENT_INDEX ON %1 (Z_ENT)").arg(table));

    if (existing.isEmpty()) {
        QString sql = QStringLiteral("CREATE TABLE %1 ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, "
                                     "Z_OPT INTEGER")
                          .arg(table);
        for (const PlannedColumn& column : planned)
            sql += QStringLiteral(", %1 %2").arg(column.name, column.sqlType);
        m_missingDDL << sql + QStringLiteral(" )");
        m_missingDDL << indexes;
        return;
    }
    bool added = false;
    if (!containsName(existing, QStringLiteral("Z_OPT"))) {
        m_missingDDL << QStringLiteral("ALTER TABLE %1 ADD COLUMN Z_OPT INTEGER").arg(table);
        added = true;
    }
    for (const PlannedColumn& column : planned) {
        if (!containsName(existing, column.name)) {
            m_missingDDL << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                .arg(table, column.name, column.sqlType);
            added = true;
        }
    }
    if (added)
        m_missingDDL << indexes;
}

void StoreSchema::planJoinTables(const SqliteDatabase& db, const QStringList& tables)
{
    for (const EntityDescription* entity : m_model->entities()) {
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (relationship->entity() != entity || !relationship->isManyToMany()
                || m_joinIndex.contains(relationship))
                continue;
            const RelationshipDescription* inverse = relationship->inverseRelationship();
            const int number = entityNumber(relationship->entity());
            const int inverseNumber = entityNumber(inverse->entity());
            const bool relationshipNames = number < inverseNumber
                || (number == inverseNumber && relationship->name() < inverse->name());
            const RelationshipDescription* owner = relationshipNames ? relationship : inverse;
            const RelationshipDescription* other = owner->inverseRelationship();
            const int ownerNumber = entityNumber(owner->entity());
            const int otherNumber = entityNumber(other->entity());

            JoinTable join;
            join.ownerRelationship = owner;
            join.table = QStringLiteral("Z_%1%2").arg(ownerNumber).arg(owner->name().toUpper());
            join.ownerColumn
                = QStringLiteral("Z_%1%2").arg(ownerNumber).arg(other->name().toUpper());
            join.otherColumn
                = QStringLiteral("Z_%1%2").arg(otherNumber).arg(owner->name().toUpper());
            if (join.ownerColumn == join.otherColumn)
                join.otherColumn += QLatin1Char('1');

            auto hasBothColumns = [&](const QString& table) {
                const QStringList columns = db.columnNames(table);
                return containsName(columns, join.ownerColumn)
                    && containsName(columns, join.otherColumn);
            };
            bool found = containsName(tables, join.table) && hasBothColumns(join.table);
            for (int i = 0; !found && i < tables.size(); ++i) {
                if (tables[i].startsWith(QStringLiteral("Z_")) && hasBothColumns(tables[i])) {
                    join.table = tables[i];
                    found = true;
                }
            }
            if (!found) {
                m_missingDDL << QStringLiteral("CREATE TABLE %1 ( %2 INTEGER, %3 INTEGER, PRIMARY "
                                               "KEY (%2, %3) )")
                                    .arg(join.table, join.ownerColumn, join.otherColumn)
                             << QStringLiteral("CREATE INDEX IF NOT EXISTS %1_%3_INDEX ON %1 "
                                               "(%3, %2)")
                                    .arg(join.table, join.ownerColumn, join.otherColumn);
            }
            m_joinTables.push_back(join);
            m_joinIndex.insert(owner, int(m_joinTables.size() - 1));
            m_joinIndex.insert(other, int(m_joinTables.size() - 1));
        }
    }
}

bool StoreSchema::apply(SqliteDatabase& db, Error* error)
{
    for (const QString& sql : std::as_const(m_missingDDL)) {
        if (db.exec(sql) != SQLITE_OK)
            return Error::set(error,
                Error(kCocoaErrorDomain, PersistentStoreOpenError,
                    localized(QStringLiteral("The notes store could not be updated.")),
                    db.errorMessage()));
    }
    m_missingDDL.clear();
    m_entitiesWithoutTable.clear();
    m_emptyFile = false;
    return true;
}

} // namespace platform
