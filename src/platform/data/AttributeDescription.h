#pragma once

#include <QString>
#include <QVariant>

namespace platform {

// One attribute of an entity: its name, kind and flags, and the conversion between the value a
// managed object holds and the value its SQLite column stores (dates as seconds since
// 2001-01-01 UTC, Booleans as 0/1, transformable values through their named transformer).
class AttributeDescription final {
public:
    enum class Type {
        Integer16,
        Integer32,
        Integer64,
        Double,
        Boolean,
        String,
        Date,
        Binary,
        Transformable,
    };

    AttributeDescription(QString name, Type type);

    const QString& name() const { return m_name; }
    Type type() const { return m_type; }

    // Transient attributes live in memory only and have no column.
    bool isTransient() const { return m_transient; }
    AttributeDescription& setTransient(bool transient);
    bool isOptional() const { return m_optional; }
    AttributeDescription& setOptional(bool optional);
    // The value a newly inserted object starts with (nil when unset).
    const QVariant& defaultValue() const { return m_defaultValue; }
    AttributeDescription& setDefaultValue(const QVariant& value);
    // For transformable attributes: the name a ValueTransformer is registered under. Its
    // transformedValue() makes the stored data, reverseTransformedValue() the value back.
    // Without a name (or while no such transformer is registered) QByteArray values are
    // stored as they are.
    const QString& valueTransformerName() const { return m_transformerName; }
    AttributeDescription& setValueTransformerName(const QString& name);

    // Binary and transformable columns, and those said to hold values too big to read along
    // with their row, are loaded on first access, not with a fetch (unless it names them).
    bool isLoadedLazily() const
    {
        return m_lazy || m_type == Type::Binary || m_type == Type::Transformable;
    }
    AttributeDescription& setLoadedLazily(bool lazily);
    // The SQL column type of the store layout (INTEGER, FLOAT, TIMESTAMP, VARCHAR, BLOB).
    QString sqlType() const;
    // A description of everything that decides the stored form, for the model's version hashes.
    QString schemaDescription() const;

    // Brings a value into the in-memory form of this kind (numbers to int/qint64/double/bool,
    // text to QString); nil stays nil.
    QVariant coerced(const QVariant& value) const;
    // In-memory value to column value and back.
    QVariant toStored(const QVariant& value) const;
    QVariant fromStored(const QVariant& stored) const;

    static QVariant dateToStored(const QDateTime& date);
    static QDateTime dateFromStored(double secondsSinceReference);

private:
    QString m_name;
    Type m_type;
    bool m_transient = false;
    bool m_optional = true;
    bool m_lazy = false;
    QVariant m_defaultValue;
    QString m_transformerName;
};

} // namespace platform
