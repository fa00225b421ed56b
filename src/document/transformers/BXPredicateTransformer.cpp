#include "document/transformers/BXPredicateTransformer.h"

#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"
#include "platform/predicate/Predicate.h"
#include "platform/predicate/PredicateArchiving.h"

BXPredicateTransformer::BXPredicateTransformer()
{
    platform::registerPredicateArchiving();
}

QVariant BXPredicateTransformer::transformedValue(const QVariant& value) const
{
    platform::Error error;
    const QByteArray data = platform::Archiver::archivedData(value, &error);
    if (data.isEmpty()) {
        platform::log("failed trasforming data: %@", error);
        return {};
    }
    return data;
}

QVariant BXPredicateTransformer::reverseTransformedValue(const QVariant& value) const
{
    if (value.metaType().id() != QMetaType::QByteArray)
        return {};
    const auto predicate = platform::Archiver::unarchived<platform::PredicateRef>(
        value.toByteArray(), { QStringLiteral("NSPredicate") });
    if (!predicate || !*predicate)
        return {};
    return QVariant::fromValue(*predicate);
}
