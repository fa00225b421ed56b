#include "AttributeReader.h"

#include "ManagedObject.h"

namespace platform {

const QVariant* AttributeReader::operator()(const ManagedObject& object)
{
    const int index = indexIn(object);
    return index < 0 ? nullptr : &object.attributeValue(index);
}

bool AttributeReader::isLoaded(const ManagedObject& object)
{
    const int index = indexIn(object);
    return index >= 0 && object.isAttributeLoaded(index);
}

quint64 AttributeReader::generation(const ManagedObject& object)
{
    const int index = indexIn(object);
    return index < 0 ? 0 : object.attributeGeneration(index);
}

int AttributeReader::indexIn(const ManagedObject& object)
{
    if (object.entity() != m_entity) {
        m_entity = object.entity();
        m_index = m_entity ? m_entity->attributeIndex(m_key) : -1;
    }
    return m_index;
}

} // namespace platform
