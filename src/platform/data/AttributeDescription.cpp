#include "AttributeDescription.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/ValueTransformer.h"

#include <QDateTime>

#include <cmath>

namespace platform {

namespace {

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
constexpr qint64 kReferenceDateOffset = 978307200;

const char* typeName(AttributeDescription::Type type)
{
    switch (type) {
    case AttributeDescription::Type::Integer16:
        return "int16";
    case AttributeDescription::Type::Integer32:
        return "int32";
    case AttributeDescription::Type::Integer64:
        return "int64";
    case AttributeDescription::Type::Double:
        return "double";
    case AttributeDescription::Type::Boolean:
        return "bool";
    case AttributeDescription::Type::String:
        return "string";
    case AttributeDescription::Type::Date:
        return "date";
    case AttributeDescription::Type::Binary:
        return "binary";
    case AttributeDescription::Type::Transformable:
        return "transformable";
    }
    return "";
}

} // namespace

AttributeDescription::AttributeDescription(QString name, Type type)
    : m_name(std::move(name)), m_type(type)
{ }

AttributeDescription& AttributeDescription::setTransient(bool transient)
{
    m_transient = transient;
    return *this;
}

AttributeDescription& AttributeDescription::setOptional(bool optional)
{
    m_optional = optional;
    return *this;
}

AttributeDescription& AttributeDescription::setLoadedLazily(bool lazily)
{
    m_lazy = lazily;
    return *this;
}

AttributeDescription& AttributeDescription::setDefaultValue(const QVariant& value)
{
    m_defaultValue = coerced(value);
    return *this;
}

AttributeDescription& AttributeDescription::setValueTransformerName(const QString& name)
{
    m_transformerName = name;
    return *this;
}

QString AttributeDescription::sqlType() const
{
    switch (m_type) {
    case Type::Integer16:
    case Type::Integer32:
    case Type::Integer64:
    case Type::Boolean:
        return QStringLiteral("INTEGER");
    case Type::Double:
        return QStringLiteral("FLOAT");
    case Type::Date:
        return QStringLiteral("TIMESTAMP");
    case Type::String:
        return QStringLiteral("VARCHAR");
    case Type::Binary:
    case Type::Transformable:
        return QStringLiteral("BLOB");
    }
    return {};
}

QString AttributeDescription::schemaDescription() const
{
    return QStringLiteral("%1:%2%3%4")
        .arg(m_name, QString::fromLatin1(typeName(m_type)),
            m_transient ? QStringLiteral(":transient") : QString(),
            m_transformerName.isEmpty() ? QString() : QStringLiteral(":") + m_transformerName);
}

QVariant AttributeDescription::coerced(const QVariant& value) const
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (m_type) {
    case Type::Integer16:
    case Type::Integer32:
        return value.toInt();
    case Type::Integer64:
        return value.toLongLong();
    case Type::Double:
        return value.toDouble();
    case Type::Boolean:
        return value.toBool();
    case Type::String:
        return value.toString();
    case Type::Date: {
        QDateTime date = value.toDateTime();
        return date.isValid() ? QVariant(date) : QVariant();
    }
    case Type::Binary:
        return value.toByteArray();
    case Type::Transformable:
        return value;
    }
    return value;
}

QVariant AttributeDescription::toStored(const QVariant& value) const
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (m_type) {
    case Type::Integer16:
    case Type::Integer32:
    case Type::Integer64:
        return value.toLongLong();
    case Type::Boolean:
        return qint64(value.toBool() ? 1 : 0);
    case Type::Double:
        return value.toDouble();
    case Type::Date:
        return dateToStored(value.toDateTime());
    case Type::String:
        return value.toString();
    case Type::Binary:
        return value.toByteArray();
    case Type::Transformable: {
        if (m_transformerName.isEmpty() || value.metaType() == QMetaType::fromType<QByteArray>())
            return value.toByteArray();
        const auto transformer = ValueTransformer::valueTransformerForName(m_transformerName);
        if (!transformer) {
            log(QStringLiteral("No value transformer named %@ for %@"), m_transformerName, m_name);
            return {};
        }
        const QVariant data = transformer->transformedValue(value);
        return data.isValid() ? QVariant(data.toByteArray()) : QVariant();
    }
    }
    return {};
}

QVariant AttributeDescription::fromStored(const QVariant& stored) const
{
    if (!stored.isValid() || stored.isNull())
        return {};
    switch (m_type) {
    case Type::Date:
        return dateFromStored(stored.toDouble());
    case Type::Transformable: {
        // Without its transformer the bytes stay as they are, so nothing stored is lost.
        const auto transformer = m_transformerName.isEmpty()
            ? nullptr
            : ValueTransformer::valueTransformerForName(m_transformerName);
        return transformer ? transformer->reverseTransformedValue(stored.toByteArray())
                           : QVariant(stored.toByteArray());
    }
    default:
        return coerced(stored);
    }
}

QVariant AttributeDescription::dateToStored(const QDateTime& date)
{
    if (!date.isValid())
        return {};
    return double(date.toMSecsSinceEpoch()) / 1000.0 - double(kReferenceDateOffset);
}

QDateTime AttributeDescription::dateFromStored(double secondsSinceReference)
{
    const double msecs
        = std::round((secondsSinceReference + double(kReferenceDateOffset)) * 1000.0);
    // A damaged store may hold any number here; what no date can be reads as no date.
    if (!(msecs >= -0x1p63 && msecs < 0x1p63))
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(msecs), Qt::UTC);
}

} // namespace platform
