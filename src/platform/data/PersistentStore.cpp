#include "PersistentStore.h"

#include "SqlPredicateFilter.h"

#include "platform/foundation/Localized.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>

namespace platform {

namespace {

constexpr int kDefaultBusyTimeoutMs = 2000;
constexpr int kCacheSizeKiB = 8 * 1024;

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

Error fileError(int code, const QString& description, const QString& reason = {})
{
    return Error(kCocoaErrorDomain, code, localized(description), reason);
}

// Checks the file header before SQLite sees the file, so that neither a foreign file nor a
// truncated store is ever touched.
bool validateHeader(const QString& path, Error* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error::set(error,
            fileError(FileReadNoPermissionError,
                QStringLiteral("The notes store could not be read."), file.errorString()));
    const qint64 size = file.size();
    if (size == 0)
        return true;
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return Error::set(error,
            fileError(FileReadCorruptFileError, QStringLiteral("The file is not a notes store."),
                QStringLiteral("The file is not an SQLite database.")));
    auto bigEndian = [&header](int offset, int bytes) {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | quint8(header[offset + i]);
        return value;
    };
    quint64 pageSize = bigEndian(16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    const quint64 pageCount = bigEndian(28, 4);
    const bool countIsValid = bigEndian(92, 4) == bigEndian(24, 4);
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || qint64(pageSize) > size
        || (countIsValid && pageCount * pageSize > quint64(size)))
        return Error::set(error,
            fileError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
                QStringLiteral("The file is shorter than its header "
                               "says; it was probably truncated.")));
    return true;
}

QString pragmaValue(const QVariant& value)
{
    bool isNumber = false;
    value.toString().toLongLong(&isNumber);
    if (isNumber)
        return value.toString();
    QString text = value.toString();
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

PersistentStore::~PersistentStore() = default;

std::shared_ptr<PersistentStore> PersistentStore::open(
    std::shared_ptr<const ManagedObjectModel> model, const QUrl& url, const QVariantMap& options,
    Error* error)
{
    if (!url.isLocalFile()) {
        Error::set(error,
            fileError(FileNoSuchFileError, QStringLiteral("The notes store could not be opened."),
                QStringLiteral("The store location is not a local file.")));
        return {};
    }
    std::shared_ptr<PersistentStore> store(new PersistentStore());
    store->m_model = std::move(model);
    store->m_options = options;
    store->m_readOnly = options.value(ReadOnlyPersistentStoreOption).toBool();
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists) {
        if (!validateHeader(path, error))
            return {};
        if (!store->m_readOnly
            && (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable())) {
            Error::set(error,
                fileError(FileWriteNoPermissionError,
                    QStringLiteral("The notes store is read-only."),
                    QStringLiteral("You don't have permission to change "
                                   "the file or its folder.")));
            return {};
        }
    } else if (store->m_readOnly) {
        Error::set(error,
            fileError(FileNoSuchFileError, QStringLiteral("The notes store could not be opened."),
                QStringLiteral("The file does not exist.")));
        return {};
    }
    if (!store->openFile(path, !exists, error))
        return {};
    const bool isNewFile = !exists || info.size() == 0;
    if (!store->prepareSchema(isNewFile, error)) {
        store->m_db.close();
        if (!exists)
            QFile::remove(path);
        return {};
    }
    return store;
}

bool PersistentStore::openFile(const QString& path, bool create, Error* error)
{
    const int result = m_db.open(path, m_readOnly, create);
    if (result != SQLITE_OK)
        return Error::set(error,
            sqliteError(result,
                QStringLiteral("The notes store could not "
                               "be opened.")));
    m_path = QFileInfo(path).absoluteFilePath();
    // The wait for another program's lock applies from the first read on.
    const QVariant timeout
        = m_options.value(SQLitePragmasOption).toMap().value(QStringLiteral("busy_timeout"));
    m_db.exec(QStringLiteral("PRAGMA busy_timeout = %1")
                  .arg(timeout.isValid() ? timeout.toInt() : kDefaultBusyTimeoutMs));
    // Room for the pages of a notes file of some thousand notes, so that fetching again reads
    // them from memory (SQLite drops the cache by itself when another connection changed the
    // file); bounded, since it counts against the program's memory.
    m_db.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kCacheSizeKiB));
    SqlPredicateFilter::registerFunctions(m_db.handle());
    return true;
}

