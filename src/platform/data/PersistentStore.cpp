#include "PersistentStore.h"

#include "SqlPredicateFilter.h"
#include "StoreSalvage.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace platform {

namespace {

constexpr int kDefaultBusyTimeoutMs = 2000;
constexpr int kCacheSizeKiB = 8 * 1024;
const QString kJournalMode = QStringLiteral("journal_mode");
const QString kBusyTimeout = QStringLiteral("busy_timeout");

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
    // A save interrupted while it wrote leaves its journal beside the file, and the file may be
    // shorter than its header says until SQLite rolls the journal back on the first read.
    const bool interruptedSave = QFileInfo(path + QStringLiteral("-journal")).size() > 0;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || qint64(pageSize) > size
        || (countIsValid && !interruptedSave && pageCount * pageSize > quint64(size)))
        return Error::set(error,
            fileError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
                QStringLiteral("The file is shorter than its header "
                               "says; it was probably truncated.")));
    return true;
}

// The store's metadata, merged with this model's version, does not read back.
Error unwritableMetadataError()
{
    return fileError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
        QStringLiteral("The store metadata cannot be written back."));
}

// The store is no longer what was read: `description` names what happened to it.
Error damageError(int code, const QString& description, const QString& reason)
{
    return fileError(code, description, localized(reason));
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

int busyTimeout(const QVariantMap& options)
{
    const QVariant timeout = options.value(SQLitePragmasOption).toMap().value(kBusyTimeout);
    return timeout.isValid() ? timeout.toInt() : kDefaultBusyTimeoutMs;
}

QString journalModePragma(const QVariantMap& options)
{
    const QVariantMap pragmas = options.value(SQLitePragmasOption).toMap();
    if (!pragmas.contains(kJournalMode))
        return {};
    return QStringLiteral("PRAGMA journal_mode = %1").arg(pragmaValue(pragmas.value(kJournalMode)));
}

} // namespace

PersistentStore::PersistentStore(
    std::shared_ptr<const ManagedObjectModel> model, const QVariantMap& options)
    : m_model(std::move(model)),
      m_options(options),
      m_busyHandler(busyTimeout(options)),
      m_readOnly(options.value(ReadOnlyPersistentStoreOption).toBool()),
      m_reader(m_db, m_schema, m_uuid),
      m_writer(m_db, m_schema, journalModePragma(options))
{ }

PersistentStore::~PersistentStore() = default;

bool PersistentStore::isWritableLocation(const QUrl& url)
{
    // access() also answers for the superuser, whom an immutable file or a read-only mount
    // stops as well.
    const QString path = url.toLocalFile();
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0
        && ::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK) == 0;
}

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
    std::shared_ptr<PersistentStore> store(new PersistentStore(std::move(model), options));
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists) {
        if (!validateHeader(path, error))
            return {};
        const bool writable = isWritableLocation(url);
        if (!store->m_readOnly && !writable) {
            Error::set(error,
                fileError(FileWriteNoPermissionError,
                    QStringLiteral("The notes store is read-only."),
                    QStringLiteral("You don't have permission to change "
                                   "the file or its folder.")));
            return {};
        }
        store->m_immutable = store->m_readOnly && !writable;
    } else if (store->m_readOnly) {
        Error::set(error,
            fileError(FileNoSuchFileError, QStringLiteral("The notes store could not be opened."),
                QStringLiteral("The file does not exist.")));
        return {};
    }
    if (!store->openFile(path, !exists, error))
        return {};
    if (!store->prepareSchema(!exists, error)) {
        store->m_db.close();
        if (!exists)
            QFile::remove(path);
        return {};
    }
    store->m_seenDataVersion = store->m_writer.dataVersion();
    store->noteFileState();
    return store;
}

