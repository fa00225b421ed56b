#include "StoreMetadata.h"

#include "ManagedObjectModel.h"

#include <plist/plist.h>

#include <cstdlib>

namespace platform {

namespace {

const char* const kModelVersionKey = "BXModelVersion";

QString stringValue(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    char* text = nullptr;
    plist_get_string_val(node, &text);
    const QString result = QString::fromUtf8(text);
    std::free(text);
    return result;
}

} // namespace

StoreMetadata StoreMetadata::forModel(const ManagedObjectModel& model)
{
    StoreMetadata metadata;
    metadata.storeType = QStringLiteral("SQLite");
    metadata.versionIdentifiers = model.versionIdentifiers();
    metadata.modelVersion = model.version();
    for (const EntityDescription* entity : model.entities())
        metadata.entityHashes.insert(entity->name(), entity->versionHash());
    return metadata;
}

std::optional<StoreMetadata> StoreMetadata::fromPlist(const QByteArray& bytes)
{
    if (!bytes.startsWith("bplist00"))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    if (!root)
        return std::nullopt;
    if (plist_get_node_type(root) != PLIST_DICT) {
        plist_free(root);
        return std::nullopt;
    }
    StoreMetadata metadata;
    metadata.storeType = stringValue(plist_dict_get_item(root, "NSStoreType"));
    plist_t identifiers = plist_dict_get_item(root, "NSStoreModelVersionIdentifiers");
    if (identifiers && plist_get_node_type(identifiers) == PLIST_ARRAY) {
        for (uint32_t i = 0; i < plist_array_get_size(identifiers); ++i)
            metadata.versionIdentifiers << stringValue(plist_array_get_item(identifiers, i));
    }
    plist_t version = plist_dict_get_item(root, kModelVersionKey);
    if (version && plist_get_node_type(version) == PLIST_UINT) {
        uint64_t value = 0;
        plist_get_uint_val(version, &value);
        metadata.modelVersion = int(qMin<uint64_t>(value, INT_MAX));
    }
    plist_t hashes = plist_dict_get_item(root, "NSStoreModelVersionHashes");
    if (hashes && plist_get_node_type(hashes) == PLIST_DICT) {
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(hashes, &iterator);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(hashes, iterator, &key, &item);
            if (!key)
                break;
            if (item && plist_get_node_type(item) == PLIST_DATA) {
                char* data = nullptr;
                uint64_t length = 0;
                plist_get_data_val(item, &data, &length);
                metadata.entityHashes.insert(
                    QString::fromUtf8(key), QByteArray(data, qsizetype(length)));
                std::free(data);
            }
            std::free(key);
        }
        std::free(iterator);
    }
    plist_free(root);
    return metadata;
}

namespace {

// Serialises and frees `root`.
QByteArray takeBinary(plist_t root)
{
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    QByteArray result(bytes, qsizetype(length));
    std::free(bytes);
    plist_free(root);
    return result;
}

} // namespace

QByteArray StoreMetadata::toPlist() const
{
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "NSStoreType", plist_new_string(storeType.toUtf8().constData()));
    plist_t identifiers = plist_new_array();
    for (const QString& identifier : versionIdentifiers)
        plist_array_append_item(identifiers, plist_new_string(identifier.toUtf8().constData()));
    plist_dict_set_item(root, "NSStoreModelVersionIdentifiers", identifiers);
    plist_dict_set_item(root, "NSStoreModelVersionHashesVersion", plist_new_uint(3));
    plist_dict_set_item(root, "NSPersistenceFrameworkVersion", plist_new_uint(1518));
    plist_dict_set_item(root, "NSPersistenceMaximumFrameworkVersion", plist_new_uint(1518));
    plist_dict_set_item(root, "_NSAutoVacuumLevel", plist_new_string("2"));
    if (modelVersion)
        plist_dict_set_item(root, kModelVersionKey, plist_new_uint(uint64_t(*modelVersion)));
    plist_t hashes = plist_new_dict();
    for (auto it = entityHashes.cbegin(); it != entityHashes.cend(); ++it)
        plist_dict_set_item(hashes, it.key().toUtf8().constData(),
            plist_new_data(it.value().constData(), uint64_t(it.value().size())));
    plist_dict_set_item(root, "NSStoreModelVersionHashes", hashes);
    return takeBinary(root);
}

QByteArray StoreMetadata::mergedInto(const QByteArray& stored) const
{
    plist_t root = nullptr;
    if (stored.startsWith("bplist00"))
        plist_from_bin(stored.constData(), uint32_t(stored.size()), &root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) {
        if (root)
            plist_free(root);
        return toPlist();
    }
    if (modelVersion)
        plist_dict_set_item(root, kModelVersionKey, plist_new_uint(uint64_t(*modelVersion)));
    return takeBinary(root);
}

} // namespace platform
