#include "EntityDescription.h"

#include "ManagedObject.h"

#include <QCryptographicHash>

namespace platform {

EntityDescription::EntityDescription(QString name, QString parentName)
    : m_name(std::move(name)), m_parentName(std::move(parentName))
{ }

AttributeDescription& EntityDescription::addAttribute(
    const QString& name, AttributeDescription::Type type)
{
    return m_ownAttributes.emplace_back(name, type);
}

RelationshipDescription& EntityDescription::addRelationship(const QString& name,
    const QString& destinationEntityName, const QString& inverseName, bool toMany,
    RelationshipDescription::DeleteRule deleteRule)
{
    RelationshipDescription& relationship = m_ownRelationships.emplace_back(
        name, destinationEntityName, inverseName, toMany, deleteRule);
    relationship.m_entity = this;
    return relationship;
}

std::shared_ptr<ManagedObject> EntityDescription::makeObject() const
{
    for (const EntityDescription* entity = this; entity; entity = entity->m_parent) {
        if (entity->m_factory)
            return entity->m_factory();
    }
    return std::make_shared<ManagedObject>();
}

const EntityDescription* EntityDescription::rootEntity() const
{
    const EntityDescription* entity = this;
    while (entity->m_parent)
        entity = entity->m_parent;
    return entity;
}

std::vector<const EntityDescription*> EntityDescription::selfAndDescendants() const
{
    std::vector<const EntityDescription*> result { this };
    for (size_t i = 0; i < result.size(); ++i) {
        for (const EntityDescription* sub : result[i]->m_subentities)
            result.push_back(sub);
    }
    return result;
}

bool EntityDescription::isKindOfEntity(const EntityDescription* other) const
{
    for (const EntityDescription* entity = this; entity; entity = entity->m_parent) {
        if (entity == other)
            return true;
    }
    return false;
}

const AttributeDescription* EntityDescription::attribute(const QString& name) const
{
    const int index = attributeIndex(name);
    return index < 0 ? nullptr : m_allAttributes[size_t(index)];
}

const RelationshipDescription* EntityDescription::relationship(const QString& name) const
{
    const int index = relationshipIndex(name);
    return index < 0 ? nullptr : m_allRelationships[size_t(index)];
}

QByteArray EntityDescription::versionHash() const
{
    QString text = m_name + QLatin1Char('<') + m_parentName + QLatin1Char('|');
    for (const AttributeDescription* attribute : m_allAttributes)
        text += attribute->schemaDescription() + QLatin1Char(';');
    for (const RelationshipDescription* relationship : m_allRelationships)
        text += relationship->schemaDescription() + QLatin1Char(';');
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256);
}

} // namespace platform
