#pragma once

#include "platform/predicate/Expression.h"
#include "platform/predicate/Predicate.h"

#include <QStringView>

namespace platform {

class RegularExpression;

// left <operator>[options] right, optionally with ANY or ALL over a to-many left side ("NONE"
// is read as NOT ANY). Strings compare by UTF-16 code units unless options ask for folding.
class ComparisonPredicate final : public Predicate {
public:
    enum class Operator {
        LessThan,
        LessThanOrEqualTo,
        GreaterThan,
        GreaterThanOrEqualTo,
        EqualTo,
        NotEqualTo,
        Matches, // ICU regular expression over the whole string
        Like, // * and ? wildcards over the whole string
        BeginsWith,
        EndsWith,
        In, // left is a member of the right collection, or a substring of the right string
        Contains, // the left collection holds right, or the left string contains it
    };
    enum class Modifier { Direct, Any, All };
    enum Option : int {
        NoOptions = 0,
        CaseInsensitive = 1, // [c]: full Unicode case folding
        DiacriticInsensitive = 2, // [d]: NFD with the non-spacing marks dropped
    };

    // A literal MATCHES pattern is compiled here; a pattern that does not compile gives null
    // and sets `error`.
    static std::shared_ptr<ComparisonPredicate> create(ExpressionRef left, ExpressionRef right,
        Operator op, int options = NoOptions, Modifier modifier = Modifier::Direct,
        Error* error = nullptr);

    const ExpressionRef& leftExpression() const { return m_left; }
    const ExpressionRef& rightExpression() const { return m_right; }
    Operator predicateOperatorType() const { return m_operator; }
    int options() const { return m_options; }
    Modifier comparisonPredicateModifier() const { return m_modifier; }

    // The comparison of two values, as evaluation applies it to each pair.
    bool compareValues(const QVariant& left, const QVariant& right, Error* error = nullptr) const;
    // MATCHES of the constant pattern against `subject` already folded by
    // matchSubjectOptions(), as StringFolding folds it: for a caller that keeps its folded texts
    // from one search to the next. False when the pattern is not a constant.
    bool matchesFoldedSubject(QStringView subject, Error* error = nullptr) const;
    // Whether every folded subject that begins with `prefix` matches, known from `prefix` alone
    // (see RegularExpression::findsWhateverFollows()): lets a caller that unpacks a long subject
    // stop early. False when not known, and always for a pattern matched against the whole
    // subject; `error` is set when the match failed.
    bool matchesEveryFoldedSubjectStartingWith(QStringView prefix, Error* error = nullptr) const;
    int matchSubjectOptions() const;

    Kind kind() const override { return Kind::Comparison; }
    PredicateRef predicateWithSubstitutionVariables(const QVariantMap& variables) const override;
    QString predicateFormat() const override;
    bool isEqual(const Predicate& other) const override;
    bool evaluate(
        const QVariant& object, const QVariantMap& variables, Error* error) const override;

private:
    // A MATCHES pattern as evaluated (see compilePattern()).
    struct CompiledPattern {
        std::shared_ptr<RegularExpression> expression;
        // Searched for anywhere rather than matched against the whole string.
        bool searchAnywhere = false;
        // Text every match contains, case-folded when the pattern ignores case; checked before
        // the expression runs. Empty when not known.
        QString requiredText;
    };

    ComparisonPredicate(ExpressionRef left, ExpressionRef right, Operator op, int options,
        Modifier modifier, CompiledPattern pattern);

    static CompiledPattern compilePattern(
        const QString& pattern, bool caseInsensitive, Error* error);
    static bool matchesPattern(
        const CompiledPattern& pattern, bool caseInsensitive, QStringView subject, Error* error);
    // The expression alone, without the look for the required text first.
    static bool runPattern(const CompiledPattern& pattern, QStringView subject, Error* error);
    bool matches(const QString& text, const QString& pattern, Error* error) const;

    ExpressionRef m_left;
    ExpressionRef m_right;
    Operator m_operator;
    int m_options;
    Modifier m_modifier;
    // The compiled pattern when the right side is a constant string.
    CompiledPattern m_pattern;
};

} // namespace platform
