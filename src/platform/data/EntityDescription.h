#pragma once

#include "AttributeDescription.h"
#include "RelationshipDescription.h"

#include <QHash>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

class ManagedObject;

// An entity of the model: its attributes and relationships, its parent entity (a sub-entity
// shares its root's table and inherits every property) and the factory that makes objects of
// its class. Declared in code, then frozen by ManagedObjectModel::finish(); read-only and
// shared by every thread afterwards.
class EntityDescription final {
public:
    using ClassFactory = std::function<std::shared_ptr<ManagedObject>()>;

    explicit EntityDescription(QString name, QString parentName = {});
    EntityDescription(const EntityDescription&) = delete;
    EntityDescription& operator=(const EntityDescription&) = delete;

    const QString& name() const { return m_name; }
    const QString& parentName() const { return m_parentName; }

    AttributeDescription& addAttribute(const QString& name, AttributeDescription::Type type);
    RelationshipDescription& addRelationship(const QString& name,
        const QString& destinationEntityName, const QString& inverseName, bool toMany,
        RelationshipDescription::DeleteRule deleteRule
        = RelationshipDescription::DeleteRule::Nullify);

    // Objects of this entity are made by `factory` (a plain ManagedObject when none is set
    // here or on a parent).
    void setClassFactory(ClassFactory factory) { m_factory = std::move(factory); }
    template <typename T> void setClass()
    {
        m_factory = [] { return std::static_pointer_cast<ManagedObject>(std::make_shared<T>()); };
    }
    std::shared_ptr<ManagedObject> makeObject() const;

    // Resolved by ManagedObjectModel::finish().
    const EntityDescription* superentity() const { return m_parent; }
    const EntityDescription* rootEntity() const;
    const std::vector<const EntityDescription*>& subentities() const { return m_subentities; }
    // This entity and every entity below it, this one first.
    std::vector<const EntityDescription*> selfAndDescendants() const;
    bool isKindOfEntity(const EntityDescription* other) const;

    // Inherited properties come first, so an index is the same in every sub-entity.
    const std::vector<const AttributeDescription*>& attributes() const { return m_allAttributes; }
    const std::vector<const RelationshipDescription*>& relationships() const
    {
        return m_allRelationships;
    }
    int attributeIndex(const QString& name) const { return m_attributeIndex.value(name, -1); }
    int relationshipIndex(const QString& name) const { return m_relationshipIndex.value(name, -1); }
    const AttributeDescription* attribute(const QString& name) const;
    const RelationshipDescription* relationship(const QString& name) const;

    // Our own stable hash of what decides this entity's stored form.
    QByteArray versionHash() const;

private:
    friend class ManagedObjectModel;

    QString m_name;
    QString m_parentName;
    // deques keep the addresses of declared properties stable.
    std::deque<AttributeDescription> m_ownAttributes;
    std::deque<RelationshipDescription> m_ownRelationships;
    ClassFactory m_factory;

    const EntityDescription* m_parent = nullptr;
    std::vector<const EntityDescription*> m_subentities;
    std::vector<const AttributeDescription*> m_allAttributes;
    std::vector<const RelationshipDescription*> m_allRelationships;
    QHash<QString, int> m_attributeIndex;
    QHash<QString, int> m_relationshipIndex;
};

} // namespace platform
