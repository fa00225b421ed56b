#include "StoreWriter.h"

#include <sqlite3.h>

#include <QHash>

#include <QStringList>
#include <algorithm>

namespace platform {

StoreWriter::StoreWriter(SqliteDatabase& db, StoreSchema& schema, QString journalModePragma)
    : m_db(db), m_schema(schema), m_journalModePragma(std::move(journalModePragma))
{ }

bool StoreWriter::begin(const QString& failure, Error* error)
{
    if (!m_journalModePragma.isEmpty()) {
        SqliteStatement pragma = m_db.prepare(m_journalModePragma);
        if (pragma.isValid())
            pragma.step();
    }
    if (m_db.exec(QStringLiteral("BEGIN IMMEDIATE")) != SQLITE_OK)
        return Error::set(error, m_db.storeError(m_db.extendedErrorCode(), failure));
    return true;
}

std::optional<qint64> StoreWriter::largestKey(const EntityDescription* root)
{
    QStringList numbers;
    for (const EntityDescription* entity : root->selfAndDescendants())
        numbers << QString::number(m_schema.entityNumber(entity));
    SqliteStatement query = m_db.prepare(
        QStringLiteral("SELECT max(COALESCE((SELECT max(Z_MAX) FROM Z_PRIMARYKEY WHERE "
                       "Z_ENT IN (%1)), 0), COALESCE((SELECT max(Z_PK) FROM %2), 0))")
            .arg(numbers.join(QLatin1Char(',')), m_schema.tableName(root)));
    if (!query.isValid() || query.step() != SQLITE_ROW)
        return std::nullopt;
    return query.int64(0);
}

bool StoreWriter::reserveKeys(const EntityDescription* entity, qint64 count, qint64* first,
    const QString& failure, Error* error)
{
    if (!begin(failure, error))
        return false;
    const EntityDescription* root = entity->rootEntity();
    const std::optional<qint64> largest = largestKey(root);
    bool ok = largest.has_value();
    if (ok) {
        SqliteStatement update
            = m_db.prepare(QStringLiteral("UPDATE Z_PRIMARYKEY SET Z_MAX = ? WHERE Z_ENT = ?"));
        update.bindInt64(1, *largest + count);
        update.bindInt64(2, m_schema.entityNumber(root));
        ok = update.isValid() && update.step() == SQLITE_DONE
            && m_db.exec(QStringLiteral("COMMIT")) == SQLITE_OK;
    }
    if (!ok) {
        Error::set(error, m_db.storeError(m_db.extendedErrorCode(), failure));
        m_db.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    *first = *largest + 1;
    return true;
}

bool StoreWriter::writeMetadata(const QString* storeUUID, const QByteArray& metadata)
{
    SqliteStatement write = m_db.prepare(storeUUID
            ? QStringLiteral("INSERT INTO Z_METADATA (Z_VERSION, Z_UUID, Z_PLIST) VALUES (1, ?, ?)")
            : QStringLiteral("UPDATE Z_METADATA SET Z_PLIST = ?"));
    int index = 1;
    if (storeUUID)
        write.bindText(index++, *storeUUID);
    write.bind(index, metadata);
    return write.isValid() && write.step() == SQLITE_DONE;
}

bool StoreWriter::migrate(const ManagedObjectModel& model, const QString& storeUUID,
    const QByteArray& metadata, const QString& failure, Error* error)
{
    const bool newFile = m_schema.isEmptyFile();
    if (!begin(failure, error))
        return false;
    bool ok = m_schema.apply(m_db, error);
    if (ok && !writeMetadata(newFile ? &storeUUID : nullptr, metadata)) {
        ok = false;
        Error::set(error, m_db.storeError(m_db.extendedErrorCode(), failure));
    }
    if (ok && m_db.exec(QStringLiteral("COMMIT")) != SQLITE_OK) {
        ok = false;
        Error::set(error, m_db.storeError(m_db.extendedErrorCode(), failure));
    }
    if (!ok) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        // Re-read the untouched file so the in-memory layout matches it again.
        StoreSchema::read(m_db, model, m_schema, nullptr);
    }
    return ok;
}

qint64 StoreWriter::dataVersion()
{
    SqliteStatement query = m_db.prepare(QStringLiteral("PRAGMA data_version"));
    return query.isValid() && query.step() == SQLITE_ROW ? query.int64(0) : -1;
}

bool StoreWriter::save(const SaveRequest& request, const QByteArray& metadata,
    std::vector<qint64>& insertedKeys, Error* error, qint64 expectedDataVersion)
{
    const QString failure = QStringLiteral("The notes could not be saved.");
    if (!begin(failure, error))
        return false;
    if (expectedDataVersion >= 0 && dataVersion() != expectedDataVersion) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        return Error::set(error,
            Error(kCocoaErrorDomain, PersistentStoreSaveConflictsError, failure,
                QStringLiteral("Another copy of the application saved the file meanwhile.")));
    }

