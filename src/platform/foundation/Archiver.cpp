#include "Archiver.h"

#include "ArchiveFields.h"
#include "Format.h"
#include "IndexSet.h"
#include "Localized.h"

#include <QCborArray>
#include <QCborStreamReader>
#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QReadWriteLock>
#include <QUrl>

#include <cfloat>
#include <cmath>
#include <limits>
#include <type_traits>

namespace platform {

namespace {

const QString kClassKey = QStringLiteral("$class");
const QString kArchiverKey = QStringLiteral("$archiver");
const QString kVersionKey = QStringLiteral("$version");
const QString kObjectsKey = QStringLiteral("$objects");
const QString kDigestKey = QStringLiteral("$sha256");
const QString kArchiverName = QStringLiteral("BXArchiver");
constexpr qint64 kVersion = 1;

// Dates beyond about 300,000 years either side of 1970 are damage, not data.
constexpr qint64 kMaximumDateMSecs = 10'000'000'000'000'000LL;

struct Encoding {
    QString tag;
    Archiver::EncodeFn encode;
};

// Classes by QMetaType id for encoding and by tag for decoding. A tag may serve several
// types (every number kind is an NSNumber).
class Registry {
public:
    Registry();

    void add(
        const QString& tag, int metaTypeId, Archiver::EncodeFn encode, Archiver::DecodeFn decode)
    {
        QWriteLocker locker(&m_lock);
        m_encodings.insert(metaTypeId, Encoding { tag, std::move(encode) });
        m_decoders.insert(tag, std::move(decode));
    }

    std::optional<Encoding> encoding(int metaTypeId) const
    {
        QReadLocker locker(&m_lock);
        const auto it = m_encodings.constFind(metaTypeId);
        if (it == m_encodings.cend())
            return std::nullopt;
        return *it;
    }

    Archiver::DecodeFn decoder(const QString& tag) const
    {
        QReadLocker locker(&m_lock);
        return m_decoders.value(tag);
    }

private:
    void addNumberKinds();

