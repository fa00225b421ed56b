#pragma once

#include "platform/foundation/ValueTransformer.h"

// Lets a binding that wants a list take a to-many relation: our relations already arrive as
// lists, so the value passes through unchanged in both directions.
class BXSetToArrayValueTransformer final : public platform::ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override { return value; }
    // Reversible without a reverse of its own: the reverse is the forward transformation.
    QVariant reverseTransformedValue(const QVariant& value) const override
    {
        return transformedValue(value);
    }
    bool allowsReverseTransformation() const override { return true; }
};