    bool ok = true;
    auto fail = [&]() {
        if (ok)
            Error::set(error, m_db.storeError(m_db.extendedErrorCode(), failure));
        ok = false;
    };
    auto run = [&](SqliteStatement& statement) {
        if (!statement.isValid() || statement.step() != SQLITE_DONE)
            fail();
        return ok;
    };

    // Keys come from the root's Z_MAX, checked against the table in case another program
    // wrote rows without keeping Z_MAX.
    std::vector<qint64> keys(request.inserts.size(), 0);
    QHash<const EntityDescription*, qint64> nextKey;
    // Objects coming back under their old keys may be written in the same save: new keys
    // start above theirs.
    QHash<const EntityDescription*, qint64> keptKeys;
    for (const SaveRequest::Change& insert : request.inserts) {
        qint64& kept = keptKeys[insert.ref.entity->rootEntity()];
        kept = std::max(kept, insert.ref.primaryKey);
    }
    for (size_t i = 0; ok && i < request.inserts.size(); ++i) {
        if (request.inserts[i].ref.primaryKey > 0) {
            // An object whose delete was saved and then undone comes back under its old key.
            keys[i] = request.inserts[i].ref.primaryKey;
            continue;
        }
        const EntityDescription* root = request.inserts[i].ref.entity->rootEntity();
        auto it = nextKey.find(root);
        if (it == nextKey.end()) {
            const std::optional<qint64> largest = largestKey(root);
            if (!largest) {
                fail();
                break;
            }
            it = nextKey.insert(root, std::max(*largest, keptKeys.value(root)) + 1);
        }
        keys[i] = it.value()++;
    }
    auto keyOf = [&](const SaveRequest::Ref& ref) -> qint64 {
        return ref.insertIndex >= 0 ? keys[size_t(ref.insertIndex)] : ref.primaryKey;
    };
    auto bindToOne = [&](SqliteStatement& statement, int& index,
                         const std::pair<const RelationshipDescription*, SaveRequest::Ref>& link) {
        if (link.second.entity)
            statement.bindInt64(index++, keyOf(link.second));
        else
            statement.bind(index++, QVariant());
        if (!m_schema.entityColumn(link.first).isEmpty()) {
            if (link.second.entity)
                statement.bindInt64(index++, m_schema.entityNumber(link.second.entity));
            else
                statement.bind(index++, QVariant());
        }
    };
    auto toOneColumns = [&](const RelationshipDescription* relationship) {
        QStringList names { m_schema.column(relationship) };
        if (!m_schema.entityColumn(relationship).isEmpty())
            names << m_schema.entityColumn(relationship);
        return names;
    };

