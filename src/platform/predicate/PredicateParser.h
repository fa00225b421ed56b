#pragma once

#include "platform/foundation/Error.h"
#include "platform/predicate/Predicate.h"

#include <QDateTime>
#include <QString>
#include <QVariantList>

namespace platform {

// Reads the predicate format language into a tree and holds the lexical rules that printing
// must mirror (keywords, string quoting, the date form). Used by Predicate and Expression.
class PredicateParser final {
public:
    static std::shared_ptr<Predicate> parse(
        const QString& format, const QVariantList& args, Error* error);

    // Whether `word` is a keyword in any letter case, so that a key of that name needs '#'.
    static bool isReservedWord(const QString& word);
    // `text` as a double-quoted literal with backslash escapes.
    static QString quoted(const QString& text);
    // Dates appear in predicate text as seconds since 2001-01-01 00:00:00 UTC.
    static double secondsSinceReferenceDate(const QDateTime& date);
    static QDateTime dateFromReferenceSeconds(double seconds);
};

} // namespace platform
