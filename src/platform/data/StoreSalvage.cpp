#include "StoreSalvage.h"

#include "SqliteDatabase.h"

#include <QStringList>

#include <sqlite3.h>

namespace platform {

namespace {

// Copies the rows of `table` that can still be read through `from` into the same table of
// `to`, in the columns both have, keeping rows `to` has already; stops at the first row that
// cannot be read.
void salvageRows(const SqliteDatabase& from, SqliteDatabase& to, const QString& table)
{
    const QStringList there = to.columnNames(table);
    QStringList columns;
    for (const QString& column : from.columnNames(table)) {
        if (there.contains(column))
            columns << column;
    }
    if (columns.isEmpty())
        return;
    const QString list = columns.join(QLatin1Char(','));
    SqliteStatement read = from.prepare(QStringLiteral("SELECT %1 FROM %2").arg(list, table));
    SqliteStatement write = to.prepare(
        QStringLiteral("INSERT OR IGNORE INTO %1 (%2) VALUES (%3)")
            .arg(table, list,
                QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    if (!read.isValid() || !write.isValid())
        return;
    while (read.step() == SQLITE_ROW) {
        for (int i = 0; i < columns.size(); ++i)
            sqlite3_bind_value(write.handle(), i + 1, sqlite3_column_value(read.handle(), i));
        write.step();
        write.reset();
    }
}

} // namespace

void StoreSalvage::copyReadableRows(const SqliteDatabase& from, SqliteDatabase& to)
{
    to.exec(QStringLiteral("BEGIN"));
    const QStringList kept = from.tableNames();
    for (const QString& table : to.tableNames()) {
        if (kept.contains(table) && table != QLatin1String("Z_METADATA")
            && table != QLatin1String("Z_PRIMARYKEY"))
            salvageRows(from, to, table);
    }
    to.exec(QStringLiteral("COMMIT"));
}

} // namespace platform
