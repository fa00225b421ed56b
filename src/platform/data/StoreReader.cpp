#include "StoreReader.h"

#include <sqlite3.h>

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace platform {

namespace {

// A column as fromStored() converts it; the common cases read without an intermediate value.
QVariant readColumn(
    const SqliteStatement& statement, int column, const AttributeDescription* attribute)
{
    const int type = sqlite3_column_type(statement.handle(), column);
    switch (attribute->type()) {
    case AttributeDescription::Type::Date:
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
            return AttributeDescription::dateFromStored(statement.real(column));
        break;
    case AttributeDescription::Type::String:
        if (type == SQLITE_TEXT)
            return statement.text(column);
        break;
    case AttributeDescription::Type::Boolean:
        if (type == SQLITE_INTEGER)
            return statement.int64(column) != 0;
        break;
    case AttributeDescription::Type::Integer64:
        if (type == SQLITE_INTEGER)
            return statement.int64(column);
        break;
    case AttributeDescription::Type::Double:
        if (type == SQLITE_FLOAT)
            return statement.real(column);
        break;
    default:
        break;
    }
    return attribute->fromStored(statement.value(column));
}

} // namespace

StoreReader::StoreReader(
    const SqliteDatabase& db, const StoreSchema& schema, const QString& storeUUID)
    : m_db(db), m_schema(schema), m_uuid(storeUUID)
{ }

Error StoreReader::readError() const
{
    return m_db.storeError(
        m_db.extendedErrorCode(), QStringLiteral("The notes could not be read."));
}

QString StoreReader::relatedRowsClause(
    const RelationshipDescription* relationship, const QString& alias, QString& ownerKey) const
{
    const EntityDescription* destination = relationship->destinationEntity();
    QStringList numbers;
    for (const EntityDescription* entity : destination->selfAndDescendants())
        numbers << QString::number(m_schema.entityNumber(entity));
    const QString kinds
        = QStringLiteral("%1.Z_ENT IN (%2)").arg(alias, numbers.join(QLatin1Char(',')));
    const QString table = m_schema.tableName(destination);
    if (const StoreSchema::JoinTable* join = m_schema.joinTable(relationship)) {
        const bool owner = join->ownerRelationship == relationship;
        const QString mine = owner ? join->ownerColumn : join->otherColumn;
        const QString theirs = owner ? join->otherColumn : join->ownerColumn;
        ownerKey = QStringLiteral("bx_j.") + mine;
        return QStringLiteral("FROM %1 bx_j JOIN %2 %3 ON %3.Z_PK = bx_j.%4 "
                              "WHERE %5 IS NOT NULL AND %6")
            .arg(join->table, table, alias, theirs, ownerKey, kinds);
    }
    if (const RelationshipDescription* inverse = relationship->inverseRelationship();
        inverse && !inverse->isToMany()) {
        ownerKey = alias + QLatin1Char('.') + m_schema.column(inverse);
        return QStringLiteral("FROM %1 %2 WHERE %3 IS NOT NULL AND %4")
            .arg(table, alias, ownerKey, kinds);
    }
    return {};
}

QString StoreReader::fromClause(
    const std::vector<const EntityDescription*>& entities, const SqlFilter* filter) const
{
    QStringList numbers;
    for (const EntityDescription* entity : entities)
        numbers << QString::number(m_schema.entityNumber(entity));
    QString sql = QStringLiteral(" FROM %1 t WHERE t.Z_ENT IN (%2)")
                      .arg(m_schema.tableName(entities.front()->rootEntity()),
                          numbers.join(QLatin1Char(',')));
    if (filter && !filter->condition.isEmpty())
        sql += QStringLiteral(" AND (") + filter->condition + QLatin1Char(')');
    return sql;
}

bool StoreReader::fetchRows(const std::vector<const EntityDescription*>& entities,
    const std::vector<QString>* attributes, const SqlFilter* filter, std::vector<Row>& rows,
    Error* error, const ValuesWanted& wanted) const
{
    if (entities.empty())
        return true;
    // Columns: the union of the attributes of every fetched entity, deduplicated by column.
    std::vector<const AttributeDescription*> columns;
    std::vector<const RelationshipDescription*> toOnes;
    for (const EntityDescription* entity : entities) {
        for (const AttributeDescription* attribute : entity->attributes()) {
            if (attribute->isTransient() || m_schema.column(attribute).isEmpty())
                continue;
            const bool selected = attributes
                ? std::find(attributes->begin(), attributes->end(), attribute->name())
                    != attributes->end()
                : !attribute->isLoadedLazily();
            if (selected && std::find(columns.begin(), columns.end(), attribute) == columns.end())
                columns.push_back(attribute);
        }
        if (attributes)
            continue;
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (!relationship->isToMany()
                && std::find(toOnes.begin(), toOnes.end(), relationship) == toOnes.end())
                toOnes.push_back(relationship);
        }
    }
    QString sql = QStringLiteral("SELECT t.Z_PK, t.Z_ENT, t.Z_OPT");
    for (const AttributeDescription* attribute : columns)
        sql += QStringLiteral(", t.") + m_schema.column(attribute);
    for (const RelationshipDescription* relationship : toOnes) {
        sql += QStringLiteral(", t.") + m_schema.column(relationship);
        const QString entityColumn = m_schema.entityColumn(relationship);
        sql += entityColumn.isEmpty() ? QStringLiteral(", NULL")
                                      : QStringLiteral(", t.") + entityColumn;
    }
    sql += fromClause(entities, filter) + QStringLiteral(" ORDER BY t.Z_PK");

    SqliteStatement statement = m_db.prepare(sql);
    if (!statement.isValid())
        return Error::set(error, readError());
    if (filter) {
        for (int i = 0; i < filter->binds.size(); ++i)
            statement.bind(i + 1, filter->binds[i]);
    }
    // Per concrete entity: the attribute index each selected column fills.
    QHash<const EntityDescription*, std::vector<int>> indexes;
    // Rows mostly come in runs of one entity.
    const EntityDescription* lastEntity = nullptr;
    auto last = indexes.end();
    int result;
    while ((result = statement.step()) == SQLITE_ROW) {
        Row row;
        row.entity = m_schema.entityForNumber(int(statement.int64(1)));
        if (!row.entity)
            continue;
        row.primaryKey = statement.int64(0);
        row.version = statement.int64(2);
        auto found = row.entity == lastEntity ? last : indexes.find(row.entity);
        if (found == indexes.end()) {
            std::vector<int> map;
            for (const AttributeDescription* attribute : columns)
                map.push_back(row.entity->attributes().end()
                            != std::find(row.entity->attributes().begin(),
                                row.entity->attributes().end(), attribute)
                        ? row.entity->attributeIndex(attribute->name())
                        : -1);
            found = indexes.insert(row.entity, map);
        }
        lastEntity = row.entity;
        last = found;
        if (wanted && !wanted(row, found.value())) {
            rows.push_back(std::move(row));
            continue;
        }
        const size_t count = row.entity->attributes().size();
        row.values.resize(count);
        row.loaded.assign(count, 0);
        for (size_t c = 0; c < columns.size(); ++c) {
            const int index = found.value()[c];
            if (index < 0)
                continue;
            row.values[size_t(index)] = readColumn(statement, int(c) + 3, columns[c]);
            row.loaded[size_t(index)] = 1;
        }
        if (!attributes) {
            row.toOne.resize(row.entity->relationships().size());
            row.toOneLoaded = true;
            int column = 3 + int(columns.size());
            for (const RelationshipDescription* relationship : toOnes) {
                const int index = row.entity->relationshipIndex(relationship->name());
                if (index >= 0 && row.entity->relationships()[size_t(index)] == relationship
                    && !statement.isNull(column)) {
                    const EntityDescription* target = relationship->destinationEntity();
                    if (!statement.isNull(column + 1)) {
                        const EntityDescription* concrete
                            = m_schema.entityForNumber(int(statement.int64(column + 1)));
                        if (concrete && concrete->isKindOfEntity(target))
                            target = concrete;
                    }
                    row.toOne[size_t(index)] = objectID(target, statement.int64(column));
                }
                column += 2;
            }
        }
        rows.push_back(std::move(row));
    }
    if (result != SQLITE_DONE)
        return Error::set(error, readError());
    return true;
}

