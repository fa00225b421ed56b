#pragma once

#include "platform/foundation/ValueTransformer.h"

// Stores colours as archive data: forward, data archived from a platform::Color becomes that
// colour; reverse, a colour becomes its archive. Any other input gives nil either way.
// Registered by name ("BXColorValueTransformer"). Stateless, usable from any thread.
class BXColorValueTransformer final : public platform::ValueTransformer {
public:
    BXColorValueTransformer();
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
};
