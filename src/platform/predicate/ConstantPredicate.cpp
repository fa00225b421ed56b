#include "ConstantPredicate.h"

namespace platform {

PredicateRef ConstantPredicate::predicateWithSubstitutionVariables(const QVariantMap&) const
{
    return std::make_shared<ConstantPredicate>(m_value);
}

QString ConstantPredicate::predicateFormat() const
{
    return m_value ? QStringLiteral("TRUEPREDICATE") : QStringLiteral("FALSEPREDICATE");
}

bool ConstantPredicate::isEqual(const Predicate& other) const
{
    return other.kind() == Kind::Constant
        && static_cast<const ConstantPredicate&>(other).m_value == m_value;
}

bool ConstantPredicate::evaluate(const QVariant&, const QVariantMap&, Error*) const
{
    return m_value;
}

} // namespace platform
