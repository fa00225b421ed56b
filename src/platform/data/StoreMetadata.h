#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

class ManagedObjectModel;

// The metadata kept in the store's Z_METADATA row: the store UUID (its own column) and a
// binary property list with the store type, the model's version identifiers and version
// number, and our own per-entity version hashes.
struct StoreMetadata {
    QString storeType;
    QStringList versionIdentifiers;
    // The model version that wrote the store; nullopt for a store written by another program.
    std::optional<int> modelVersion;
    QHash<QString, QByteArray> entityHashes;

    static StoreMetadata forModel(const ManagedObjectModel& model);
    // nullopt when the bytes are not a binary property list holding a dictionary.
    static std::optional<StoreMetadata> fromPlist(const QByteArray& bytes);
    QByteArray toPlist() const;
};

} // namespace platform
