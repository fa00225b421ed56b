#pragma once

#include <QString>

#include <ostream>

// Lets failed expectations show strings as text.
inline void PrintTo(const QString& string, std::ostream* out)
{
    *out << '"' << string.toStdString() << '"';
}
