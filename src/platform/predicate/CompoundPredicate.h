#pragma once

#include "platform/predicate/Predicate.h"

#include <QList>

namespace platform {

// AND or OR over any number of predicates (AND of none is true, OR of none is false), or NOT
// over exactly one.
class CompoundPredicate final : public Predicate {
public:
    enum class Type { Not, And, Or };

    CompoundPredicate(Type type, QList<PredicateRef> subpredicates);

    static std::shared_ptr<CompoundPredicate> andPredicate(QList<PredicateRef> subpredicates);
    static std::shared_ptr<CompoundPredicate> orPredicate(QList<PredicateRef> subpredicates);
    static std::shared_ptr<CompoundPredicate> notPredicate(PredicateRef predicate);

    Type compoundPredicateType() const { return m_type; }
    const QList<PredicateRef>& subpredicates() const { return m_subpredicates; }

    Kind kind() const override { return Kind::Compound; }
    PredicateRef predicateWithSubstitutionVariables(const QVariantMap& variables) const override;
    QString predicateFormat() const override;
    bool isEqual(const Predicate& other) const override;
    bool evaluate(
        const QVariant& object, const QVariantMap& variables, Error* error) const override;

private:
    Type m_type;
    QList<PredicateRef> m_subpredicates;
};

} // namespace platform
