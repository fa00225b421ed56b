#include "SqliteDatabase.h"

#include "platform/foundation/Localized.h"

#include <QUrl>

#include <sqlite3.h>

#include <utility>

namespace platform {

SqliteDatabase::~SqliteDatabase()
{
    close();
}

SqliteDatabase::SqliteDatabase(SqliteDatabase&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
{ }

SqliteDatabase& SqliteDatabase::operator=(SqliteDatabase&& other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
    }
    return *this;
}

int SqliteDatabase::open(const QString& path, bool readOnly, bool create, bool immutable)
{
    close();
    int flags = SQLITE_OPEN_FULLMUTEX;
    readOnly = readOnly || immutable;
    flags |= readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create && !readOnly)
        flags |= SQLITE_OPEN_CREATE;
    QByteArray name = path.toUtf8();
    if (immutable) {
        flags |= SQLITE_OPEN_URI;
        name = "file:" + QUrl::toPercentEncoding(path, "/") + "?immutable=1";
    }
    const int result = sqlite3_open_v2(name.constData(), &m_db, flags, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return result;
    }
    sqlite3_extended_result_codes(m_db, 1);
    return SQLITE_OK;
}

void SqliteDatabase::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool SqliteDatabase::isReadOnly() const
{
    return m_db && sqlite3_db_readonly(m_db, "main") == 1;
}

int SqliteDatabase::exec(const QString& sql)
{
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

int SqliteDatabase::errorCode() const
{
    return m_db ? sqlite3_errcode(m_db) : SQLITE_CANTOPEN;
}

Error SqliteDatabase::storeError(int code, const QString& description) const
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
        reason = errorMessage();
        break;
    }
    Error result(kCocoaErrorDomain, cocoaCode, localized(description), reason);
    result.setUnderlyingError(Error(SQLiteErrorDomain, code, errorMessage()));
    return result;
}

int SqliteDatabase::extendedErrorCode() const
{
    return m_db ? sqlite3_extended_errcode(m_db) : SQLITE_CANTOPEN;
}

QString SqliteDatabase::errorMessage() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("no database");
}

qint64 SqliteDatabase::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

QStringList SqliteDatabase::tableNames() const
{
    QStringList names;
    SqliteStatement statement
        = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    while (statement.isValid() && statement.step() == SQLITE_ROW)
        names << statement.text(0);
    return names;
}

QStringList SqliteDatabase::columnNames(const QString& table) const
{
    QStringList names;
    SqliteStatement statement = prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    if (!statement.isValid())
        return names;
    statement.bindText(1, table);
    while (statement.step() == SQLITE_ROW)
        names << statement.text(0);
    return names;
}

int SqliteDatabase::backupTo(const QString& path) const
{
    SqliteDatabase target;
    int result = target.open(path, false, true);
    if (result != SQLITE_OK)
        return result;
    sqlite3_backup* backup = sqlite3_backup_init(target.m_db, "main", m_db, "main");
    if (!backup)
        return target.errorCode();
    result = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (result != SQLITE_DONE)
        return result == SQLITE_OK ? SQLITE_ERROR : result;
    return finish;
}

} // namespace platform
