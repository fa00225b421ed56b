#pragma once

#include "platform/predicate/KeyValueCoding.h"

#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <ostream>

// A stand-in for a managed object: attributes in a dictionary, relations as KeyValueRef values
// (to-one) or lists of them (to-many); keys it lacks read as nil.
class TestObject final : public platform::KeyValueCoding {
public:
    explicit TestObject(QVariantMap values = {}) : m_values(std::move(values)) { }

    static std::shared_ptr<TestObject> make(QVariantMap values = {})
    {
        return std::make_shared<TestObject>(std::move(values));
    }

    QVariant valueForKey(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) { m_values.insert(key, value); }

private:
    QVariantMap m_values;
};

inline QVariant objectValue(const platform::KeyValueRef& object)
{
    return QVariant::fromValue(object);
}

inline QVariant toMany(const QList<platform::KeyValueRef>& objects)
{
    QVariantList list;
    for (const platform::KeyValueRef& object : objects)
        list << objectValue(object);
    return list;
}

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
