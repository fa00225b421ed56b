#pragma once

#include <QString>

namespace platform {

// A key from one of the application's strings tables besides the main one
// (resources/strings/<table>.json), for a subsystem that keeps its wording apart; a key
// missing from the table, or an unknown table, comes back unchanged.
QString localizedFromTable(const QString& key, const QString& table);

} // namespace platform
