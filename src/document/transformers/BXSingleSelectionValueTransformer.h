#pragma once

#include "platform/foundation/ValueTransformer.h"

// For controls enabled only while exactly one item is selected. Forward only.
class BXSingleSelectionValueTransformer final : public platform::ValueTransformer {
public:
    // A Boolean: true exactly when the count's 32-bit integer value is 1 (nil counts as 0).
    QVariant transformedValue(const QVariant& value) const override;
};
