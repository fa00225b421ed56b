#pragma once

#include <QHash>
#include <QMetaType>
#include <QString>
#include <QUrl>

namespace platform {

class EntityDescription;

// Identifies one object: a saved row (store UUID, entity, primary key) or an object not saved
// yet (a temporary reference). A plain value, comparable and hashable, usable on any thread.
//
// URI forms: x-coredata://<STORE-UUID>/<Entity>/p<N> for saved objects and
// x-coredata:///<Entity>/t<UUID><n> for temporary ones.
class ManagedObjectID final {
public:
    ManagedObjectID() = default;
    static ManagedObjectID permanent(
        const EntityDescription* entity, const QString& storeUUID, qint64 primaryKey);
    // A fresh temporary ID, unique in this process.
    static ManagedObjectID makeTemporary(const EntityDescription* entity);
    // The temporary ID whose URI ends in t<reference>.
    static ManagedObjectID fromTemporaryReference(
        const EntityDescription* entity, const QString& reference);

    bool isNull() const { return m_entity == nullptr; }
    bool isTemporaryID() const { return m_primaryKey == 0 && m_entity; }
    const EntityDescription* entity() const { return m_entity; }
    const QString& storeUUID() const { return m_store; }
    qint64 primaryKey() const { return m_primaryKey; }

    // QUrl shows the store UUID (the host part) in lower case; readers compare it ignoring case.
    QUrl URIRepresentation() const;

    bool operator==(const ManagedObjectID& other) const;
    bool operator!=(const ManagedObjectID& other) const { return !(*this == other); }

private:
    friend size_t qHash(const ManagedObjectID& id, size_t seed);

    const EntityDescription* m_entity = nullptr;
    QString m_store; // the store UUID, or for a temporary ID its reference "<UUID><n>"
    qint64 m_primaryKey = 0;
};

size_t qHash(const ManagedObjectID& id, size_t seed = 0);

} // namespace platform

Q_DECLARE_METATYPE(platform::ManagedObjectID)