    mutable QReadWriteLock m_lock;
    QHash<int, Encoding> m_encodings;
    QHash<QString, Archiver::DecodeFn> m_decoders;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

// --- NSURL, NSString, NSDate, NSData ---

bool encodeUrl(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    const QUrl url = value.toUrl();
    if (!url.isValid())
        return false;
    fields.insert(QStringLiteral("string"), QString::fromLatin1(url.toEncoded()));
    return true;
}

std::optional<QVariant> decodeUrl(const QCborMap& fields, Archiver::Decoder&)
{
    const std::optional<QString> text = ArchiveFields::string(fields, QStringLiteral("string"));
    if (!text)
        return std::nullopt;
    const QUrl url = QUrl::fromEncoded(text->toUtf8(), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return QVariant(url);
}

bool encodeString(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    fields.insert(QStringLiteral("string"), value.toString());
    return true;
}

std::optional<QVariant> decodeString(const QCborMap& fields, Archiver::Decoder&)
{
    const std::optional<QString> text = ArchiveFields::string(fields, QStringLiteral("string"));
    if (!text)
        return std::nullopt;
    return QVariant(*text);
}

bool encodeDate(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    const QDateTime date = value.toDateTime();
    if (!date.isValid())
        return false;
    const qint64 msecs = date.toMSecsSinceEpoch();
    if (msecs < -kMaximumDateMSecs || msecs > kMaximumDateMSecs)
        return false;
    fields.insert(QStringLiteral("msecs"), msecs);
    return true;
}

std::optional<QVariant> decodeDate(const QCborMap& fields, Archiver::Decoder&)
{
    const std::optional<qint64> msecs = ArchiveFields::integer(
        fields, QStringLiteral("msecs"), -kMaximumDateMSecs, kMaximumDateMSecs);
    if (!msecs)
        return std::nullopt;
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(*msecs);
    if (!date.isValid())
        return std::nullopt;
    return QVariant(date);
}

bool encodeData(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    fields.insert(QStringLiteral("bytes"), value.toByteArray());
    return true;
}

std::optional<QVariant> decodeData(const QCborMap& fields, Archiver::Decoder&)
{
    const QCborValue bytes = fields.value(QStringLiteral("bytes"));
    if (!bytes.isByteArray())
        return std::nullopt;
    return QVariant(bytes.toByteArray());
}

// --- NSArray, NSDictionary ---

bool encodeArray(const QVariant& value, QCborMap& fields, Archiver::Encoder& encoder)
{
    QCborArray items;
    for (const QVariant& item : value.toList()) {
        const std::optional<QCborValue> encoded = encoder.encode(item);
        if (!encoded)
            return false;
        items.append(*encoded);
    }
    fields.insert(QStringLiteral("items"), items);
    return true;
}

std::optional<QVariant> decodeArray(const QCborMap& fields, Archiver::Decoder& decoder)
{
    const QCborValue items = fields.value(QStringLiteral("items"));
    if (!items.isArray())
        return std::nullopt;
    QVariantList list;
    for (const QCborValue& item : items.toArray()) {
        std::optional<QVariant> decoded = decoder.decode(item);
        if (!decoded)
            return std::nullopt;
        list.append(std::move(*decoded));
    }
    return QVariant(list);
}

bool encodeDictionary(const QVariant& value, QCborMap& fields, Archiver::Encoder& encoder)
{
    QCborMap entries;
    const QVariantMap map = value.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const std::optional<QCborValue> encoded = encoder.encode(it.value());
        if (!encoded)
            return false;
        entries.insert(it.key(), *encoded);
    }
    fields.insert(QStringLiteral("entries"), entries);
    return true;
}

std::optional<QVariant> decodeDictionary(const QCborMap& fields, Archiver::Decoder& decoder)
{
    const QCborValue entries = fields.value(QStringLiteral("entries"));
    if (!entries.isMap())
        return std::nullopt;
    const QCborMap map = entries.toMap();
    QVariantMap result;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!it.key().isString())
            return std::nullopt;
        const QString key = it.key().toString();
        // A repeated key would make one of the values silently win.
        if (result.contains(key))
            return std::nullopt;
        std::optional<QVariant> decoded = decoder.decode(it.value());
        if (!decoded)
            return std::nullopt;
        result.insert(key, std::move(*decoded));
    }
    return QVariant(result);
}

// --- NSNumber: one tag, a kind per C++ type so the type comes back ---

std::optional<QVariant> decodeNumber(const QCborMap& fields, Archiver::Decoder&)
{
    const std::optional<QString> kind = ArchiveFields::string(fields, QStringLiteral("kind"));
    const QCborValue value = fields.value(QStringLiteral("value"));
    if (!kind)
        return std::nullopt;
    if (*kind == QLatin1String("bool"))
        return value.isBool() ? std::optional<QVariant>(QVariant(value.toBool())) : std::nullopt;
    if (*kind == QLatin1String("double"))
        return value.isDouble() ? std::optional<QVariant>(QVariant(value.toDouble()))
                                : std::nullopt;
    if (*kind == QLatin1String("float")) {
        const double number = value.toDouble();
        if (!value.isDouble() || (std::isfinite(number) && std::fabs(number) > FLT_MAX))
            return std::nullopt;
        return QVariant(float(number));
    }
    if (!value.isInteger())
        return std::nullopt;
    const qint64 number = value.toInteger();
    if (*kind == QLatin1String("int64"))
        return QVariant(number);
    if (*kind == QLatin1String("uint64"))
        return QVariant(quint64(number));
    if (*kind == QLatin1String("int")) {
        if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
            return std::nullopt;
        return QVariant(int(number));
    }
    if (*kind == QLatin1String("uint")) {
        if (number < 0 || number > std::numeric_limits<uint>::max())
            return std::nullopt;
        return QVariant(uint(number));
    }
    return std::nullopt;
}

template <typename T> void addNumberKind(Registry& registry, const QString& kind)
{
    registry.add(
        QStringLiteral("NSNumber"), QMetaType::fromType<T>().id(),
        [kind](const QVariant& value, QCborMap& fields, Archiver::Encoder&) {
            fields.insert(QStringLiteral("kind"), kind);
            if constexpr (std::is_same_v<T, bool>)
                fields.insert(QStringLiteral("value"), value.toBool());
            else if constexpr (std::is_floating_point_v<T>)
                fields.insert(QStringLiteral("value"), double(value.value<T>()));
            else // unsigned 64-bit values keep their bits in the signed CBOR integer
                fields.insert(QStringLiteral("value"), qint64(value.value<T>()));
            return true;
        },
        decodeNumber);
}

void Registry::addNumberKinds()
{
    addNumberKind<bool>(*this, QStringLiteral("bool"));
    addNumberKind<int>(*this, QStringLiteral("int"));
    addNumberKind<uint>(*this, QStringLiteral("uint"));
    addNumberKind<qint64>(*this, QStringLiteral("int64"));
    addNumberKind<quint64>(*this, QStringLiteral("uint64"));
    addNumberKind<float>(*this, QStringLiteral("float"));
    addNumberKind<double>(*this, QStringLiteral("double"));
}

Registry::Registry()
{
    add(QStringLiteral("NSURL"), QMetaType::QUrl, encodeUrl, decodeUrl);
    add(QStringLiteral("NSString"), QMetaType::QString, encodeString, decodeString);
    add(QStringLiteral("NSDate"), QMetaType::QDateTime, encodeDate, decodeDate);
    add(QStringLiteral("NSData"), QMetaType::QByteArray, encodeData, decodeData);
    add(QStringLiteral("NSArray"), QMetaType::QVariantList, encodeArray, decodeArray);
    add(QStringLiteral("NSDictionary"), QMetaType::QVariantMap, encodeDictionary, decodeDictionary);
    add(
        QStringLiteral("NSIndexSet"), QMetaType::fromType<IndexSet>().id(),
        [](const QVariant& value, QCborMap& fields, Archiver::Encoder&) {
            return IndexSet::encodeFields(value.value<IndexSet>(), fields);
        },
        [](const QCborMap& fields, Archiver::Decoder&) -> std::optional<QVariant> {
            const std::optional<IndexSet> set = IndexSet::decodeFields(fields);
            return set ? std::optional<QVariant>(QVariant::fromValue(*set)) : std::nullopt;
        });
    addNumberKinds();
}

// One CBOR item that fills `data` exactly.
std::optional<QCborValue> parseWhole(const QByteArray& data, QString* failure)
{
    QCborStreamReader reader(data);
    QCborValue value = QCborValue::fromCbor(reader);
    if (reader.lastError() != QCborError::NoError) {
        *failure = reader.lastError().toString();
        return std::nullopt;
    }
    if (reader.currentOffset() != data.size()) {
        *failure = QStringLiteral("bytes after the archive");
        return std::nullopt;
    }
    return value;
}

Error invalidValueError(const QString& reason)
{
    return Error(kCocoaErrorDomain, CoderInvalidValueError,
        localized(
            QStringLiteral("The data couldn't be written because it isn't in the correct format.")),
        reason);
}

} // namespace