    for (size_t i = 0; ok && i < request.inserts.size(); ++i) {
        const SaveRequest::Change& change = request.inserts[i];
        QStringList names { QStringLiteral("Z_PK"), QStringLiteral("Z_ENT"),
            QStringLiteral("Z_OPT") };
        for (const auto& [attribute, value] : change.attributes)
            names << m_schema.column(attribute);
        for (const auto& link : change.toOne)
            names << toOneColumns(link.first);
        QStringList marks;
        for (int n = 0; n < names.size(); ++n)
            marks << QStringLiteral("?");
        QString merge;
        if (request.insertsMergeIntoRows) {
            QStringList assignments;
            for (const QString& name : names.mid(1))
                assignments << QStringLiteral("%1 = excluded.%1").arg(name);
            merge = QStringLiteral(" ON CONFLICT(Z_PK) DO UPDATE SET ")
                + assignments.join(QLatin1Char(','));
        }
        SqliteStatement statement = m_db.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)%4")
                .arg(m_schema.tableName(change.ref.entity), names.join(QLatin1Char(',')),
                    marks.join(QLatin1Char(',')), merge));
        if (!statement.isValid()) {
            fail();
            break;
        }
        int index = 1;
        statement.bindInt64(index++, keys[i]);
        statement.bindInt64(index++, m_schema.entityNumber(change.ref.entity));
        statement.bindInt64(index++, 1);
        for (const auto& [attribute, value] : change.attributes)
            statement.bind(index++, value);
        for (const auto& link : change.toOne)
            bindToOne(statement, index, link);
        run(statement);
    }
    for (auto it = nextKey.cbegin(); ok && it != nextKey.cend(); ++it) {
        SqliteStatement statement
            = m_db.prepare(QStringLiteral("UPDATE Z_PRIMARYKEY SET Z_MAX = ? WHERE Z_ENT = ?"));
        statement.bindInt64(1, it.value() - 1);
        statement.bindInt64(2, m_schema.entityNumber(it.key()));
        run(statement);
    }
    for (size_t i = 0; ok && i < request.updates.size(); ++i) {
        const SaveRequest::Change& change = request.updates[i];
        QString assignments = QStringLiteral("Z_OPT = COALESCE(Z_OPT, 0) + 1");
        for (const auto& [attribute, value] : change.attributes)
            assignments += QStringLiteral(", %1 = ?").arg(m_schema.column(attribute));
        for (const auto& link : change.toOne) {
            for (const QString& name : toOneColumns(link.first))
                assignments += QStringLiteral(", %1 = ?").arg(name);
        }
        SqliteStatement statement
            = m_db.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE Z_PK = ?")
                               .arg(m_schema.tableName(change.ref.entity), assignments));
        if (!statement.isValid()) {
            fail();
            break;
        }
        int index = 1;
        for (const auto& [attribute, value] : change.attributes)
            statement.bind(index++, value);
        for (const auto& link : change.toOne)
            bindToOne(statement, index, link);
        statement.bindInt64(index, change.ref.primaryKey);
        run(statement);
    }
    for (size_t i = 0; ok && i < request.deletes.size(); ++i) {
        const SaveRequest::Ref& ref = request.deletes[i];
        SqliteStatement statement = m_db.prepare(
            QStringLiteral("DELETE FROM %1 WHERE Z_PK = ?").arg(m_schema.tableName(ref.entity)));
        statement.bindInt64(1, ref.primaryKey);
        run(statement);
        for (const StoreSchema::JoinTable* join : m_schema.joinTablesFor(ref.entity)) {
            const bool owner = ref.entity->isKindOfEntity(join->ownerRelationship->entity());
            SqliteStatement unlink = m_db.prepare(
                QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                    .arg(join->table, owner ? join->ownerColumn : join->otherColumn));
            unlink.bindInt64(1, ref.primaryKey);
            if (!run(unlink))
                break;
        }
    }
    for (size_t i = 0; ok && i < request.toMany.size(); ++i) {
        const SaveRequest::ToMany& change = request.toMany[i];
        const StoreSchema::JoinTable* join = m_schema.joinTable(change.relationship);
        // The owning side carries the whole set; the inverse side mirrors it in memory.
        if (!join || join->ownerRelationship != change.relationship)
            continue;
        const qint64 owner = keyOf(change.owner);
        SqliteStatement clear = m_db.prepare(
            QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(join->table, join->ownerColumn));
        clear.bindInt64(1, owner);
        if (!run(clear))
            break;
        SqliteStatement insert
            = m_db.prepare(QStringLiteral("INSERT OR IGNORE INTO %1 (%2, %3) VALUES (?, ?)")
                               .arg(join->table, join->ownerColumn, join->otherColumn));
        for (const SaveRequest::Ref& target : change.targets) {
            insert.bindInt64(1, owner);
            insert.bindInt64(2, keyOf(target));
            if (!run(insert))
                break;
            insert.reset();
        }
    }
    if (ok && !metadata.isEmpty() && !writeMetadata(nullptr, metadata))
        fail();
    if (ok && m_db.exec(QStringLiteral("COMMIT")) != SQLITE_OK)
        fail();
    if (!ok) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    insertedKeys = std::move(keys);
    return true;
}

} // namespace platform
