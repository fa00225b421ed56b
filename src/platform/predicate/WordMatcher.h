#pragma once

#include "platform/predicate/ComparisonPredicate.h"

#include <QStringList>
#include <QStringView>

#include <optional>

namespace platform {

// Finds the words of a search text in a longer text as a reader would: case and diacritics
// ignored ("elan" finds "Élan"), the text folded once per search and every match given in the
// text's own UTF-16 units. Immutable once made; safe on any thread.
class WordMatcher final {
public:
    struct Match {
        qsizetype start = 0;
        qsizetype length = 0;

        qsizetype end() const { return start + length; }
        bool operator==(const Match&) const = default;
    };

    // The words of `pattern`, split at white space with the empty pieces dropped, each folded by
    // `options` (ComparisonPredicate's [c] and [d] flags).
    explicit WordMatcher(const QString& pattern,
        int options
        = ComparisonPredicate::CaseInsensitive | ComparisonPredicate::DiacriticInsensitive);

    // No word to look for: nothing is ever found.
    bool isEmpty() const { return m_words.isEmpty(); }

    // The occurrence of any word that starts first inside `range` of `text`, or with `backwards`
    // the one that starts last; at one place the word that comes first in the pattern wins.
    // nullopt when there is none or the range does not lie inside the text.
    std::optional<Match> find(QStringView text, Match range, bool backwards) const;

private:
    QStringList m_words;
    int m_options;
};

} // namespace platform
