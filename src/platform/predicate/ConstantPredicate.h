#pragma once

#include "platform/predicate/Predicate.h"

namespace platform {

// TRUEPREDICATE or FALSEPREDICATE: the same answer for every object.
class ConstantPredicate final : public Predicate {
public:
    explicit ConstantPredicate(bool value) : m_value(value) { }

    bool value() const { return m_value; }

    Kind kind() const override { return Kind::Constant; }
    PredicateRef predicateWithSubstitutionVariables(const QVariantMap& variables) const override;
    QString predicateFormat() const override;
    bool isEqual(const Predicate& other) const override;
    bool evaluate(
        const QVariant& object, const QVariantMap& variables, Error* error) const override;

private:
    bool m_value;
};

} // namespace platform
