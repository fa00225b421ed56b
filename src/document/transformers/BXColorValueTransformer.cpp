#include "document/transformers/BXColorValueTransformer.h"

#include "platform/foundation/Archiver.h"
#include "platform/text/Color.h"
#include "platform/text/TextArchiving.h"

BXColorValueTransformer::BXColorValueTransformer()
{
    platform::TextArchiving::registerClasses();
}

QVariant BXColorValueTransformer::transformedValue(const QVariant& value) const
{
    if (value.metaType().id() != QMetaType::QByteArray)
        return {};
    const auto color = platform::Archiver::unarchived<platform::Color>(
        value.toByteArray(), { QStringLiteral("NSColor") });
    return color ? QVariant::fromValue(*color) : QVariant();
}

QVariant BXColorValueTransformer::reverseTransformedValue(const QVariant& value) const
{
    if (value.metaType() != QMetaType::fromType<platform::Color>())
        return {};
    const QByteArray data = platform::Archiver::archivedData(value);
    return data.isEmpty() ? QVariant() : QVariant(data);
}
