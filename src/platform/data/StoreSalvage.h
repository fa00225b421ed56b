#pragma once

namespace platform {

class SqliteDatabase;

// Brings what can still be read of a damaged store file into a new one of the same layout:
// the rows of every table both share, in the columns both have, up to the first row that
// cannot be read. Used by the store, under its lock, when it makes its file anew.
class StoreSalvage final {
public:
    // Copies into `to` in one transaction, keeping rows `to` has already; the metadata and the
    // key counters stay those of `to`.
    static void copyReadableRows(const SqliteDatabase& from, SqliteDatabase& to);
};

} // namespace platform
