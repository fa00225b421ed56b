#include "CompoundPredicate.h"

#include <QStringList>

namespace platform {

CompoundPredicate::CompoundPredicate(Type type, QList<PredicateRef> subpredicates)
    : m_type(type), m_subpredicates(std::move(subpredicates))
{ }

std::shared_ptr<CompoundPredicate> CompoundPredicate::andPredicate(
    QList<PredicateRef> subpredicates)
{
    return std::make_shared<CompoundPredicate>(Type::And, std::move(subpredicates));
}

std::shared_ptr<CompoundPredicate> CompoundPredicate::orPredicate(QList<PredicateRef> subpredicates)
{
    return std::make_shared<CompoundPredicate>(Type::Or, std::move(subpredicates));
}

std::shared_ptr<CompoundPredicate> CompoundPredicate::notPredicate(PredicateRef predicate)
{
    return std::make_shared<CompoundPredicate>(
        Type::Not, QList<PredicateRef> { std::move(predicate) });
}

PredicateRef CompoundPredicate::predicateWithSubstitutionVariables(
    const QVariantMap& variables) const
{
    QList<PredicateRef> substituted;
    substituted.reserve(m_subpredicates.size());
    for (const PredicateRef& predicate : m_subpredicates)
        substituted << predicate->predicateWithSubstitutionVariables(variables);
    return std::make_shared<CompoundPredicate>(m_type, substituted);
}

QString CompoundPredicate::predicateFormat() const
{
    const auto part = [](const PredicateRef& predicate) {
        const bool nested = predicate->kind() == Kind::Compound
            && static_cast<const CompoundPredicate&>(*predicate).m_type != Type::Not;
        const QString text = predicate->predicateFormat();
        return nested ? QLatin1Char('(') + text + QLatin1Char(')') : text;
    };
    if (m_type == Type::Not)
        return QStringLiteral("NOT ") + part(m_subpredicates.value(0));
    if (m_subpredicates.isEmpty())
        return m_type == Type::And ? QStringLiteral("TRUEPREDICATE")
                                   : QStringLiteral("FALSEPREDICATE");
    QStringList parts;
    for (const PredicateRef& predicate : m_subpredicates)
        parts << part(predicate);
    return parts.join(m_type == Type::And ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
}

bool CompoundPredicate::isEqual(const Predicate& other) const
{
    if (other.kind() != Kind::Compound)
        return false;
    const auto& compound = static_cast<const CompoundPredicate&>(other);
    return m_type == compound.m_type
        && std::equal(m_subpredicates.begin(), m_subpredicates.end(),
            compound.m_subpredicates.begin(), compound.m_subpredicates.end(),
            [](const PredicateRef& a, const PredicateRef& b) { return a->isEqual(*b); });
}

bool CompoundPredicate::evaluate(
    const QVariant& object, const QVariantMap& variables, Error* error) const
{
    // A failure inside stops evaluation and counts as false, whatever NOT would make of it.
    Error failure;
    switch (m_type) {
    case Type::Not: {
        const bool result = m_subpredicates.value(0)->evaluate(object, variables, &failure);
        return failure ? Error::set(error, failure) : !result;
    }
    case Type::And:
        for (const PredicateRef& predicate : m_subpredicates) {
            if (!predicate->evaluate(object, variables, &failure))
                return failure ? Error::set(error, failure) : false;
        }
        return true;
    case Type::Or:
        for (const PredicateRef& predicate : m_subpredicates) {
            if (predicate->evaluate(object, variables, &failure))
                return true;
            if (failure)
                return Error::set(error, failure);
        }
        return false;
    }
    return false;
}

} // namespace platform
