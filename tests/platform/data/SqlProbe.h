#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;

// A raw SQLite connection for checking and preparing store files the way another program
// would see them.
namespace datatest {

class SqlProbe final {
public:
    explicit SqlProbe(const QString& path);
    ~SqlProbe();
    SqlProbe(const SqlProbe&) = delete;
    SqlProbe& operator=(const SqlProbe&) = delete;

    // Returns the SQLite result code.
    int exec(const QString& sql);
    // Rows of the query, each column as its SQLite type (NULL as an invalid QVariant).
    QList<QVariantList> rows(const QString& sql);
    QVariant value(const QString& sql);
    QStringList columns(const QString& table);

private:
    sqlite3* m_db = nullptr;
};

} // namespace datatest
