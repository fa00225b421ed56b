#include "PredicateArchiving.h"

#include "platform/foundation/Archiver.h"
#include "platform/predicate/Predicate.h"
#include "platform/predicate/SortDescriptor.h"

namespace platform {

namespace {

const QString kFormatField = QStringLiteral("format");
const QString kKeyField = QStringLiteral("key");
const QString kAscendingField = QStringLiteral("ascending");
const QString kSelectorField = QStringLiteral("selector");

bool encodePredicate(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    const PredicateRef predicate = value.value<PredicateRef>();
    if (!predicate)
        return false;
    // Text that does not read back as the same predicate (one holding objects as constants)
    // would come back changed: refuse to archive it.
    const QString format = predicate->predicateFormat();
    const auto reparsed = Predicate::predicateWithFormat(format);
    if (!reparsed || !reparsed->isEqual(*predicate))
        return false;
    fields.insert(kFormatField, format);
    return true;
}

std::optional<QVariant> decodePredicate(const QCborMap& fields, Archiver::Decoder&)
{
    const QCborValue format = fields.value(kFormatField);
    if (!format.isString())
        return std::nullopt;
    const PredicateRef predicate = Predicate::predicateWithFormat(format.toString());
    if (!predicate)
        return std::nullopt;
    return QVariant::fromValue(predicate);
}

bool encodeSortDescriptor(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    const auto descriptor = value.value<SortDescriptor>();
    fields.insert(kKeyField, descriptor.key());
    fields.insert(kAscendingField, descriptor.ascending());
    fields.insert(kSelectorField, descriptor.selector());
    return true;
}

std::optional<QVariant> decodeSortDescriptor(const QCborMap& fields, Archiver::Decoder&)
{
    const QCborValue key = fields.value(kKeyField);
    const QCborValue ascending = fields.value(kAscendingField);
    const QCborValue selector = fields.value(kSelectorField);
    if (!key.isString() || !ascending.isBool() || !selector.isString())
        return std::nullopt;
    return QVariant::fromValue(
        SortDescriptor(key.toString(), ascending.toBool(), selector.toString()));
}

} // namespace

void registerPredicateArchiving()
{
    Archiver::registerClass(QStringLiteral("NSPredicate"), QMetaType::fromType<PredicateRef>().id(),
        encodePredicate, decodePredicate);
    Archiver::registerClass(QStringLiteral("NSSortDescriptor"),
        QMetaType::fromType<SortDescriptor>().id(), encodeSortDescriptor, decodeSortDescriptor);
}

} // namespace platform
