#pragma once

#include "EntityDescription.h"

#include "platform/foundation/Error.h"

#include <QStringList>

#include <deque>
#include <memory>

namespace platform {

// The entities of a store, declared in code. Entities are added, then finish() resolves
// parents, destinations and inverses and freezes the model; from then on it is read-only and
// shared (through std::shared_ptr) by coordinators and contexts on any thread.
//
// `version` orders models: a store written by a higher version is refused; one written by a
// lower version is migrated by adding what is missing.
class ManagedObjectModel final {
public:
    explicit ManagedObjectModel(int version = 1, QStringList versionIdentifiers = {});
    ManagedObjectModel(const ManagedObjectModel&) = delete;
    ManagedObjectModel& operator=(const ManagedObjectModel&) = delete;

    EntityDescription& addEntity(const QString& name, const QString& parentName = {});

    // False with an error naming the first unknown parent, destination or inverse.
    bool finish(Error* error = nullptr);
    bool isFinished() const { return m_finished; }

    int version() const { return m_version; }
    const QStringList& versionIdentifiers() const { return m_versionIdentifiers; }

    const EntityDescription* entity(const QString& name) const;
    // Every entity in store numbering order: roots by name, each followed straight away by
    // its sub-entities (recursively, by name). A new store numbers them 1, 2, ... this way.
    const std::vector<const EntityDescription*>& entities() const { return m_ordered; }

private:
    int m_version;
    QStringList m_versionIdentifiers;
    std::deque<EntityDescription> m_entities;
    std::vector<const EntityDescription*> m_ordered;
    bool m_finished = false;
};

} // namespace platform