std::optional<QCborValue> Archiver::Encoder::encode(const QVariant& value)
{
    if (!value.isValid()) {
        m_failure = QStringLiteral("a nil object cannot be archived");
        return std::nullopt;
    }
    if (m_depth >= kMaximumDepth) {
        m_failure = format("objects nest deeper than %d levels", kMaximumDepth);
        return std::nullopt;
    }
    if (value.metaType() == QMetaType::fromType<QStringList>())
        return encode(QVariant(value.toList()));
    const std::optional<Encoding> encoding = registry().encoding(value.metaType().id());
    if (!encoding) {
        m_failure = format("no archivable class for values of type %@",
            QString::fromLatin1(value.metaType().name()));
        return std::nullopt;
    }
    QCborMap fields;
    ++m_depth;
    const bool encoded = encoding->encode(value, fields, *this);
    --m_depth;
    if (!encoded) {
        if (m_failure.isEmpty())
            m_failure = format("invalid %@ value", encoding->tag);
        return std::nullopt;
    }
    QCborMap object;
    object.insert(kClassKey, encoding->tag);
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        object.insert(it.key(), it.value());
    return QCborValue(object);
}

std::optional<QVariant> Archiver::Decoder::decode(const QCborValue& value)
{
    return decode(value, m_allowed);
}

