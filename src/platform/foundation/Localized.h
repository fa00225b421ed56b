#pragma once

#include "Format.h"

#include <QString>

namespace platform {

// The application's English strings table (resources/strings/Localizable.json), loaded once.
// A key that is English text is its own default; symbolic keys ("buttonQuit") have their
// wording in the table. A key missing from the table comes back unchanged.
QString localized(const QString& key);

template <typename... Args>
QString localizedFormat(const QString& key, const Args&... args)
{
    return format(localized(key), args...);
}

} // namespace platform