void PersistentStore::configure(SqliteDatabase& db, const QString& path)
{
    // The wait for another program's lock applies from the first read on.
    m_busyHandler.install(db, path);
    // Room for the pages of a notes file of some thousand notes, so that fetching again reads
    // them from memory (SQLite drops the cache by itself when another connection changed the
    // file); bounded, since it counts against the program's memory.
    db.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kCacheSizeKiB));
    SqlPredicateFilter::registerFunctions(db.handle());
}

bool PersistentStore::openFile(const QString& path, bool create, Error* error)
{
    const int result = m_db.open(path, m_readOnly, create, m_immutable);
    if (result != SQLITE_OK)
        return Error::set(
            error, m_db.storeError(result, QStringLiteral("The notes store could not be opened.")));
    m_path = QFileInfo(path).absoluteFilePath();
    configure(m_db, m_path);
    return true;
}

bool PersistentStore::prepareSchema(bool isNewFile, Error* error)
{
    if (!StoreSchema::read(m_db, *m_model, m_schema, error))
        return false;
    const StoreMetadata current = StoreMetadata::forModel(*m_model);
    if (m_schema.isEmptyFile()) {
        // Only a file being made now gets a schema: one that lost its contents is left as it is.
        if (!isNewFile)
            return Error::set(error,
                fileError(FileReadCorruptFileError,
                    QStringLiteral("The notes store is empty or damaged."),
                    QStringLiteral("The file holds no tables.")));
        // A file made anew under an open store keeps the store's UUID, and so its object IDs.
        if (m_uuid.isEmpty())
            m_uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    } else {
        SqliteStatement statement
            = m_db.prepare(QStringLiteral("SELECT Z_UUID, Z_PLIST FROM Z_METADATA LIMIT 1"));
        if (!statement.isValid() || statement.step() != SQLITE_ROW || statement.isNull(0))
            return Error::set(error,
                fileError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
                    QStringLiteral("The store has no metadata.")));
        m_uuid = statement.text(0);
        m_storedMetadata = statement.blob(1);
        const std::optional<StoreMetadata> stored = StoreMetadata::fromPlist(m_storedMetadata);
        if (m_uuid.isEmpty() || !stored)
            return Error::set(error,
                fileError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
                    QStringLiteral("The store metadata is unreadable.")));
        m_metadata = *stored;
        m_metadataIsCurrent = stored->modelVersion == current.modelVersion;
        if (stored->modelVersion && *stored->modelVersion > m_model->version())
            return Error::set(error,
                fileError(PersistentStoreIncompatibleVersionHashError,
                    QStringLiteral("This notes file was made by a newer version of the "
                                   "application."),
                    QStringLiteral("The store's model version %1 is newer than this "
                                   "application's version %2.")
                        .arg(*stored->modelVersion)
                        .arg(m_model->version())));
        if (const QString missing = missingContents(*stored); !missing.isEmpty())
            return Error::set(error,
                fileError(FileReadCorruptFileError,
                    QStringLiteral("The notes store is empty or damaged."), missing));
        // Version identifiers and hashes of another program (or of an older version of ours)
        // say nothing about whether this model can read the file: its tables and columns do.
        if (m_schema.needsChanges()
            && (!m_options.value(MigratePersistentStoresAutomaticallyOption).toBool()
                || m_readOnly))
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
    // Pragmas run only once the file is known to be ours; the journal mode with each write.
    const QVariantMap pragmas = m_options.value(SQLitePragmasOption).toMap();
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_]+$"));
    for (auto it = pragmas.cbegin(); it != pragmas.cend(); ++it) {
        if (!identifier.match(it.key()).hasMatch() || it.key() == kJournalMode
            || it.key() == kBusyTimeout)
            continue;
        SqliteStatement pragma
            = m_db.prepare(QStringLiteral("PRAGMA %1 = %2").arg(it.key(), pragmaValue(it.value())));
        if (pragma.isValid())
            pragma.step();
    }
    if (!m_schema.needsChanges())
        return true;
    const QByteArray metadata
        = m_storedMetadata.isEmpty() ? current.toPlist() : current.mergedInto(m_storedMetadata);
    const std::optional<StoreMetadata> written = StoreMetadata::fromPlist(metadata);
    if (!written)
        return Error::set(error, unwritableMetadataError());
    if (!m_writer.migrate(*m_model, m_uuid, metadata,
            QStringLiteral("The notes store could not be opened."), error))
        return false;
    m_storedMetadata = metadata;
    m_metadata = *written;
    m_metadataIsCurrent = true;
    return true;
}

