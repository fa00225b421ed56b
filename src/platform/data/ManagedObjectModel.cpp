#include "ManagedObjectModel.h"

#include <algorithm>

namespace platform {

namespace {

Error modelError(const QString& reason)
{
    return Error(kCocoaErrorDomain, CoreDataValidationError,
        QStringLiteral("The data model is inconsistent."), reason);
}

} // namespace

ManagedObjectModel::ManagedObjectModel(int version, QStringList versionIdentifiers)
    : m_version(version), m_versionIdentifiers(std::move(versionIdentifiers))
{ }

EntityDescription& ManagedObjectModel::addEntity(const QString& name, const QString& parentName)
{
    Q_ASSERT(!m_finished);
    return m_entities.emplace_back(name, parentName);
}

const EntityDescription* ManagedObjectModel::entity(const QString& name) const
{
    for (const EntityDescription& entity : m_entities) {
        if (entity.name() == name)
            return &entity;
    }
    return nullptr;
}

bool ManagedObjectModel::finish(Error* error)
{
    if (m_finished)
        return true;
    auto find = [this](const QString& name) -> EntityDescription* {
        for (EntityDescription& entity : m_entities) {
            if (entity.name() == name)
                return &entity;
        }
        return nullptr;
    };
    for (EntityDescription& entity : m_entities) {
        if (entity.m_parentName.isEmpty())
            continue;
        EntityDescription* parent = find(entity.m_parentName);
        if (!parent || parent == &entity)
            return Error::set(error,
                modelError(QStringLiteral("Entity %1 has an unknown parent %2.")
                               .arg(entity.name(), entity.m_parentName)));
        entity.m_parent = parent;
        parent->m_subentities.push_back(&entity);
    }
    for (EntityDescription& entity : m_entities) {
        int depth = 0;
        for (const EntityDescription* e = &entity; e; e = e->m_parent) {
            if (++depth > int(m_entities.size()))
                return Error::set(error,
                    modelError(
                        QStringLiteral("Entity %1 is its own ancestor.").arg(entity.name())));
        }
        std::sort(entity.m_subentities.begin(), entity.m_subentities.end(),
            [](auto* a, auto* b) { return a->name() < b->name(); });
    }
    for (EntityDescription& entity : m_entities) {
        for (RelationshipDescription& relationship : entity.m_ownRelationships) {
            EntityDescription* destination = find(relationship.m_destinationName);
            if (!destination)
                return Error::set(error,
                    modelError(QStringLiteral("Relationship %1.%2 has an unknown "
                                              "destination %3.")
                                   .arg(entity.name(), relationship.name(),
                                       relationship.m_destinationName)));
            relationship.m_destination = destination;
        }
    }
    // Collect inherited properties, parents first, so indexes agree down a hierarchy.
    std::vector<EntityDescription*> roots;
    for (EntityDescription& entity : m_entities) {
        if (!entity.m_parent)
            roots.push_back(&entity);
    }
    std::sort(roots.begin(), roots.end(), [](auto* a, auto* b) { return a->name() < b->name(); });
    m_ordered.clear();
    std::function<void(EntityDescription*)> visit = [&](EntityDescription* entity) {
        m_ordered.push_back(entity);
        if (entity->m_parent) {
            entity->m_allAttributes = entity->m_parent->m_allAttributes;
            entity->m_allRelationships = entity->m_parent->m_allRelationships;
        }
        for (const AttributeDescription& attribute : entity->m_ownAttributes)
            entity->m_allAttributes.push_back(&attribute);
        for (const RelationshipDescription& relationship : entity->m_ownRelationships)
            entity->m_allRelationships.push_back(&relationship);
        for (size_t i = 0; i < entity->m_allAttributes.size(); ++i)
            entity->m_attributeIndex.insert(entity->m_allAttributes[i]->name(), int(i));
        for (size_t i = 0; i < entity->m_allRelationships.size(); ++i)
            entity->m_relationshipIndex.insert(entity->m_allRelationships[i]->name(), int(i));
        for (const EntityDescription* sub : entity->m_subentities)
            visit(const_cast<EntityDescription*>(sub));
    };
    for (EntityDescription* root : roots)
        visit(root);
    for (EntityDescription& entity : m_entities) {
        for (RelationshipDescription& relationship : entity.m_ownRelationships) {
            if (relationship.m_inverseName.isEmpty())
                continue;
            const RelationshipDescription* inverse
                = relationship.m_destination->relationship(relationship.m_inverseName);
            if (!inverse || inverse->m_inverseName != relationship.name())
                return Error::set(error,
                    modelError(
                        QStringLiteral("Relationship %1.%2 has no matching "
                                       "inverse %3.")
                            .arg(entity.name(), relationship.name(), relationship.m_inverseName)));
            relationship.m_inverse = inverse;
        }
    }
    m_finished = true;
    return true;
}

} // namespace platform
