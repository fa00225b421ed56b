#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace platform {

// The value rules shared by predicates and sort descriptors: numbers compare numerically
// across integer, floating-point and Boolean types (YES is 1), dates as instants, strings by
// UTF-16 code units unless folded, objects by identity. Stateless; safe on any thread.
class ValueComparison final {
public:
    enum class Collation {
        Plain, // UTF-16 code units
        CaseInsensitive, // full case folding, then code units
        Localized, // ICU collation of the default locale
        LocalizedCaseInsensitive, // the same at secondary strength
        LocalizedStandard, // case-insensitive collation with digits compared as numbers
    };

    // An invalid QVariant, a null pointer or a null KeyValueRef.
    static bool isNil(const QVariant& value);
    static bool isString(const QVariant& value);
    static bool isDate(const QVariant& value);

    // Equality as `=` sees it; nil equals only nil. `options` are the predicate's [c]/[d] flags.
    static bool isEqual(const QVariant& left, const QVariant& right, int options = 0);

    // The order of two numbers, two dates or two strings (folded by `options`); nullopt when
    // the values are not of one of those kinds together, nil included.
    static std::optional<int> order(const QVariant& left, const QVariant& right, int options = 0);

    // A total order for sorting: nil first, then numbers, dates, strings (by `collation`) and
    // anything else, which sorts as equal. Gives -1, 0 or 1.
    static int sortOrder(const QVariant& left, const QVariant& right, Collation collation);

    // The string with [c] (full case fold) and [d] (NFD without non-spacing marks) applied.
    static QString fold(const QString& text, int options);

    // Whether `text` contains `part` after folding both by `options`.
    static bool contains(const QString& text, const QString& part, int options);

    // Whole-string match of `pattern` where * stands for any run of characters, ? for one,
    // and a backslash makes the next character literal. Both sides should be folded first.
    static bool like(const QString& text, const QString& pattern);

    static int compareStrings(const QString& left, const QString& right, Collation collation);
    // Bytes whose plain byte order is compareStrings()'s order under `collation`: made once per
    // string, they make sorting many strings cheap.
    static QByteArray sortKey(const QString& text, Collation collation);
};

} // namespace platform