bool PersistentStore::prepareSchema(bool isNewFile, Error* error)
{
    if (!StoreSchema::read(m_db, *m_model, m_schema, error))
        return false;
    const StoreMetadata current = StoreMetadata::forModel(*m_model);
    bool rewriteMetadata = false;
    if (m_schema.isEmptyFile()) {
        if (m_readOnly)
            return Error::set(error,
                fileError(FileReadCorruptFileError,
                    QStringLiteral("The file is not a notes store."),
                    QStringLiteral("The database is empty.")));
        m_uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        m_metadata = current;
        rewriteMetadata = true;
    } else {
        SqliteStatement statement
            = m_db.prepare(QStringLiteral("SELECT Z_UUID, Z_PLIST FROM Z_METADATA LIMIT 1"));
        if (!statement.isValid() || statement.step() != SQLITE_ROW || statement.isNull(0))
            return Error::set(error,
                fileError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
                    QStringLiteral("The store has no metadata.")));
        m_uuid = statement.text(0);
        const std::optional<StoreMetadata> stored = StoreMetadata::fromPlist(statement.blob(1));
        if (m_uuid.isEmpty() || !stored)
            return Error::set(error,
                fileError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
                    QStringLiteral("The store metadata is unreadable.")));
        m_metadata = *stored;
        if (stored->modelVersion && *stored->modelVersion > m_model->version())
            return Error::set(error,
                fileError(PersistentStoreIncompatibleVersionHashError,
                    QStringLiteral("This notes file was made by a newer version of the "
                                   "application."),
                    QStringLiteral("The store's model version %1 is newer than this "
                                   "application's version %2.")
                        .arg(*stored->modelVersion)
                        .arg(m_model->version())));
        rewriteMetadata = stored->entityHashes != current.entityHashes
            || stored->modelVersion != current.modelVersion
            || stored->versionIdentifiers != current.versionIdentifiers;
    }
    const bool needsWrite = rewriteMetadata || m_schema.needsChanges();
    if (needsWrite && !m_schema.isEmptyFile()) {
        if (!m_options.value(MigratePersistentStoresAutomaticallyOption).toBool() || m_readOnly)
            return Error::set(error,
                fileError(PersistentStoreIncompatibleVersionHashError,
                    QStringLiteral("The notes store was made with another "
                                   "version of the data model."),
                    m_readOnly ? QStringLiteral("The store is opened "
                                                "read-only.")
                               : QStringLiteral("Automatic migration is "
                                                "not enabled.")));
    }
    if (isNewFile && !m_readOnly)
        m_db.exec(QStringLiteral("PRAGMA auto_vacuum = 2"));
    // Pragmas such as the journal mode run only once the file is known to be ours.
    const QVariantMap pragmas = m_options.value(SQLitePragmasOption).toMap();
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_]+$"));
    for (auto it = pragmas.cbegin(); it != pragmas.cend(); ++it) {
        if (!identifier.match(it.key()).hasMatch())
            continue;
        SqliteStatement pragma
            = m_db.prepare(QStringLiteral("PRAGMA %1 = %2").arg(it.key(), pragmaValue(it.value())));
        if (pragma.isValid())
            pragma.step();
    }
    if (!needsWrite)
        return true;

    if (m_db.exec(QStringLiteral("BEGIN IMMEDIATE")) != SQLITE_OK)
        return Error::set(error,
            sqliteError(m_db.extendedErrorCode(),
                QStringLiteral("The notes store could not be "
                               "opened.")));
    bool ok = m_schema.apply(m_db, error);
    if (ok) {
        m_metadata = StoreMetadata::forModel(*m_model);
        SqliteStatement write = m_db.prepare(
            QStringLiteral("INSERT OR REPLACE INTO Z_METADATA (Z_VERSION, Z_UUID, Z_PLIST) "
                           "VALUES (1, ?, ?)"));
        write.bindText(1, m_uuid);
        write.bind(2, m_metadata.toPlist());
        if (write.step() != SQLITE_DONE) {
            ok = false;
            Error::set(error,
                sqliteError(m_db.extendedErrorCode(),
                    QStringLiteral("The notes store could not be opened.")));
        }
    }
    if (ok && m_db.exec(QStringLiteral("COMMIT")) != SQLITE_OK) {
        ok = false;
        Error::set(error,
            sqliteError(
                m_db.extendedErrorCode(), QStringLiteral("The notes store could not be opened.")));
    }
    if (!ok) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        // Re-read the untouched file so the in-memory layout matches it again.
        StoreSchema::read(m_db, *m_model, m_schema, nullptr);
    }
    return ok;
}

