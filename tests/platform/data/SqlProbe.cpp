#include "SqlProbe.h"

#include <sqlite3.h>

namespace datatest {

SqlProbe::SqlProbe(const QString& path)
{
    sqlite3_open(path.toUtf8().constData(), &m_db);
}

SqlProbe::~SqlProbe()
{
    sqlite3_close(m_db);
}

int SqlProbe::exec(const QString& sql)
{
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

QList<QVariantList> SqlProbe::rows(const QString& sql)
{
    QList<QVariantList> result;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return result;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QVariantList row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            switch (sqlite3_column_type(statement, i)) {
            case SQLITE_INTEGER:
                row << qint64(sqlite3_column_int64(statement, i));
                break;
            case SQLITE_FLOAT:
                row << sqlite3_column_double(statement, i);
                break;
            case SQLITE_TEXT:
                row << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
                break;
            case SQLITE_BLOB:
                row << QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, i)),
                    sqlite3_column_bytes(statement, i));
                break;
            default:
                row << QVariant();
                break;
            }
        }
        result << row;
    }
    sqlite3_finalize(statement);
    return result;
}

QVariant SqlProbe::value(const QString& sql)
{
    const QList<QVariantList> result = rows(sql);
    return result.isEmpty() || result.first().isEmpty() ? QVariant() : result.first().first();
}

QStringList SqlProbe::columns(const QString& table)
{
    QStringList names;
    for (const QVariantList& row : rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        names << row.value(1).toString();
    return names;
}

} // namespace datatest
