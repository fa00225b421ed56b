#pragma once

#include <QString>

namespace platform {

class EntityDescription;

// One relationship of an entity: its destination entity, its inverse, whether it is to-many,
// and what deleting the source does to it. The destination and inverse are named here and
// resolved when the model is finished.
class RelationshipDescription final {
public:
    enum class DeleteRule {
        NoAction, // leave the destination as it is
        Nullify, // remove the source from the destination's inverse
        Cascade, // delete the destination too
        Deny, // refuse the delete while the relationship holds objects
    };

    RelationshipDescription(QString name, QString destinationEntityName, QString inverseName,
        bool toMany, DeleteRule deleteRule = DeleteRule::Nullify);

    const QString& name() const { return m_name; }
    const QString& destinationEntityName() const { return m_destinationName; }
    const QString& inverseName() const { return m_inverseName; }
    bool isToMany() const { return m_toMany; }
    DeleteRule deleteRule() const { return m_deleteRule; }

    // Resolved by ManagedObjectModel::finish().
    const EntityDescription* entity() const { return m_entity; }
    const EntityDescription* destinationEntity() const { return m_destination; }
    const RelationshipDescription* inverseRelationship() const { return m_inverse; }
    bool isManyToMany() const;

    QString schemaDescription() const;

private:
    friend class ManagedObjectModel;
    friend class EntityDescription;

    QString m_name;
    QString m_destinationName;
    QString m_inverseName;
    bool m_toMany;
    DeleteRule m_deleteRule;
    const EntityDescription* m_entity = nullptr;
    const EntityDescription* m_destination = nullptr;
    const RelationshipDescription* m_inverse = nullptr;
};

} // namespace platform