std::optional<QVariant> Archiver::Decoder::decode(
    const QCborValue& value, const QStringList& allowedClasses)
{
    if (!value.isMap() || m_depth >= kMaximumDepth)
        return std::nullopt;
    const QCborMap object = value.toMap();
    const QCborValue tag = object.value(kClassKey);
    if (!tag.isString() || !allowedClasses.contains(tag.toString()))
        return std::nullopt;
    const DecodeFn decodeFields = registry().decoder(tag.toString());
    if (!decodeFields)
        return std::nullopt;
    // Copy first: `allowedClasses` may be m_allowed itself.
    const QStringList outer = m_allowed;
    m_allowed = allowedClasses;
    ++m_depth;
    std::optional<QVariant> result = decodeFields(object, *this);
    --m_depth;
    m_allowed = outer;
    return result;
}

void Archiver::registerClass(const QString& tag, int metaTypeId, EncodeFn encode, DecodeFn decode)
{
    registry().add(tag, metaTypeId, std::move(encode), std::move(decode));
}

QByteArray Archiver::archivedData(const QVariant& root, Error* error)
{
    Encoder encoder;
    const std::optional<QCborValue> object = encoder.encode(root);
    if (!object) {
        Error::set(error, invalidValueError(encoder.m_failure));
        return {};
    }
    const QByteArray objects = object->toCbor();
    QCborMap archive;
    archive.insert(kArchiverKey, kArchiverName);
    archive.insert(kVersionKey, kVersion);
    archive.insert(kObjectsKey, objects);
    archive.insert(kDigestKey, QCryptographicHash::hash(objects, QCryptographicHash::Sha256));
    return archive.toCborValue().toCbor();
}

std::optional<QVariant> Archiver::unarchivedObject(
    const QByteArray& data, const QStringList& allowedClasses, Error* error)
{
    QString failure;
    const std::optional<QCborValue> archive = parseWhole(data, &failure);
    if (!archive) {
        Error::set(error, corruptError(failure));
        return std::nullopt;
    }
    const QCborMap fields = archive->toMap();
    const QCborValue objects = fields.value(kObjectsKey);
    const QCborValue digest = fields.value(kDigestKey);
    if (!archive->isMap() || fields.value(kArchiverKey) != QCborValue(kArchiverName)
        || fields.value(kVersionKey) != QCborValue(kVersion) || !objects.isByteArray()
        || !digest.isByteArray()) {
        Error::set(error, corruptError(QStringLiteral("not an archive")));
        return std::nullopt;
    }
    // The digest turns any damage, even one that still parses, into a refusal.
    if (QCryptographicHash::hash(objects.toByteArray(), QCryptographicHash::Sha256)
        != digest.toByteArray()) {
        Error::set(error, corruptError(QStringLiteral("the archive is damaged")));
        return std::nullopt;
    }
    const std::optional<QCborValue> rootObject = parseWhole(objects.toByteArray(), &failure);
    if (!rootObject) {
        Error::set(error, corruptError(failure));
        return std::nullopt;
    }
    Decoder decoder(allowedClasses);
    std::optional<QVariant> root = decoder.decode(*rootObject);
    if (!root) {
        Error::set(
            error, corruptError(QStringLiteral("an object is damaged or of a class not allowed")));
        return std::nullopt;
    }
    return root;
}

Error Archiver::corruptError(const QString& reason)
{
    return Error(kCocoaErrorDomain, CoderReadCorruptError,
        localized(
            QStringLiteral("The data couldn't be read because it isn't in the correct format.")),
        reason);
}

} // namespace platform
