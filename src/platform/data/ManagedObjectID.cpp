#include "ManagedObjectID.h"

#include "EntityDescription.h"

#include <QUuid>

#include <atomic>

namespace platform {

ManagedObjectID ManagedObjectID::permanent(
    const EntityDescription* entity, const QString& storeUUID, qint64 primaryKey)
{
    ManagedObjectID id;
    id.m_entity = entity;
    id.m_store = storeUUID;
    id.m_primaryKey = primaryKey;
    return id;
}

ManagedObjectID ManagedObjectID::makeTemporary(const EntityDescription* entity)
{
    static const QString processReference
        = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    static std::atomic<quint64> counter { 0 };
    ManagedObjectID id;
    id.m_entity = entity;
    id.m_store = processReference + QString::number(++counter);
    return id;
}

ManagedObjectID ManagedObjectID::fromTemporaryReference(
    const EntityDescription* entity, const QString& reference)
{
    ManagedObjectID id;
    id.m_entity = entity;
    id.m_store = reference.toUpper();
    return id;
}

QUrl ManagedObjectID::URIRepresentation() const
{
    if (!m_entity)
        return {};
    if (m_primaryKey == 0)
        return QUrl(QStringLiteral("x-coredata:///%1/t%2").arg(m_entity->name(), m_store));
    return QUrl(
        QStringLiteral("x-coredata://%1/%2/p%3").arg(m_store, m_entity->name()).arg(m_primaryKey));
}

bool ManagedObjectID::operator==(const ManagedObjectID& other) const
{
    // IDs of one store share the UUID's characters, which spares comparing them.
    return m_primaryKey == other.m_primaryKey
        && (m_store.constData() == other.m_store.constData() || m_store == other.m_store)
        && (m_entity == other.m_entity
            || (m_entity && other.m_entity && m_entity->rootEntity() == other.m_entity->rootEntity()
                && m_primaryKey != 0));
}

size_t qHash(const ManagedObjectID& id, size_t seed)
{
    // Equal saved IDs share their key, which tells rows apart well enough without hashing the
    // store UUID on every look-up during a fetch.
    return id.m_primaryKey != 0 ? ::qHash(id.m_primaryKey, seed) : ::qHash(id.m_store, seed);
}

} // namespace platform
