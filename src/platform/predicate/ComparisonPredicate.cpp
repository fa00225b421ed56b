#include "ComparisonPredicate.h"

#include "platform/foundation/RegularExpression.h"
#include "platform/predicate/StringFolding.h"
#include "platform/predicate/ValueComparison.h"

namespace platform {

namespace {

QString operatorText(ComparisonPredicate::Operator op)
{
    using Op = ComparisonPredicate::Operator;
    switch (op) {
    case Op::LessThan:
        return QStringLiteral("<");
    case Op::LessThanOrEqualTo:
        return QStringLiteral("<=");
    case Op::GreaterThan:
        return QStringLiteral(">");
    case Op::GreaterThanOrEqualTo:
        return QStringLiteral(">=");
    case Op::EqualTo:
        return QStringLiteral("==");
    case Op::NotEqualTo:
        return QStringLiteral("!=");
    case Op::Matches:
        return QStringLiteral("MATCHES");
    case Op::Like:
        return QStringLiteral("LIKE");
    case Op::BeginsWith:
        return QStringLiteral("BEGINSWITH");
    case Op::EndsWith:
        return QStringLiteral("ENDSWITH");
    case Op::In:
        return QStringLiteral("IN");
    case Op::Contains:
        return QStringLiteral("CONTAINS");
    }
    return {};
}

// MATCHES folds case through the pattern's own flag, since folding the pattern text would change
// escapes such as \S; only diacritics are removed from both sides.
int subjectOptions(int options)
{
    return options & ComparisonPredicate::DiacriticInsensitive;
}

// The literal text a search for `pattern` must find: its leading run of plain ASCII characters
// (a quantified last one left out), when nothing can make that run optional, that is when the
// pattern has no alternation at all. Empty when there is none worth checking. No flag can have
// turned on free spacing this early, so a space there is a literal too.
QString requiredLeadingText(const QString& pattern)
{
    if (pattern.contains(QLatin1Char('|')))
        return {};
    static const QString special = QStringLiteral("\\^$.|?*+()[]{}#");
    qsizetype end = 0;
    while (end < pattern.size() && pattern.at(end).unicode() >= 0x20
        && pattern.at(end).unicode() < 0x7f && !special.contains(pattern.at(end)))
        ++end;
    if (end < pattern.size() && QStringLiteral("?*+{").contains(pattern.at(end)))
        --end;
    return end >= 2 ? pattern.first(end) : QString();
}

} // namespace

// "(?s:.*)(p)(?s:.*)" asks whether `p` matches anywhere, across lines; matched whole, the
// leading run backtracks over the entire text for every subject, so it is evaluated as a search
// for "(p)" instead. When `p` compiles on its own, the wrapped pattern is exactly those three
// parts (a `p` that could swallow the closing parenthesis, with an open \Q or a comment, leaves
// the wrapper unbalanced), and the group's matches anywhere are the wrapped pattern's whole
// matches; the group keeps the numbering of back references.
ComparisonPredicate::CompiledPattern ComparisonPredicate::compilePattern(
    const QString& pattern, bool caseInsensitive, Error* error)
{
    static const QString lead = QStringLiteral("(?s:.*)(");
    static const QString tail = QStringLiteral(")(?s:.*)");
    CompiledPattern compiled;
    compiled.expression = RegularExpression::compile(pattern, caseInsensitive, error);
    if (compiled.expression && pattern.size() >= lead.size() + tail.size()
        && pattern.startsWith(lead) && pattern.endsWith(tail)) {
        const QString middle = pattern.mid(lead.size(), pattern.size() - lead.size() - tail.size());
        auto search = RegularExpression::compile(
            QLatin1Char('(') + middle + QLatin1Char(')'), caseInsensitive);
        if (search && RegularExpression::compile(middle, caseInsensitive)) {
            compiled.expression = std::move(search);
            compiled.searchAnywhere = true;
            // Ignoring case compares full case foldings, so the check compares those too.
            const QString required = requiredLeadingText(middle);
            compiled.requiredText
                = caseInsensitive ? ValueComparison::fold(required, CaseInsensitive) : required;
        }
    }
    return compiled;
}

bool ComparisonPredicate::matchesPattern(
    const CompiledPattern& pattern, bool caseInsensitive, QStringView subject, Error* error)
{
    // Most notes lack the text a match needs; finding that out is far cheaper than letting the
    // expression try every place a match could start.
    if (pattern.searchAnywhere && !pattern.requiredText.isEmpty()) {
        thread_local QString folded;
        const QStringView text
            = caseInsensitive ? StringFolding::fold(subject, CaseInsensitive, folded) : subject;
        if (!text.contains(pattern.requiredText))
            return false;
    }
    return runPattern(pattern, subject, error);
}

bool ComparisonPredicate::runPattern(
    const CompiledPattern& pattern, QStringView subject, Error* error)
{
    if (!pattern.searchAnywhere)
        return pattern.expression->matchesWholeString(subject, error);
    Error failure;
    const bool found = pattern.expression->find(subject, 0, &failure).has_value();
    return failure ? Error::set(error, failure) : found;
}

ComparisonPredicate::ComparisonPredicate(ExpressionRef left, ExpressionRef right, Operator op,
    int options, Modifier modifier, CompiledPattern pattern)
    : m_left(std::move(left)),
      m_right(std::move(right)),
      m_operator(op),
      m_options(options),
      m_modifier(modifier),
      m_pattern(std::move(pattern))
{ }

std::shared_ptr<ComparisonPredicate> ComparisonPredicate::create(ExpressionRef left,
    ExpressionRef right, Operator op, int options, Modifier modifier, Error* error)
{
    CompiledPattern pattern;
    if (op == Operator::Matches && right->type() == Expression::Type::Constant
        && ValueComparison::isString(right->constantValue())) {
        pattern = compilePattern(
            ValueComparison::fold(right->constantValue().toString(), subjectOptions(options)),
            options & CaseInsensitive, error);
        if (!pattern.expression)
            return nullptr;
    }
    return std::shared_ptr<ComparisonPredicate>(new ComparisonPredicate(
        std::move(left), std::move(right), op, options, modifier, std::move(pattern)));
}

bool ComparisonPredicate::matches(const QString& text, const QString& pattern, Error* error) const
{
    // Note texts are long: folded into a buffer kept between calls, not a new string each.
    thread_local QString folded;
    const QStringView subject = StringFolding::fold(text, subjectOptions(m_options), folded);
    const bool caseInsensitive = m_options & CaseInsensitive;
    if (m_pattern.expression)
        return matchesPattern(m_pattern, caseInsensitive, subject, error);
    const CompiledPattern compiled = compilePattern(
        ValueComparison::fold(pattern, subjectOptions(m_options)), caseInsensitive, error);
    return compiled.expression && matchesPattern(compiled, caseInsensitive, subject, error);
}

bool ComparisonPredicate::matchesFoldedSubject(QStringView subject, Error* error) const
{
    if (!m_pattern.expression)
        return false;
    // Case-folding a kept subject again at each search costs more than the expression's own
    // look for where a match could start.
    if (m_options & CaseInsensitive)
        return runPattern(m_pattern, subject, error);
    return matchesPattern(m_pattern, false, subject, error);
}

bool ComparisonPredicate::matchesEveryFoldedSubjectStartingWith(
    QStringView prefix, Error* error) const
{
    if (!m_pattern.expression || !m_pattern.searchAnywhere)
        return false;
    if (!(m_options & CaseInsensitive) && !m_pattern.requiredText.isEmpty()
        && !prefix.contains(m_pattern.requiredText))
        return false;
    return m_pattern.expression->findsWhateverFollows(prefix, error);
}

int ComparisonPredicate::matchSubjectOptions() const
{
    return subjectOptions(m_options);
}

bool ComparisonPredicate::compareValues(
    const QVariant& left, const QVariant& right, Error* error) const
{
    const bool strings = ValueComparison::isString(left) && ValueComparison::isString(right);
    const auto folded = [this](const QVariant& value) {
        return ValueComparison::fold(value.toString(), m_options);
    };
    switch (m_operator) {
    case Operator::EqualTo:
        return ValueComparison::isEqual(left, right, m_options);
    case Operator::NotEqualTo:
        return !ValueComparison::isEqual(left, right, m_options);
    case Operator::LessThan:
    case Operator::LessThanOrEqualTo:
    case Operator::GreaterThan:
    case Operator::GreaterThanOrEqualTo: {
        const auto order = ValueComparison::order(left, right, m_options);
        if (!order)
            return false;
        switch (m_operator) {
        case Operator::LessThan:
            return *order < 0;
        case Operator::LessThanOrEqualTo:
            return *order <= 0;
        case Operator::GreaterThan:
            return *order > 0;
        default:
            return *order >= 0;
        }
    }
    case Operator::Matches:
        return strings && matches(left.toString(), right.toString(), error);
    case Operator::Like:
        return strings && ValueComparison::like(folded(left), folded(right));
    case Operator::BeginsWith:
        return strings && folded(left).startsWith(folded(right));
    case Operator::EndsWith:
        return strings && folded(left).endsWith(folded(right));
    case Operator::Contains:
        if (strings)
            return ValueComparison::contains(left.toString(), right.toString(), m_options);
        if (const auto members = Expression::collectionValues(left)) {
            for (const QVariant& member : *members) {
                if (ValueComparison::isEqual(member, right, m_options))
                    return true;
            }
        }
        return false;
    case Operator::In:
        if (strings)
            return ValueComparison::contains(right.toString(), left.toString(), m_options);
        if (const auto members = Expression::collectionValues(right)) {
            for (const QVariant& member : *members) {
                if (ValueComparison::isEqual(left, member, m_options))
                    return true;
            }
        } else if (right.metaType().id() == QMetaType::QVariantMap) {
            for (const QVariant& member : right.toMap()) {
                if (ValueComparison::isEqual(left, member, m_options))
                    return true;
            }
        }
        return false;
    }
    return false;
}

PredicateRef ComparisonPredicate::predicateWithSubstitutionVariables(
    const QVariantMap& variables) const
{
    ExpressionRef left = m_left->withSubstitutionVariables(variables);
    ExpressionRef right = m_right->withSubstitutionVariables(variables);
    CompiledPattern pattern = m_pattern;
    if (m_operator == Operator::Matches && !pattern.expression
        && right->type() == Expression::Type::Constant
        && ValueComparison::isString(right->constantValue())) {
        // A pattern that arrives through a variable compiles now; a bad one fails at evaluation.
        pattern = compilePattern(
            ValueComparison::fold(right->constantValue().toString(), subjectOptions(m_options)),
            m_options & CaseInsensitive, nullptr);
    }
    return std::shared_ptr<ComparisonPredicate>(
        new ComparisonPredicate(left, right, m_operator, m_options, m_modifier, pattern));
}

QString ComparisonPredicate::predicateFormat() const
{
    QString text;
    if (m_modifier == Modifier::Any)
        text = QStringLiteral("ANY ");
    else if (m_modifier == Modifier::All)
        text = QStringLiteral("ALL ");
    text += m_left->format() + QLatin1Char(' ') + operatorText(m_operator);
    if (m_options & (CaseInsensitive | DiacriticInsensitive)) {
        text += QLatin1Char('[');
        if (m_options & CaseInsensitive)
            text += QLatin1Char('c');
        if (m_options & DiacriticInsensitive)
            text += QLatin1Char('d');
        text += QLatin1Char(']');
    }
    return text + QLatin1Char(' ') + m_right->format();
}

bool ComparisonPredicate::isEqual(const Predicate& other) const
{
    if (other.kind() != Kind::Comparison)
        return false;
    const auto& comparison = static_cast<const ComparisonPredicate&>(other);
    return m_operator == comparison.m_operator && m_options == comparison.m_options
        && m_modifier == comparison.m_modifier && m_left->isEqual(*comparison.m_left)
        && m_right->isEqual(*comparison.m_right);
}

bool ComparisonPredicate::evaluate(
    const QVariant& object, const QVariantMap& variables, Error* error) const
{
    Error failure;
    const QVariant left = m_left->expressionValueWithObject(object, variables, &failure);
    const QVariant right
        = failure ? QVariant() : m_right->expressionValueWithObject(object, variables, &failure);
    if (failure)
        return Error::set(error, failure);
    if (m_modifier == Modifier::Direct) {
        const bool result = compareValues(left, right, &failure);
        return failure ? Error::set(error, failure) : result;
    }
    QVariantList members;
    if (const auto values = Expression::collectionValues(left))
        members = *values;
    else if (!ValueComparison::isNil(left))
        members << left;
    const bool any = m_modifier == Modifier::Any;
    for (const QVariant& member : members) {
        const bool result = compareValues(member, right, &failure);
        if (failure)
            return Error::set(error, failure);
        if (result == any)
            return any;
    }
    return !any;
}

} // namespace platform
