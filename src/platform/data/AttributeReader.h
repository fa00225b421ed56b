#pragma once

#include <QString>
#include <QVariant>

namespace platform {

class EntityDescription;
class ManagedObject;

// Reads one attribute of many objects as primitiveValueForKey() does, without copying each
// value or looking the key up again for each object: for searches and sorts over whole lists.
// Used on the objects' thread.
class AttributeReader final {
public:
    explicit AttributeReader(QString key) : m_key(std::move(key)) { }

    // The object's value, read from the store when needed; null when its entity has no such
    // attribute. Valid until the value changes or is released.
    const QVariant* operator()(const ManagedObject& object);
    // Whether the object's value is in memory: false when its entity has no such attribute.
    bool isLoaded(const ManagedObject& object);
    // ManagedObject::valueGeneration() of the object's value, without reading the value: 0 when
    // its entity has no such attribute.
    quint64 generation(const ManagedObject& object);

private:
    // The key's place among the object's entity's attributes, -1 when none.
    int indexIn(const ManagedObject& object);

    QString m_key;
    const EntityDescription* m_entity = nullptr;
    int m_index = -1;
};

} // namespace platform
