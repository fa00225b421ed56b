#include "ArchiveFields.h"

#include <cmath>

namespace platform {

std::optional<QString> ArchiveFields::string(const QCborMap& fields, const QString& key)
{
    const QCborValue value = fields.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<qint64> ArchiveFields::integer(
    const QCborMap& fields, const QString& key, qint64 minimum, qint64 maximum)
{
    const QCborValue value = fields.value(key);
    if (!value.isInteger())
        return std::nullopt;
    const qint64 number = value.toInteger();
    if (number < minimum || number > maximum)
        return std::nullopt;
    return number;
}

std::optional<double> ArchiveFields::finite(const QCborMap& fields, const QString& key)
{
    const QCborValue value = fields.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

std::optional<bool> ArchiveFields::boolean(const QCborMap& fields, const QString& key)
{
    const QCborValue value = fields.value(key);
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

} // namespace platform