QString PersistentStore::missingContents(const StoreMetadata& stored) const
{
    // What an older version of the model, or another program, lacks is added by a migration;
    // what the store's own metadata says it has must be there.
    if (!m_schema.needsChanges())
        return {};
    if (stored.modelVersion && *stored.modelVersion >= m_model->version())
        return QStringLiteral("Tables or columns of the store's own model version are missing.");
    for (const QString& entity : m_schema.entitiesWithoutTable()) {
        if (stored.entityHashes.contains(entity))
            return QStringLiteral("The table of %1 is missing.").arg(entity);
    }
    return {};
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
    int result = moved.open(path, m_readOnly, false, m_immutable);
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
    configure(moved, QFileInfo(path).absoluteFilePath());
    m_db = std::move(moved);
    m_path = QFileInfo(path).absoluteFilePath();
    // A new connection: what others saved is counted from here.
    m_seenDataVersion = m_writer.dataVersion();
    noteFileState();
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
    // This connection may still read a replaced file whole (it holds the old one open); a
    // file cut short or overwritten gives a copy as damaged as itself.
    const bool sound = m_readOnly || checkFileLocked(nullptr);
    int result = m_db.backupTo(path);
    // Another program holds the file: what it holds is copied without its lock.
    if ((result & 0xff) == SQLITE_BUSY || (result & 0xff) == SQLITE_LOCKED)
        result = StoreBusyHandler::copyHeldFile(m_path, path);
    if (result != SQLITE_OK && sound) {
        QFile::remove(path);
        return Error::set(
            error, m_db.storeError(result, QStringLiteral("The notes store could not be copied.")));
    }
    SqliteDatabase copy;
    if (result == SQLITE_OK && copy.open(path, false, false) != SQLITE_OK && sound)
        return Error::set(error,
            copy.storeError(
                copy.errorCode(), QStringLiteral("The notes store could not be copied.")));
    if (!sound && (!copy.isOpen() || !inspect(copy, true).isNull())) {
        copy.close();
        QFile::remove(path);
        log(QStringLiteral("the damaged notes store “%@” is made anew at “%@”"), m_path, path);
        return rebuildAt(path, error);
    }
    configure(copy, path);
    // The copy is a new file of this program's, so it takes the journal mode at once.
    if (const QString journalMode = journalModePragma(m_options); !journalMode.isEmpty())
        copy.exec(journalMode);
    m_db = std::move(copy);
    m_path = path;
    m_readOnly = false;
    m_immutable = false;
    m_damage = Error();
    m_seenDataVersion = m_writer.dataVersion();
    noteFileState();
    return true;
}

bool PersistentStore::rebuildAt(const QString& path, Error* error)
{
    SqliteDatabase previous = std::move(m_db);
    const StoreSchema previousSchema = m_schema;
    const QString previousPath = m_path;
    const auto goBack = [&] {
        m_db = std::move(previous);
        m_schema = previousSchema;
        m_path = previousPath;
        QFile::remove(path);
        return false;
    };
    const int result = m_db.open(path, false, true);
    if (result != SQLITE_OK) {
        Error::set(
            error, m_db.storeError(result, QStringLiteral("The notes store could not be copied.")));
        return goBack();
    }
    m_path = path;
    configure(m_db, path);
    m_schema = StoreSchema();
    if (!prepareSchema(true, error))
        return goBack();
    // Whatever of the old file can still be read comes along: the notes a context holds are
    // written over it, the others are kept as far as they survived.
    if (previous.isOpen())
        StoreSalvage::copyReadableRows(previous, m_db);
    m_readOnly = false;
    m_immutable = false;
    m_damage = Error();
    ++m_contentsGeneration;
    m_seenDataVersion = m_writer.dataVersion();
    noteFileState();
    return true;
}

