#pragma once

#include "platform/foundation/ValueTransformer.h"

// The notes list's header: "Notes (n)". Forward only.
class BXNotesListHeaderValueTransformer final : public platform::ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override;
};