std::optional<StoreReader::Row> StoreReader::fetchRow(
    const EntityDescription* entity, qint64 primaryKey, Error* error) const
{
    std::vector<Row> rows;
    const SqlFilter filter { QStringLiteral("t.Z_PK = ?"), { primaryKey } };
    if (!fetchRows(entity->selfAndDescendants(), nullptr, &filter, rows, error) || rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

std::optional<QVariant> StoreReader::fetchValue(const EntityDescription* entity, qint64 primaryKey,
    const AttributeDescription* attribute, Error* error) const
{
    const QString column = m_schema.column(attribute);
    if (column.isEmpty())
        return QVariant();
    SqliteStatement statement = m_db.prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE Z_PK = ?").arg(column, m_schema.tableName(entity)));
    if (!statement.isValid()) {
        Error::set(error, readError());
        return std::nullopt;
    }
    statement.bindInt64(1, primaryKey);
    const int result = statement.step();
    if (result == SQLITE_ROW)
        return attribute->fromStored(statement.value(0));
    if (result != SQLITE_DONE)
        Error::set(error, readError());
    return std::nullopt;
}

std::optional<StoreReader::OpenedValue> StoreReader::openValue(const EntityDescription* entity,
    qint64 primaryKey, const AttributeDescription* attribute, Error* error) const
{
    OpenedValue opened;
    const QString column = m_schema.column(attribute);
    if (column.isEmpty())
        return opened;
    const QString table = m_schema.tableName(entity);
    // typeof() and a number's length() read no text or blob; the row's own id opens the value
    // as a blob handle, which knows its size from the record's header alone.
    SqliteStatement statement = m_db.prepare(
        QStringLiteral("SELECT rowid, typeof(%1), length(CASE WHEN typeof(%1) IN ('integer', "
                       "'real') THEN %1 END) FROM %2 WHERE Z_PK = ?")
            .arg(column, table));
    if (!statement.isValid()) {
        Error::set(error, readError());
        return std::nullopt;
    }
    statement.bindInt64(1, primaryKey);
    const int result = statement.step();
    if (result != SQLITE_ROW) {
        if (result != SQLITE_DONE) {
            Error::set(error, readError());
            return std::nullopt;
        }
        return opened;
    }
    opened.rowFound = true;
    const QString type = statement.text(1);
    opened.isText = type == QLatin1String("text");
    if (!opened.isText && type != QLatin1String("blob")) {
        opened.length = statement.int64(2);
        return opened;
    }
    const qint64 rowid = statement.int64(0);
    statement.reset();
    const int code = sqlite3_blob_open(m_db.handle(), "main", table.toUtf8().constData(),
        column.toUtf8().constData(), rowid, 0, &opened.blob);
    if (code != SQLITE_OK) {
        sqlite3_blob_close(opened.blob);
        Error::set(error, m_db.storeError(code, QStringLiteral("The notes could not be read.")));
        return std::nullopt;
    }
    opened.length = sqlite3_blob_bytes(opened.blob);
    return opened;
}

bool StoreReader::readValue(const OpenedValue& value, qint64 offset, int count, char* into)
{
    return sqlite3_blob_read(value.blob, into, count, int(offset)) == SQLITE_OK;
}

void StoreReader::closeValue(OpenedValue& value)
{
    sqlite3_blob_close(value.blob);
    value.blob = nullptr;
}

qint64 StoreReader::countRows(const std::vector<const EntityDescription*>& entities,
    const SqlFilter* filter, Error* error) const
{
    if (entities.empty())
        return 0;
    SqliteStatement statement
        = m_db.prepare(QStringLiteral("SELECT COUNT(*)") + fromClause(entities, filter));
    if (!statement.isValid()) {
        Error::set(error, readError());
        return -1;
    }
    if (filter) {
        for (int i = 0; i < filter->binds.size(); ++i)
            statement.bind(i + 1, filter->binds[i]);
    }
    if (statement.step() != SQLITE_ROW) {
        Error::set(error, readError());
        return -1;
    }
    return statement.int64(0);
}

std::optional<QVariant> StoreReader::fetchExtreme(
    const std::vector<const EntityDescription*>& entities, const AttributeDescription* attribute,
    bool maximum, const SqlFilter* filter, Error* error) const
{
    const QString column = m_schema.column(attribute);
    if (entities.empty() || column.isEmpty() || attribute->isTransient())
        return std::nullopt;
    // Memory orders the converted values; SQL orders what is stored. They agree only for
    // stored numbers whose conversion keeps their order, so anything else is counted and
    // left to the caller.
    QString numeric;
    switch (attribute->type()) {
    case AttributeDescription::Type::Integer16:
        numeric = QStringLiteral("typeof(t.%1) = 'integer' AND t.%1 BETWEEN -32768 AND 32767");
        break;
    case AttributeDescription::Type::Integer32:
        numeric = QStringLiteral(
            "typeof(t.%1) = 'integer' AND t.%1 BETWEEN -2147483648 AND 2147483647");
        break;
    case AttributeDescription::Type::Integer64:
        numeric = QStringLiteral("typeof(t.%1) = 'integer'");
        break;
    case AttributeDescription::Type::Double:
    case AttributeDescription::Type::Date:
        numeric = QStringLiteral("typeof(t.%1) IN ('integer', 'real')");
        break;
    default:
        return std::nullopt;
    }
    const QString sql
        = QStringLiteral("SELECT %1(t.%2), COUNT(t.%2) - COUNT(CASE WHEN %3 THEN 1 END)")
              .arg(maximum ? QStringLiteral("MAX") : QStringLiteral("MIN"), column,
                  numeric.arg(column))
        + fromClause(entities, filter);
    SqliteStatement statement = m_db.prepare(sql);
    if (!statement.isValid()) {
        Error::set(error, readError());
        return std::nullopt;
    }
    if (filter) {
        for (int i = 0; i < filter->binds.size(); ++i)
            statement.bind(i + 1, filter->binds[i]);
    }
    if (statement.step() != SQLITE_ROW) {
        Error::set(error, readError());
        return std::nullopt;
    }
    if (statement.int64(1) != 0)
        return std::nullopt;
    return attribute->fromStored(statement.value(0));
}

bool StoreReader::fetchRelated(const RelationshipDescription* relationship,
    const std::vector<qint64>& ownerKeys, std::vector<std::pair<qint64, ManagedObjectID>>& result,
    Error* error) const
{
    const EntityDescription* destination = relationship->destinationEntity();
    const QString table = m_schema.tableName(destination);
    QString sql;
    if (const StoreSchema::JoinTable* join = m_schema.joinTable(relationship)) {
        const bool owner = join->ownerRelationship == relationship;
        const QString mine = owner ? join->ownerColumn : join->otherColumn;
        const QString theirs = owner ? join->otherColumn : join->ownerColumn;
        sql = QStringLiteral("SELECT j.%4, d.Z_PK, d.Z_ENT FROM %1 j JOIN %2 d ON d.Z_PK = j.%3 "
                             "WHERE j.%4 IN (%5) ORDER BY j.%4, d.Z_PK")
                  .arg(join->table, table, theirs, mine);
    } else if (const RelationshipDescription* inverse = relationship->inverseRelationship();
               inverse && !inverse->isToMany()) {
        sql = QStringLiteral("SELECT d.%2, d.Z_PK, d.Z_ENT FROM %1 d WHERE d.%2 IN (%3) "
                             "ORDER BY d.%2, d.Z_PK")
                  .arg(table, m_schema.column(inverse));
    } else {
        return true;
    }
    // Keys go into the text in batches, well below SQLite's limits on statement length.
    constexpr size_t kBatch = 500;
    for (size_t start = 0; start < ownerKeys.size(); start += kBatch) {
        const size_t end = std::min(ownerKeys.size(), start + kBatch);
        QString keys;
        for (size_t i = start; i < end; ++i) {
            if (i > start)
                keys += QLatin1Char(',');
            keys += QString::number(ownerKeys[i]);
        }
        SqliteStatement statement = m_db.prepare(sql.arg(keys));
        if (!statement.isValid())
            return Error::set(error, readError());
        int step;
        while ((step = statement.step()) == SQLITE_ROW) {
            const EntityDescription* entity = m_schema.entityForNumber(int(statement.int64(2)));
            if (entity && entity->isKindOfEntity(destination))
                result.emplace_back(statement.int64(0), objectID(entity, statement.int64(1)));
        }
        if (step != SQLITE_DONE)
            return Error::set(error, readError());
    }
    return true;
}

} // namespace platform
