#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

// One prepared SQLite statement, finalized on destruction. Binds and reads QVariants:
// integers as qint64, reals as double, text as QString, blobs as QByteArray, nil as NULL; a
// void* binds as a pointer for bx_compare().
// Used under the owning database's lock.
class SqliteStatement final {
public:
    // Text already encoded as UTF-8, bound as text without a copy (the bound value must live
    // until the statement has run): megabytes encoded before the database's lock is taken keep
    // the lock short.
    struct Utf8Text {
        QByteArray bytes;
    };

    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    // The result code of preparing, for error reports.
    int prepareResult() const { return m_prepareResult; }

    // Parameters count from 1.
    void bind(int index, const QVariant& value);
    void bindInt64(int index, qint64 value);
    void bindText(int index, const QString& text);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;
    // The column as its own SQLite type.
    QVariant value(int column) const;

    sqlite3_stmt* handle() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_prepareResult = 0;
    // Blobs bound without a copy, by parameter: a note of many megabytes of pictures is not held
    // once more while it is saved. Each lives until its parameter is bound again.
    std::vector<QByteArray> m_blobs;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::SqliteStatement::Utf8Text)