Error PersistentStore::sqliteError(int code, const QString& description) const
{
    const int primary = code & 0xff;
    int cocoaCode = PersistentStoreSaveError;
    QString reason;
    switch (primary) {
    case SQLITE_FULL:
        cocoaCode = FileWriteOutOfSpaceError;
        reason = localized(QStringLiteral("There isn't enough space on the disk."));
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        reason = localized(QStringLiteral("The notes store is in use by another program."));
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        cocoaCode = FileWriteNoPermissionError;
        reason = localized(QStringLiteral("The notes store is read-only."));
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        cocoaCode = FileReadCorruptFileError;
        reason = localized(QStringLiteral("The notes store is damaged."));
        break;
    case SQLITE_CANTOPEN:
        cocoaCode = FileReadNoPermissionError;
        reason = localized(QStringLiteral("The file could not be opened."));
        break;
    default:
        reason = m_db.errorMessage();
        break;
    }
    Error result(kCocoaErrorDomain, cocoaCode, localized(description), reason);
    result.setUnderlyingError(Error(SQLiteErrorDomain, code, m_db.errorMessage()));
    return result;
}

QUrl PersistentStore::url() const
{
    QMutexLocker locker(&m_mutex);
    return QUrl::fromLocalFile(m_path);
}

QVariantMap PersistentStore::metadata() const
{
    QMutexLocker locker(&m_mutex);
    QVariantMap result;
    result.insert(QStringLiteral("NSStoreType"), m_metadata.storeType);
    result.insert(QStringLiteral("NSStoreUUID"), m_uuid);
    result.insert(QStringLiteral("NSStoreModelVersionIdentifiers"), m_metadata.versionIdentifiers);
    return result;
}

bool PersistentStore::setURL(const QUrl& url, Error* error)
{
    QMutexLocker locker(&m_mutex);
    const QString path = url.toLocalFile();
    if (QFileInfo(path).absoluteFilePath() == m_path)
        return true;
    if (!QFileInfo::exists(path))
        return Error::set(error,
            fileError(FileNoSuchFileError, QStringLiteral("The notes store could not be moved."),
                QStringLiteral("No store file is at the new place.")));
    // Reopen so that SQLite's journal follows the file to its new place.
    SqliteDatabase moved;
    int result = moved.open(path, m_readOnly, false);
    QString uuid;
    if (result == SQLITE_OK) {
        SqliteStatement statement
            = moved.prepare(QStringLiteral("SELECT Z_UUID FROM Z_METADATA LIMIT 1"));
        if (statement.isValid() && statement.step() == SQLITE_ROW)
            uuid = statement.text(0);
    }
    if (uuid != m_uuid)
        return Error::set(error,
            fileError(FileReadCorruptFileError,
                QStringLiteral("The notes store could not be moved."),
                QStringLiteral("The file at the new place is another "
                               "store.")));
    moved.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kDefaultBusyTimeoutMs));
    moved.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kCacheSizeKiB));
    SqlPredicateFilter::registerFunctions(moved.handle());
    m_db = std::move(moved);
    m_path = QFileInfo(path).absoluteFilePath();
    return true;
}

