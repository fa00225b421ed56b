#pragma once

#include "platform/foundation/Error.h"
#include "platform/predicate/KeyValueCoding.h"

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

namespace platform {

class Predicate;
using PredicateRef = std::shared_ptr<const Predicate>;

// A condition on objects and dictionaries, parsed from a format string such as
// "(trashFlag = NO AND noteText CONTAINS[cd] %@) OR (self IN %@)". Predicates are immutable
// and may be shared and evaluated on any thread. The tree is public: kind() tells which of
// ConstantPredicate, ComparisonPredicate or CompoundPredicate an instance is.
class Predicate {
public:
    enum class Kind { Constant, Comparison, Compound };

    virtual ~Predicate() = default;

    // Parses `format`, taking the values of %@, %K, %d, %i and %f from `args` in order. A
    // syntax error, a missing argument or a literal MATCHES pattern that does not compile
    // gives null and sets `error`.
    static std::shared_ptr<Predicate> predicateWithFormat(
        const QString& format, const QVariantList& args = {}, Error* error = nullptr);
    // TRUEPREDICATE or FALSEPREDICATE.
    static std::shared_ptr<Predicate> predicateWithValue(bool value);

    virtual Kind kind() const = 0;

    // `object` is a KeyValueRef, a QVariantMap or a plain value (read through SELF). Failures
    // while evaluating (an unbound variable, a pattern that does not compile or runs out of
    // time) give false and set `error`.
    bool evaluateWithObject(const QVariant& object, const QVariantMap& substitutionVariables = {},
        Error* error = nullptr) const;
    bool evaluateWithObject(const KeyValueRef& object,
        const QVariantMap& substitutionVariables = {}, Error* error = nullptr) const;

    // A copy with every bound $variable replaced by its value; unbound variables stay.
    virtual PredicateRef predicateWithSubstitutionVariables(const QVariantMap& variables) const = 0;

    // Canonical text: parsing it gives a predicate equal to this one (as long as the constants
    // are nil, numbers, Booleans, strings, dates or lists of those).
    virtual QString predicateFormat() const = 0;

    virtual bool isEqual(const Predicate& other) const = 0;
    bool operator==(const Predicate& other) const { return isEqual(other); }

    // Evaluation with the variables in scope; the public entry points wrap this.
    virtual bool evaluate(
        const QVariant& object, const QVariantMap& variables, Error* error) const = 0;

protected:
    Predicate() = default;
};

// The domain and code of parse and evaluation failures.
inline constexpr int PredicateFormatErrorCode = 2048;

} // namespace platform

Q_DECLARE_METATYPE(platform::PredicateRef)
