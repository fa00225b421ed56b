#pragma once

#include "SqliteStatement.h"

#include "platform/foundation/Error.h"

#include <QString>
#include <QStringList>

struct sqlite3;

namespace platform {

inline const QString SQLiteErrorDomain = QStringLiteral("NSSQLiteErrorDomain");

// One SQLite connection, closed on destruction. Opened in serialized mode; callers still hold
// their own lock around multi-statement work such as a transaction.
class SqliteDatabase final {
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(SqliteDatabase&& other) noexcept;
    SqliteDatabase& operator=(SqliteDatabase&& other) noexcept;
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Opens (and with `create` makes) the file; returns the SQLite result code. An immutable
    // file is opened read-only and read without locks, journal or any other file beside it,
    // for files on a place nobody writes to.
    int open(const QString& path, bool readOnly, bool create, bool immutable = false);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const;

    // Runs statements without results; returns the SQLite result code.
    int exec(const QString& sql);
    SqliteStatement prepare(const QString& sql) const { return SqliteStatement(m_db, sql); }

    int errorCode() const;
    // The store error for SQLite result `code`: `description`, a reason the user understands
    // and SQLite's own message as the underlying error.
    Error storeError(int code, const QString& description) const;
    int extendedErrorCode() const;
    QString errorMessage() const;
    qint64 lastInsertRowId() const;

    // Names of the tables, and of one table's columns, as the schema holds them.
    QStringList tableNames() const;
    QStringList columnNames(const QString& table) const;

    // Copies the whole database into a new file at `path` through the backup interface.
    int backupTo(const QString& path) const;

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

} // namespace platform