bool PersistentStore::checkFile(Error* error)
{
    QMutexLocker locker(&m_mutex);
    return checkFileLocked(error);
}

bool PersistentStore::isDamaged() const
{
    QMutexLocker locker(&m_mutex);
    return !m_damage.isNull();
}

int PersistentStore::contentsGeneration() const
{
    QMutexLocker locker(&m_mutex);
    return m_contentsGeneration;
}

bool PersistentStore::checkFileLocked(Error* error)
{
    // Nothing is written to a read-only store, so nothing of it can be lost by a save.
    if (m_readOnly)
        return true;
    if (m_damage.isNull()) {
        m_damage = findDamage();
        if (!m_damage.isNull())
            log(QStringLiteral("the notes store “%@” is no longer the one read: %@"), m_path,
                m_damage.toString());
    }
    return m_damage.isNull() || Error::set(error, m_damage);
}

Error PersistentStore::findDamage()
{
    struct stat now = {};
    if (::lstat(QFile::encodeName(m_path).constData(), &now) != 0)
        return damageError(FileNoSuchFileError, QStringLiteral("The notes store was deleted."),
            QStringLiteral("Another program removed the store file from the notes file."));
    if (S_ISLNK(now.st_mode) || quint64(now.st_dev) != m_fileState.device
        || quint64(now.st_ino) != m_fileState.inode)
        return damageError(FileReadCorruptFileError,
            QStringLiteral("The notes store was replaced by another file."),
            QStringLiteral("Another program put another file in the place of the store file."));
    if (now.st_size == 0)
        return damageError(FileReadCorruptFileError, QStringLiteral("The notes store was emptied."),
            QStringLiteral("Another program cut the store file down to nothing."));
    if (!validateHeader(m_path, nullptr))
        return damageError(FileReadCorruptFileError,
            QStringLiteral("The notes store was cut short."),
            QStringLiteral("Another program cut off the end of the store file."));
    const qint64 modified = qint64(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec;
    if (qint64(now.st_size) == m_fileState.size && modified == m_fileState.modified
        && m_writer.dataVersion() == m_fileState.dataVersion)
        return {};
    // Written since this store last saw it: by another copy of the application, or by some
    // program that did not go through SQLite. SQLite trusts the pages it has cached while the
    // header's change counter stays the same, so they are let go to read what is on disk.
    sqlite3_db_release_memory(m_db.handle());
    const Error inside = inspect(m_db, true);
    // A file another program holds cannot be looked into now; the next save looks again.
    if (isBusy())
        return {};
    if (inside.isNull())
        noteFileState();
    return inside;
}

Error PersistentStore::inspect(const SqliteDatabase& db, bool quickCheck) const
{
    if (quickCheck) {
        SqliteStatement check = db.prepare(QStringLiteral("PRAGMA quick_check(1)"));
        const int stepped = check.isValid() ? check.step() : check.prepareResult();
        if (stepped != SQLITE_ROW || check.text(0) != QLatin1String("ok"))
            return damageError(FileReadCorruptFileError,
                QStringLiteral("The notes store is damaged."),
                QStringLiteral("Parts of the store file were overwritten; SQLite finds it "
                               "malformed."));
    }
    SqliteStatement metadata = db.prepare(QStringLiteral("SELECT Z_UUID FROM Z_METADATA LIMIT 1"));
    if (!metadata.isValid() || metadata.step() != SQLITE_ROW || metadata.text(0) != m_uuid)
        return damageError(FileReadCorruptFileError,
            QStringLiteral("The notes store lost its metadata."),
            QStringLiteral("Another program removed the table that names the store."));
    StoreSchema schema;
    if (!StoreSchema::read(db, *m_model, schema, nullptr))
        return damageError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
            QStringLiteral("Its tables are no longer those of a notes store."));
    if (!schema.entitiesWithoutTable().isEmpty())
        return damageError(FileReadCorruptFileError,
            QStringLiteral("The notes store lost some of its tables."),
            localizedFormat(QStringLiteral("Another program removed the table of %@ from it."),
                schema.entitiesWithoutTable().join(QStringLiteral(", "))));
    return {};
}

