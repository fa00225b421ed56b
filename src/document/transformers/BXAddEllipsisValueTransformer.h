#pragma once

#include "platform/foundation/ValueTransformer.h"

// For bindings that show a title as a command ("Notes" becomes "Notes…"). Forward only.
class BXAddEllipsisValueTransformer final : public platform::ValueTransformer {
public:
    // The value's text followed by U+2026; nil stays nil.
    QVariant transformedValue(const QVariant& value) const override;
};
