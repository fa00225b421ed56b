#pragma once

#include <QString>

namespace platform {

// Copies the file or folder at `source` to `target`, folders with everything inside them
// (hidden entries too). `source` may be a resource path. Stops at the first failure and returns
// false, leaving what was copied so far for the caller to remove.
bool copyRecursively(const QString& source, const QString& target);

} // namespace platform
