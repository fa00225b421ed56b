#pragma once

#include "platform/foundation/Error.h"
#include "platform/predicate/KeyValueCoding.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace platform {

class Predicate;
class Expression;
using ExpressionRef = std::shared_ptr<const Expression>;

// A list its owner keeps changing, passed as an argument (QVariant::fromValue) so that a
// predicate such as "SELF IN %@" sees the members the list has when it is evaluated, not those
// it had when the predicate was made. The owner must not change it during an evaluation.
using SharedVariantList = std::shared_ptr<QVariantList>;

// One side of a comparison: a value computed from the evaluated object. Immutable once made,
// so one expression may be shared by several predicates and evaluated on any thread.
//
// Walking the tree: switch on type().
//   Constant         constantValue()  (a QVariantList for a literal list such as {1, 2})
//   EvaluatedObject  SELF, the object itself
//   Variable         variable()       ($name, bound by substitution or a SUBQUERY)
//   KeyPath          operand() then keyPath(); a plain key path has SELF as operand, while
//                    "$x.name" and "SUBQUERY(...).@count" have a variable or subquery operand.
//                    keyPath() is dotted; the component "@count" counts a collection.
//   Aggregate        elements() for a literal list holding non-constant members ({$a, b})
//   Subquery         operand() is the collection, variable() the element's name, predicate()
class Expression final : public std::enable_shared_from_this<Expression> {
public:
    enum class Type { Constant, EvaluatedObject, Variable, KeyPath, Aggregate, Subquery };

    static ExpressionRef constant(const QVariant& value);
    static ExpressionRef evaluatedObject();
    static ExpressionRef variable(const QString& name);
    // A key path from the evaluated object, or from `operand` when given.
    static ExpressionRef keyPath(const QString& keyPath, ExpressionRef operand = {});
    static ExpressionRef aggregate(QList<ExpressionRef> elements);
    static ExpressionRef subquery(ExpressionRef collection, const QString& variable,
        std::shared_ptr<const Predicate> predicate);

    Type type() const { return m_type; }
    const QVariant& constantValue() const { return m_value; }
    const QString& variable() const { return m_name; }
    const QString& keyPath() const { return m_name; }
    const ExpressionRef& operand() const { return m_operand; }
    const QList<ExpressionRef>& elements() const { return m_elements; }
    const std::shared_ptr<const Predicate>& predicate() const { return m_predicate; }

    // The value for `object` (a KeyValueRef, a QVariantMap or any value for SELF). An unbound
    // variable or a failing inner predicate sets `error` and gives nil.
    QVariant expressionValueWithObject(
        const QVariant& object, const QVariantMap& variables = {}, Error* error = nullptr) const;

    // This expression with the bound variables replaced by constants; unbound ones stay.
    ExpressionRef withSubstitutionVariables(const QVariantMap& variables) const;

    // Text that the predicate parser reads back into an equal expression.
    QString format() const;

    bool isEqual(const Expression& other) const;

    // Follows a dotted key path through KeyValueRef objects and dictionaries; a collection on
    // the way maps the rest of the path over its elements, "@count" counts it. Nil on a miss.
    static QVariant valueForKeyPath(const QVariant& object, const QString& keyPath);

    // The members of a collection value (a QVariantList, QStringList, SharedVariantList or other
    // sequential container); nullopt for anything else, nil included.
    static std::optional<QVariantList> collectionValues(const QVariant& value);

private:
    explicit Expression(Type type) : m_type(type) { }

    Type m_type;
    QVariant m_value;
    QString m_name;
    ExpressionRef m_operand;
    QList<ExpressionRef> m_elements;
    std::shared_ptr<const Predicate> m_predicate;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::SharedVariantList)
