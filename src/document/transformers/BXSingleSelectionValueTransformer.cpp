#include "document/transformers/BXSingleSelectionValueTransformer.h"

#include <cmath>
#include <cstdint>

QVariant BXSingleSelectionValueTransformer::transformedValue(const QVariant& value) const
{
    // A count's 32-bit value: fractions cut off, wider integers wrapped.
    const qint64 wide = value.metaType().id() == QMetaType::Double
        ? qint64(std::trunc(value.toDouble()))
        : value.toLongLong();
    return static_cast<std::int32_t>(wide) == 1;
}
