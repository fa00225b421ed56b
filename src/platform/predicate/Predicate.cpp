#include "Predicate.h"

#include "platform/predicate/ConstantPredicate.h"
#include "platform/predicate/PredicateParser.h"

namespace platform {

std::shared_ptr<Predicate> Predicate::predicateWithFormat(
    const QString& format, const QVariantList& args, Error* error)
{
    return PredicateParser::parse(format, args, error);
}

std::shared_ptr<Predicate> Predicate::predicateWithValue(bool value)
{
    return std::make_shared<ConstantPredicate>(value);
}

bool Predicate::evaluateWithObject(
    const QVariant& object, const QVariantMap& substitutionVariables, Error* error) const
{
    return evaluate(object, substitutionVariables, error);
}

bool Predicate::evaluateWithObject(
    const KeyValueRef& object, const QVariantMap& substitutionVariables, Error* error) const
{
    return evaluate(QVariant::fromValue(object), substitutionVariables, error);
}

} // namespace platform
