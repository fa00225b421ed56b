#include "platform/data/SqliteStatement.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace {

TEST(SqliteStatementTest, TextsReadKeepNoRoomTheirUtf8LengthReserved)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    {
        // Three bytes a unit in UTF-8, with a pair of surrogates and plain ASCII around.
        const QString stored = QStringLiteral("東京 図書館 ") + QString::fromUcs4(U"\U0001F600")
            + QStringLiteral(" café").repeated(200);
        platform::SqliteStatement statement(db, QStringLiteral("SELECT ?"));
        statement.bindText(1, stored);
        ASSERT_EQ(statement.step(), SQLITE_ROW);
        const QString read = statement.text(0);
        EXPECT_EQ(read, stored);
        EXPECT_LE(read.capacity(), read.size() + read.size() / 8);
    }
    sqlite3_close(db);
}

} // namespace
