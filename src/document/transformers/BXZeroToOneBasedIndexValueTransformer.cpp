#include "document/transformers/BXZeroToOneBasedIndexValueTransformer.h"

#include <cmath>

QVariant BXZeroToOneBasedIndexValueTransformer::transformedValue(const QVariant& value) const
{
    const qint64 wide = value.metaType().id() == QMetaType::Double
        ? qint64(std::trunc(value.toDouble()))
        : value.toLongLong();
    if (wide == NSNotFound)
        return qint64(0);
    // The 32-bit value, widened before adding so that the largest index does not overflow.
    return qint64(static_cast<std::int32_t>(wide)) + 1;
}
