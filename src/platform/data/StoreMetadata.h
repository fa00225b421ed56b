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
// number, and per-entity version hashes. A store made by another program carries that
// program's keys and values; they are kept as they are, so that the program can still open it.
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
    // `stored` (a binary property list of metadata) with this metadata's model version set;
    // every other key keeps its value, whichever program wrote it. The whole of toPlist() when
    // `stored` is not a dictionary.
    QByteArray mergedInto(const QByteArray& stored) const;
};

} // namespace platform
