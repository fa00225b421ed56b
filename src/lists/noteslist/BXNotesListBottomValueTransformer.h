#pragma once

#include "platform/foundation/ValueTransformer.h"

// The count below the notes list: "no notes", "1 note", "n notes"; nil for a negative count.
// Forward only.
class BXNotesListBottomValueTransformer final : public platform::ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override;

    // Adds both list transformers to the named ones.
    static void registerNotesListTransformers();
};
