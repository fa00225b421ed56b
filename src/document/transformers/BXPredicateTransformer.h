#pragma once

#include "platform/foundation/ValueTransformer.h"

// Stores a fetched-notes category's predicate: forward, a predicate (a QVariant holding a
// platform::PredicateRef) becomes archive data; reverse, archive data whose root is a
// predicate becomes that predicate. Registered by name ("BXPredicateTransformer") for the
// store's transformable attribute. Stateless, usable from any thread.
class BXPredicateTransformer final : public platform::ValueTransformer {
public:
    // Makes sure predicates can be archived.
    BXPredicateTransformer();

    // Archive data, or nil after logging "failed trasforming data: %@" when archiving fails.
    QVariant transformedValue(const QVariant& value) const override;
    // The predicate, or nil (silently) for anything that is not an archived predicate.
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