bool PersistentStore::migrateToURL(const QUrl& url, Error* error)
{
    QMutexLocker locker(&m_mutex);
    const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
    if (path == m_path)
        return true;
    if (QFileInfo::exists(path) && !QFile::remove(path))
        return Error::set(error,
            fileError(FileWriteNoPermissionError,
                QStringLiteral("The notes store could not be copied."),
                QStringLiteral("The file at the new place could not "
                               "be replaced.")));
    const int result = m_db.backupTo(path);
    if (result != SQLITE_OK) {
        QFile::remove(path);
        return Error::set(error,
            sqliteError(result,
                QStringLiteral("The notes store could not "
                               "be copied.")));
    }
    SqliteDatabase copy;
    if (copy.open(path, false, false) != SQLITE_OK)
        return Error::set(error,
            sqliteError(copy.errorCode(),
                QStringLiteral("The notes store could not be "
                               "copied.")));
    copy.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kDefaultBusyTimeoutMs));
    SqlPredicateFilter::registerFunctions(copy.handle());
    const QVariantMap pragmas = m_options.value(SQLitePragmasOption).toMap();
    if (pragmas.contains(QStringLiteral("journal_mode")))
        copy.exec(QStringLiteral("PRAGMA journal_mode = %1")
                      .arg(pragmaValue(pragmas.value(QStringLiteral("journal_mode")))));
    m_db = std::move(copy);
    m_path = path;
    m_readOnly = false;
    return true;
}

