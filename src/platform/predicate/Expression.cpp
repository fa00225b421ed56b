#include "Expression.h"

#include "platform/predicate/Predicate.h"
#include "platform/predicate/PredicateParser.h"
#include "platform/predicate/ValueComparison.h"

#include "platform/foundation/VariantKind.h"

#include <QDateTime>
#include <QSequentialIterable>
#include <QStringList>

#include <cmath>

namespace platform {

namespace {

QString formatKeyPath(const QString& keyPath, bool first)
{
    QStringList components = keyPath.split(QLatin1Char('.'));
    // Only a leading component can be mistaken for a keyword; '#' keeps it a key.
    if (first && !components.isEmpty() && PredicateParser::isReservedWord(components.first()))
        components.first().prepend(QLatin1Char('#'));
    return components.join(QLatin1Char('.'));
}

QString formatDouble(double value)
{
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("1e999") : QStringLiteral("-1e999");
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    // Keep the text a floating-point literal so it reads back as one.
    if (std::isfinite(value) && !text.contains(QLatin1Char('.'))
        && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

QString formatConstant(const QVariant& value)
{
    if (ValueComparison::isNil(value))
        return QStringLiteral("nil");
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    case QMetaType::Double:
    case QMetaType::Float:
        return formatDouble(value.toDouble());
    case QMetaType::QString:
        return PredicateParser::quoted(value.toString());
    case QMetaType::QDateTime:
        return QStringLiteral("CAST(%1, \"NSDate\")")
            .arg(PredicateParser::secondsSinceReferenceDate(value.toDateTime()), 0, 'f', 3);
    default:
        break;
    }
    if (VariantKind::isNumber(value))
        return value.toString();
    if (const auto members = Expression::collectionValues(value)) {
        QStringList parts;
        for (const QVariant& member : *members)
            parts << formatConstant(member);
        return QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}');
    }
    if (value.metaType() == QMetaType::fromType<KeyValueRef>())
        return QStringLiteral("<object>");
    if (value.canConvert<QString>())
        return PredicateParser::quoted(value.toString());
    return QStringLiteral("<%1>").arg(QString::fromLatin1(value.metaType().name()));
}

Error unboundVariableError(const QString& name)
{
    return Error(kCocoaErrorDomain, PredicateFormatErrorCode,
        QStringLiteral("The variable $%1 has no value.").arg(name));
}

} // namespace

ExpressionRef Expression::constant(const QVariant& value)
{
    auto expression = std::shared_ptr<Expression>(new Expression(Type::Constant));
    expression->m_value = value;
    return expression;
}

ExpressionRef Expression::evaluatedObject()
{
    static const ExpressionRef self(new Expression(Type::EvaluatedObject));
    return self;
}

ExpressionRef Expression::variable(const QString& name)
{
    auto expression = std::shared_ptr<Expression>(new Expression(Type::Variable));
    expression->m_name = name;
    return expression;
}

ExpressionRef Expression::keyPath(const QString& keyPath, ExpressionRef operand)
{
    // One normal form, so that "SELF.a.b", "a.b" and a key path on a key path compare equal.
    if (operand && operand->type() == Type::EvaluatedObject)
        operand.reset();
    QString path = keyPath;
    if (operand && operand->type() == Type::KeyPath) {
        path = operand->keyPath() + QLatin1Char('.') + keyPath;
        operand = operand->operand();
    }
    auto expression = std::shared_ptr<Expression>(new Expression(Type::KeyPath));
    expression->m_name = path;
    expression->m_operand = std::move(operand);
    return expression;
}

ExpressionRef Expression::aggregate(QList<ExpressionRef> elements)
{
    auto expression = std::shared_ptr<Expression>(new Expression(Type::Aggregate));
    expression->m_elements = std::move(elements);
    return expression;
}

ExpressionRef Expression::subquery(
    ExpressionRef collection, const QString& variable, std::shared_ptr<const Predicate> predicate)
{
    auto expression = std::shared_ptr<Expression>(new Expression(Type::Subquery));
    expression->m_operand = std::move(collection);
    expression->m_name = variable;
    expression->m_predicate = std::move(predicate);
    return expression;
}

QVariant Expression::expressionValueWithObject(
    const QVariant& object, const QVariantMap& variables, Error* error) const
{
    switch (m_type) {
    case Type::Constant:
        return m_value;
    case Type::EvaluatedObject:
        return object;
    case Type::Variable: {
        const auto found = variables.constFind(m_name);
        if (found == variables.constEnd()) {
            Error::set(error, unboundVariableError(m_name));
            return {};
        }
        return *found;
    }
    case Type::KeyPath: {
        const QVariant base
            = m_operand ? m_operand->expressionValueWithObject(object, variables, error) : object;
        return valueForKeyPath(base, m_name);
    }
    case Type::Aggregate: {
        QVariantList values;
        for (const ExpressionRef& element : m_elements)
            values << element->expressionValueWithObject(object, variables, error);
        return values;
    }
    case Type::Subquery: {
        const QVariant collection = m_operand->expressionValueWithObject(object, variables, error);
        QVariantList members;
        if (const auto values = collectionValues(collection))
            members = *values;
        else if (!ValueComparison::isNil(collection))
            members << collection;
        QVariantList selected;
        QVariantMap scope = variables;
        for (const QVariant& member : members) {
            scope.insert(m_name, member);
            Error failure;
            if (m_predicate->evaluate(member, scope, &failure))
                selected << member;
            else if (failure) {
                Error::set(error, failure);
                return {};
            }
        }
        return selected;
    }
    }
    return {};
}

ExpressionRef Expression::withSubstitutionVariables(const QVariantMap& variables) const
{
    switch (m_type) {
    case Type::Constant:
    case Type::EvaluatedObject:
        return shared_from_this();
    case Type::Variable: {
        const auto found = variables.constFind(m_name);
        return found != variables.constEnd() ? constant(*found) : variable(m_name);
    }
    case Type::KeyPath:
        return keyPath(
            m_name, m_operand ? m_operand->withSubstitutionVariables(variables) : ExpressionRef());
    case Type::Aggregate: {
        QList<ExpressionRef> elements;
        for (const ExpressionRef& element : m_elements)
            elements << element->withSubstitutionVariables(variables);
        return aggregate(elements);
    }
    case Type::Subquery: {
        // The element variable belongs to the subquery and is never replaced inside it.
        QVariantMap inner = variables;
        inner.remove(m_name);
        return subquery(m_operand->withSubstitutionVariables(variables), m_name,
            m_predicate->predicateWithSubstitutionVariables(inner));
    }
    }
    return {};
}

QString Expression::format() const
{
    switch (m_type) {
    case Type::Constant:
        return formatConstant(m_value);
    case Type::EvaluatedObject:
        return QStringLiteral("SELF");
    case Type::Variable:
        return QLatin1Char('$') + m_name;
    case Type::KeyPath:
        if (!m_operand)
            return formatKeyPath(m_name, true);
        return m_operand->format() + QLatin1Char('.') + formatKeyPath(m_name, false);
    case Type::Aggregate: {
        QStringList parts;
        for (const ExpressionRef& element : m_elements)
            parts << element->format();
        return QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}');
    }
    case Type::Subquery:
        return QStringLiteral("SUBQUERY(%1, $%2, %3)")
            .arg(m_operand->format(), m_name, m_predicate->predicateFormat());
    }
    return {};
}

