#pragma once

#include "Error.h"

#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantList>

namespace platform {

// printf-style formatting with the object placeholder `%@`, as the application's message and
// string-table formats are written: %@, %d, %i, %u, %ld, %lu, %lld, %llu, %f, %.Nf, %g, %s, %c,
// %x, %% and positional forms such as %1$@. Missing arguments format as empty text.
QString formatString(const QString& format, const QVariantList& args);

inline QVariant formatArg(const Error& error) { return error.toString(); }
inline QVariant formatArg(const QUrl& url) { return url.toString(); }
inline QVariant formatArg(const char* text) { return QString::fromUtf8(text); }
template <typename T>
QVariant formatArg(const T& value)
{
    return QVariant::fromValue(value);
}

// `text` cut in its middle to at most `maxLength` characters (an ellipsis in place of what was
// cut), so that a name from outside never floods a message.
QString elidedMiddle(const QString& text, qsizetype maxLength);

template <typename... Args>
QString format(const QString& format, const Args&... args)
{
    return formatString(format, QVariantList{formatArg(args)...});
}

} // namespace platform