QString PersistentStore::relatedRowsClause(
    const RelationshipDescription* relationship, const QString& alias, QString& ownerKey) const
{
    QMutexLocker locker(&m_mutex);
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

const EntityDescription* PersistentStore::entityForNumber(int number) const
{
    return m_schema.entityForNumber(number);
}

QString PersistentStore::columnName(const AttributeDescription* attribute) const
{
    return m_schema.column(attribute);
}

QString PersistentStore::fromClause(
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

bool PersistentStore::fetchRows(const std::vector<const EntityDescription*>& entities,
    const std::vector<QString>* attributes, const SqlFilter* filter, std::vector<Row>& rows,
    Error* error, const ValuesWanted& wanted)
{
    QMutexLocker locker(&m_mutex);
    if (entities.empty())
        return true;
    // Columns: the union of the attributes of every fetched entity, deduplicated by column.
    std::vector<const AttributeDescription*> columns;
    std::vector<const RelationshipDescription*> toOnes;
    for (const EntityDescription* entity : entities) {
        for (const AttributeDescription* attribute : entity->attributes()) {
            if (attribute->isTransient() || m_schema.column(attribute).isEmpty())
                continue;
            const bool wanted = attributes
                ? std::find(attributes->begin(), attributes->end(), attribute->name())
                    != attributes->end()
                : !attribute->isLoadedLazily();
            if (wanted && std::find(columns.begin(), columns.end(), attribute) == columns.end())
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
        return Error::set(error,
            sqliteError(m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
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
        return Error::set(error,
            sqliteError(m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
    return true;
}

std::optional<PersistentStore::Row> PersistentStore::fetchRow(
    const EntityDescription* entity, qint64 primaryKey, Error* error)
{
    QMutexLocker locker(&m_mutex);
    std::vector<Row> rows;
    const SqlFilter filter { QStringLiteral("t.Z_PK = ?"), { primaryKey } };
    if (!fetchRows(entity->selfAndDescendants(), nullptr, &filter, rows, error) || rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

std::optional<QVariant> PersistentStore::fetchValue(const EntityDescription* entity,
    qint64 primaryKey, const AttributeDescription* attribute, Error* error)
{
    QMutexLocker locker(&m_mutex);
    const QString column = m_schema.column(attribute);
    if (column.isEmpty())
        return QVariant();
    SqliteStatement statement = m_db.prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE Z_PK = ?").arg(column, m_schema.tableName(entity)));
    if (!statement.isValid()) {
        Error::set(error,
            sqliteError(m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
        return std::nullopt;
    }
    statement.bindInt64(1, primaryKey);
    const int result = statement.step();
    if (result == SQLITE_ROW)
        return attribute->fromStored(statement.value(0));
    if (result != SQLITE_DONE)
        Error::set(error,
            sqliteError(m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
    return std::nullopt;
}

bool PersistentStore::fetchRelated(const RelationshipDescription* relationship, qint64 ownerKey,
    std::vector<ManagedObjectID>& result, Error* error)
{
    std::vector<std::pair<qint64, ManagedObjectID>> related;
    if (!fetchRelated(relationship, std::vector<qint64>{ownerKey}, related, error))
        return false;
    result.reserve(result.size() + related.size());
    for (auto& [owner, id] : related)
        result.push_back(std::move(id));
    return true;
}

qint64 PersistentStore::countRows(
    const std::vector<const EntityDescription*>& entities, const SqlFilter* filter, Error* error)
{
    QMutexLocker locker(&m_mutex);
    if (entities.empty())
        return 0;
    SqliteStatement statement
        = m_db.prepare(QStringLiteral("SELECT COUNT(*)") + fromClause(entities, filter));
    if (!statement.isValid()) {
        Error::set(error,
            sqliteError(m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
        return -1;
    }
    if (filter) {
        for (int i = 0; i < filter->binds.size(); ++i)
            statement.bind(i + 1, filter->binds[i]);
    }
    if (statement.step() != SQLITE_ROW) {
        Error::set(error,
            sqliteError(m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
        return -1;
    }
    return statement.int64(0);
}

std::optional<QVariant> PersistentStore::fetchExtreme(
    const std::vector<const EntityDescription*>& entities, const AttributeDescription* attribute,
    bool maximum, const SqlFilter* filter, Error* error)
{
    QMutexLocker locker(&m_mutex);
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
        Error::set(error,
            sqliteError(m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
        return std::nullopt;
    }
    if (filter) {
        for (int i = 0; i < filter->binds.size(); ++i)
            statement.bind(i + 1, filter->binds[i]);
    }
    if (statement.step() != SQLITE_ROW) {
        Error::set(error,
            sqliteError(m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
        return std::nullopt;
    }
    if (statement.int64(1) != 0)
        return std::nullopt;
    return attribute->fromStored(statement.value(0));
}

bool PersistentStore::fetchRelated(const RelationshipDescription* relationship,
    const std::vector<qint64>& ownerKeys, std::vector<std::pair<qint64, ManagedObjectID>>& result,
    Error* error)
{
    QMutexLocker locker(&m_mutex);
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
            return Error::set(error,
                sqliteError(
                    m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
        int step;
        while ((step = statement.step()) == SQLITE_ROW) {
            const EntityDescription* entity = m_schema.entityForNumber(int(statement.int64(2)));
            if (entity && entity->isKindOfEntity(destination))
                result.emplace_back(statement.int64(0), objectID(entity, statement.int64(1)));
        }
        if (step != SQLITE_DONE)
            return Error::set(error,
                sqliteError(
                    m_db.extendedErrorCode(), QStringLiteral("The notes could not be read.")));
    }
    return true;
}

bool PersistentStore::save(
    const SaveRequest& request, std::vector<qint64>& insertedKeys, Error* error)
{
    QMutexLocker locker(&m_mutex);
    const QString failure = QStringLiteral("The notes could not be saved.");
    if (m_readOnly)
        return Error::set(error,
            fileError(FileWriteNoPermissionError, failure,
                localized(QStringLiteral("The notes store is "
                                         "read-only."))));
    if (m_db.exec(QStringLiteral("BEGIN IMMEDIATE")) != SQLITE_OK)
        return Error::set(error, sqliteError(m_db.extendedErrorCode(), failure));

    bool ok = true;
    auto fail = [&]() {
        if (ok)
            Error::set(error, sqliteError(m_db.extendedErrorCode(), failure));
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
    for (size_t i = 0; ok && i < request.inserts.size(); ++i) {
        if (request.inserts[i].ref.primaryKey > 0) {
            // An object whose delete was saved and then undone comes back under its old key.
            keys[i] = request.inserts[i].ref.primaryKey;
            continue;
        }
        const EntityDescription* root = request.inserts[i].ref.entity->rootEntity();
        auto it = nextKey.find(root);
        if (it == nextKey.end()) {
            SqliteStatement query = m_db.prepare(
                QStringLiteral("SELECT max(COALESCE((SELECT max(Z_MAX) FROM Z_PRIMARYKEY WHERE "
                               "Z_ENT IN (%1)), 0), COALESCE((SELECT max(Z_PK) FROM %2), 0))")
                    .arg(
                        [&] {
                            QStringList numbers;
                            for (const EntityDescription* e : root->selfAndDescendants())
                                numbers << QString::number(m_schema.entityNumber(e));
                            return numbers.join(QLatin1Char(','));
                        }(),
                        m_schema.tableName(root)));
            if (!query.isValid() || query.step() != SQLITE_ROW) {
                fail();
                break;
            }
            it = nextKey.insert(root, query.int64(0) + 1);
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
        SqliteStatement statement
            = m_db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(m_schema.tableName(change.ref.entity),
                                   names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
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
