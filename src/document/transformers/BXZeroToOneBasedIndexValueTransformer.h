#pragma once

#include "platform/foundation/ValueTransformer.h"

#include <cstdint>
#include <limits>

// Shows a zero-based index as a position counted from one. Forward only.
class BXZeroToOneBasedIndexValueTransformer final : public platform::ValueTransformer {
public:
    // "No index": the largest signed 64-bit integer.
    static constexpr std::int64_t NSNotFound = std::numeric_limits<std::int64_t>::max();

    // 0 for NSNotFound, otherwise the index's 32-bit integer value plus 1 (nil counts as 0).
    QVariant transformedValue(const QVariant& value) const override;
};
