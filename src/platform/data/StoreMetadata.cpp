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
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return QString::fromUtf8(text, qsizetype(length));
}

// libplist asserts when a key or string it hands out holds a NUL byte, so such a list is
// refused before libplist reads it: every string object (keys are strings too) is checked in
// the bytes. True as well when the object table cannot be walked.
bool holdsNulInKeyOrString(const QByteArray& bytes)
{
    const qsizetype size = bytes.size();
    if (size < 8 + 32)
        return true;
    auto number = [&bytes, size](quint64 at, int width) -> std::optional<quint64> {
        if (width < 1 || width > 8 || at > quint64(size) || quint64(width) > quint64(size) - at)
            return std::nullopt;
        quint64 value = 0;
        for (int i = 0; i < width; ++i)
            value = (value << 8) | quint8(bytes[qsizetype(at) + i]);
        return value;
    };
    const qsizetype trailer = size - 32;
    const int offsetWidth = quint8(bytes[trailer + 6]);
    const quint64 count = *number(trailer + 8, 8);
    const quint64 table = *number(trailer + 24, 8);
    if (offsetWidth < 1 || offsetWidth > 8 || table >= quint64(trailer)
        || count > (quint64(trailer) - table) / quint64(offsetWidth))
        return true;
    for (quint64 i = 0; i < count; ++i) {
        const std::optional<quint64> offset = number(table + i * quint64(offsetWidth), offsetWidth);
        if (!offset || *offset >= quint64(trailer))
            return true;
        const quint8 marker = quint8(bytes[qsizetype(*offset)]);
        const int kind = marker >> 4;
        // 0x5: ASCII, 0x6: UTF-16, 0x7: UTF-8 strings.
        if (kind < 0x5 || kind > 0x7)
            continue;
        quint64 length = marker & 0xF;
        quint64 start = *offset + 1;
        if (length == 0xF) {
            // The length is an integer object of its own.
            const std::optional<quint64> lengthMarker = number(start, 1);
            if (!lengthMarker || (*lengthMarker >> 4) != 0x1 || (*lengthMarker & 0xF) > 3)
                return true;
            const int width = 1 << (*lengthMarker & 0xF);
            const std::optional<quint64> value = number(start + 1, width);
            if (!value)
                return true;
            length = *value;
            start += 1 + quint64(width);
        }
        const quint64 unit = kind == 0x6 ? 2 : 1;
        if (start > quint64(trailer) || length > (quint64(trailer) - start) / unit)
            return true;
        const QByteArrayView text(bytes.constData() + start, qsizetype(length * unit));
        for (qsizetype at = 0; at < text.size(); at += qsizetype(unit)) {
            if (text[at] == 0 && (unit == 1 || text[at + 1] == 0))
                return true;
        }
    }
    return false;
}

// The dictionary a binary property list holds; null for anything else. Free it with plist_free.
plist_t readDictionary(const QByteArray& bytes)
{
    if (!bytes.startsWith("bplist00") || holdsNulInKeyOrString(bytes))
        return nullptr;
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    if (root && plist_get_node_type(root) != PLIST_DICT) {
        plist_free(root);
        return nullptr;
    }
    return root;
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
    plist_t root = readDictionary(bytes);
    if (!root)
        return std::nullopt;
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
    plist_t root = readDictionary(stored);
    if (!root)
        return toPlist();
    if (modelVersion)
        plist_dict_set_item(root, kModelVersionKey, plist_new_uint(uint64_t(*modelVersion)));
    return takeBinary(root);
}

} // namespace platform