bool Expression::isEqual(const Expression& other) const
{
    if (m_type != other.m_type || m_name != other.m_name)
        return false;
    const auto sameExpression = [](const ExpressionRef& a, const ExpressionRef& b) {
        return a == b || (a && b && a->isEqual(*b));
    };
    switch (m_type) {
    case Type::Constant:
        return ValueComparison::isEqual(m_value, other.m_value)
            && ValueComparison::isString(m_value) == ValueComparison::isString(other.m_value);
    case Type::EvaluatedObject:
    case Type::Variable:
        return true;
    case Type::KeyPath:
        return sameExpression(m_operand, other.m_operand);
    case Type::Aggregate:
        return std::equal(m_elements.begin(), m_elements.end(), other.m_elements.begin(),
            other.m_elements.end(), sameExpression);
    case Type::Subquery:
        return sameExpression(m_operand, other.m_operand)
            && m_predicate->isEqual(*other.m_predicate);
    }
    return false;
}

QVariant Expression::valueForKeyPath(const QVariant& object, const QString& keyPath)
{
    // Filters read one key of thousands of objects, so the path is walked in place: a key that
    // is the whole path is used as it is, and no list of components is made.
    QVariant current = object;
    qsizetype start = 0;
    while (start <= keyPath.size()) {
        qsizetype end = keyPath.indexOf(QLatin1Char('.'), start);
        if (end < 0)
            end = keyPath.size();
        const QString key
            = start == 0 && end == keyPath.size() ? keyPath : keyPath.mid(start, end - start);
        if (ValueComparison::isNil(current))
            return {};
        const bool count = key == QLatin1String("@count");
        if (!count && current.metaType() == QMetaType::fromType<KeyValueRef>()) {
            // Read in place: copying the reference would cost two atomic counts per step.
            current = (*static_cast<const KeyValueRef*>(current.constData()))->valueForKey(key);
            start = end + 1;
            continue;
        }
        const auto members = collectionValues(current);
        if (count) {
            if (members)
                current = qint64(members->size());
            else if (current.metaType().id() == QMetaType::QVariantMap)
                current = qint64(current.toMap().size());
            else
                return {};
            start = end + 1;
            continue;
        }
        if (members) {
            // A to-many relation on the way: the rest of the path for each member.
            const QString rest = keyPath.mid(start);
            QVariantList values;
            values.reserve(members->size());
            for (const QVariant& member : *members)
                values << valueForKeyPath(member, rest);
            return values;
        }
        if (current.metaType().id() == QMetaType::QVariantMap)
            current = current.toMap().value(key);
        else if (current.metaType().id() == QMetaType::QVariantHash)
            current = current.toHash().value(key);
        else
            return {};
        start = end + 1;
    }
    return current;
}

std::optional<QVariantList> Expression::collectionValues(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QVariantList:
        return value.toList();
    case QMetaType::QStringList: {
        QVariantList members;
        for (const QString& text : value.toStringList())
            members << text;
        return members;
    }
    case QMetaType::UnknownType:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::QDateTime:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return std::nullopt;
    default:
        break;
    }
    // An object is never a collection; asking the type system is the costly part.
    if (value.metaType() == QMetaType::fromType<KeyValueRef>())
        return std::nullopt;
    if (value.metaType() == QMetaType::fromType<SharedVariantList>()) {
        const SharedVariantList list = value.value<SharedVariantList>();
        return list ? *list : QVariantList();
    }
    if (!value.canConvert<QSequentialIterable>())
        return std::nullopt;
    QVariantList members;
    for (const QVariant& member : value.value<QSequentialIterable>())
        members << member;
    return members;
}

} // namespace platform