void PersistentStore::noteFileState()
{
    struct stat now = {};
    if (::stat(QFile::encodeName(m_path).constData(), &now) != 0)
        return;
    m_fileState = { quint64(now.st_dev), quint64(now.st_ino), qint64(now.st_size),
        qint64(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec, m_writer.dataVersion() };
}

void PersistentStore::noteCorruption()
{
    const int code = m_db.extendedErrorCode();
    if (m_readOnly || !m_damage.isNull()
        || ((code & 0xff) != SQLITE_CORRUPT && (code & 0xff) != SQLITE_NOTADB
            && code != SQLITE_IOERR_SHORT_READ))
        return;
    m_damage = damageError(FileReadCorruptFileError, QStringLiteral("The notes store is damaged."),
        QStringLiteral("SQLite finds the store file malformed."));
    log(QStringLiteral("the notes store “%@” is damaged: %@"), m_path, m_db.errorMessage());
}

bool PersistentStore::fetchRows(const std::vector<const EntityDescription*>& entities,
    const std::vector<QString>* attributes, const SqlFilter* filter, std::vector<Row>& rows,
    Error* error, const ValuesWanted& wanted)
{
    QMutexLocker locker(&m_mutex);
    if (m_reader.fetchRows(entities, attributes, filter, rows, error, wanted))
        return true;
    noteCorruption();
    return false;
}

std::optional<PersistentStore::Row> PersistentStore::fetchRow(
    const EntityDescription* entity, qint64 primaryKey, Error* error)
{
    QMutexLocker locker(&m_mutex);
    std::optional<Row> row = m_reader.fetchRow(entity, primaryKey, error);
    if (!row)
        noteCorruption();
    return row;
}

std::optional<QVariant> PersistentStore::fetchValue(const EntityDescription* entity,
    qint64 primaryKey, const AttributeDescription* attribute, Error* error)
{
    QMutexLocker locker(&m_mutex);
    std::optional<StoreReader::OpenedValue> opened
        = m_reader.openValue(entity, primaryKey, attribute, error);
    if (!opened || !opened->rowFound)
        return std::nullopt;
    // Nil or a number: no handle to read through.
    if (!opened->blob)
        return m_reader.fetchValue(entity, primaryKey, attribute, error);
    // Read through the handle already open. Megabytes come a piece at a time, letting go of the
    // lock between pieces: a worker reading a big value holds the main thread's reads and saves
    // up for one piece at most. A save that changes the value meanwhile ends the pieces, and the
    // value is read whole.
    QByteArray bytes(opened->length, Qt::Uninitialized);
    bool whole = true;
    for (qint64 offset = 0; whole && offset < opened->length; offset += kValuePieceBytes) {
        if (offset > 0) {
            locker.unlock();
            locker.relock();
        }
        const int count = int(std::min<qint64>(kValuePieceBytes, opened->length - offset));
        whole = StoreReader::readValue(*opened, offset, count, bytes.data() + offset);
    }
    const bool isText = opened->isText;
    StoreReader::closeValue(*opened);
    if (!whole)
        return m_reader.fetchValue(entity, primaryKey, attribute, error);
    locker.unlock();
    return attribute->fromStored(isText ? QVariant(QString::fromUtf8(bytes)) : QVariant(bytes));
}

std::optional<qint64> PersistentStore::valueLength(const EntityDescription* entity,
    qint64 primaryKey, const AttributeDescription* attribute, Error* error)
{
    QMutexLocker locker(&m_mutex);
    std::optional<StoreReader::OpenedValue> opened
        = m_reader.openValue(entity, primaryKey, attribute, error);
    if (!opened || !opened->rowFound)
        return std::nullopt;
    if (opened->blob)
        StoreReader::closeValue(*opened);
    return opened->length;
}

bool PersistentStore::fetchRelated(const RelationshipDescription* relationship, qint64 ownerKey,
    std::vector<ManagedObjectID>& result, Error* error)
{
    std::vector<std::pair<qint64, ManagedObjectID>> related;
    if (!fetchRelated(relationship, std::vector<qint64> { ownerKey }, related, error))
        return false;
    result.reserve(result.size() + related.size());
    for (auto& [owner, id] : related)
        result.push_back(std::move(id));
    return true;
}

bool PersistentStore::fetchRelated(const RelationshipDescription* relationship,
    const std::vector<qint64>& ownerKeys, std::vector<std::pair<qint64, ManagedObjectID>>& result,
    Error* error)
{
    QMutexLocker locker(&m_mutex);
    return m_reader.fetchRelated(relationship, ownerKeys, result, error);
}

qint64 PersistentStore::countRows(
    const std::vector<const EntityDescription*>& entities, const SqlFilter* filter, Error* error)
{
    QMutexLocker locker(&m_mutex);
    return m_reader.countRows(entities, filter, error);
}

std::optional<QVariant> PersistentStore::fetchExtreme(
    const std::vector<const EntityDescription*>& entities, const AttributeDescription* attribute,
    bool maximum, const SqlFilter* filter, Error* error)
{
    QMutexLocker locker(&m_mutex);
    return m_reader.fetchExtreme(entities, attribute, maximum, filter, error);
}

QString PersistentStore::relatedRowsClause(
    const RelationshipDescription* relationship, const QString& alias, QString& ownerKey) const
{
    QMutexLocker locker(&m_mutex);
    return m_reader.relatedRowsClause(relationship, alias, ownerKey);
}

const EntityDescription* PersistentStore::entityForNumber(int number) const
{
    return m_schema.entityForNumber(number);
}

QString PersistentStore::columnName(const AttributeDescription* attribute) const
{
    return m_schema.column(attribute);
}

bool PersistentStore::save(
    const SaveRequest& request, std::vector<qint64>& insertedKeys, Error* error)
{
    // Megabytes of text are encoded before the lock is taken: the main thread's reads wait for
    // it while a worker saves.
    std::optional<SaveRequest> encoded;
    const auto encode = [](QVariant& value) {
        if (value.typeId() == QMetaType::QString && value.toString().size() > kValuePieceBytes) {
            value = QVariant::fromValue(SqliteStatement::Utf8Text { value.toString().toUtf8() });
            return true;
        }
        return false;
    };
    for (const std::vector<SaveRequest::Change>* changes : { &request.inserts, &request.updates }) {
        for (size_t c = 0; c < changes->size(); ++c) {
            for (size_t a = 0; a < (*changes)[c].attributes.size(); ++a) {
                QVariant value = (*changes)[c].attributes[a].second;
                if (!encode(value))
                    continue;
                if (!encoded)
                    encoded = request;
                auto& target = changes == &request.inserts ? encoded->inserts : encoded->updates;
                target[c].attributes[a].second = value;
            }
        }
    }
    QMutexLocker locker(&m_mutex);
    const QString failure = QStringLiteral("The notes could not be saved.");
    if (m_readOnly)
        return Error::set(error,
            fileError(FileWriteNoPermissionError, failure,
                localized(QStringLiteral("The notes store is read-only."))));
    // The first save marks the file with this model's version, beside whatever keys another
    // program keeps there.
    const QByteArray metadata = m_metadataIsCurrent
        ? QByteArray()
        : StoreMetadata::forModel(*m_model).mergedInto(m_storedMetadata);
    std::optional<StoreMetadata> written;
    if (!metadata.isEmpty() && !(written = StoreMetadata::fromPlist(metadata)))
        return Error::set(error, unwritableMetadataError());
    // A file that is no longer the one read would take the changes without the rest of the
    // notes, or not keep them at all.
    if (!checkFileLocked(error))
        return false;
    const qint64 expected = m_guardedThread == QThread::currentThread() ? m_seenDataVersion : -1;
    const bool saved
        = m_writer.save(encoded ? *encoded : request, metadata, insertedKeys, error, expected);
    if (!saved) {
        noteCorruption();
        if (!m_damage.isNull())
            return Error::set(error, m_damage);
        return false;
    }
    noteFileState();
    if (written) {
        m_storedMetadata = metadata;
        m_metadata = *written;
        m_metadataIsCurrent = true;
    }
    return true;
}

bool PersistentStore::hasChangesFromElsewhere()
{
    QMutexLocker locker(&m_mutex);
    const qint64 now = m_writer.dataVersion();
    return now >= 0 && now != m_seenDataVersion;
}

std::optional<PersistentStore::RowVersions> PersistentStore::fetchRowVersions(Error* error)
{
    QMutexLocker locker(&m_mutex);
    const QString failure = QStringLiteral("The notes store could not be read.");
    if (m_db.exec(QStringLiteral("BEGIN")) != SQLITE_OK) {
        Error::set(error, m_db.storeError(m_db.extendedErrorCode(), failure));
        return std::nullopt;
    }
    RowVersions versions;
    bool ok = true;
    for (const EntityDescription* entity : m_model->entities()) {
        if (entity->rootEntity() != entity || m_schema.entityNumber(entity) == 0)
            continue;
        SqliteStatement rows = m_db.prepare(
            QStringLiteral("SELECT Z_PK, Z_ENT, Z_OPT FROM %1").arg(m_schema.tableName(entity)));
        ok = rows.isValid();
        QHash<qint64, std::pair<int, qint64>>& table = versions.rows[entity];
        while (ok && rows.step() == SQLITE_ROW)
            table.insert(rows.int64(0), { int(rows.int64(1)), rows.int64(2) });
        if (!ok)
            break;
    }
    // Read inside the same transaction, so it goes with exactly these rows.
    versions.dataVersion = m_writer.dataVersion();
    if (!ok || versions.dataVersion < 0)
        Error::set(error, m_db.storeError(m_db.extendedErrorCode(), failure));
    m_db.exec(QStringLiteral("COMMIT"));
    if (!ok || versions.dataVersion < 0)
        return std::nullopt;
    return versions;
}

void PersistentStore::changesFromElsewhereMerged(qint64 dataVersion)
{
    QMutexLocker locker(&m_mutex);
    m_seenDataVersion = dataVersion;
}

void PersistentStore::setRefusesSavesOverChangesFromElsewhere(bool refuse)
{
    QMutexLocker locker(&m_mutex);
    m_guardedThread = refuse ? QThread::currentThread() : nullptr;
}

bool PersistentStore::reserveKeys(
    const EntityDescription* entity, qint64 count, qint64* first, Error* error)
{
    QMutexLocker locker(&m_mutex);
    const QString failure = QStringLiteral("The notes could not be saved.");
    if (m_readOnly)
        return Error::set(error,
            fileError(FileWriteNoPermissionError, failure,
                localized(QStringLiteral("The notes store is read-only."))));
    if (!checkFileLocked(error))
        return false;
    if (!m_writer.reserveKeys(entity, count, first, failure, error)) {
        noteCorruption();
        return false;
    }
    noteFileState();
    return true;
}

} // namespace platform
