#pragma once

#include <QVariant>

namespace platform {

// What kind of value a variant holds, where stored values are read back. A Boolean is its own
// kind, never a number: a flag written as YES must not come back as an order or a zoom of 1,
// nor a count of 1 as YES. Code that compares Booleans as numbers (predicates) asks for both.
class VariantKind final {
public:
    // Any integer or floating-point type; not bool.
    static bool isNumber(const QVariant& value);
    static bool isBoolean(const QVariant& value);
};

} // namespace platform
