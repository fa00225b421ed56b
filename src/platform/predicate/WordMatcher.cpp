#include "WordMatcher.h"

#include "platform/predicate/StringFolding.h"

#include <algorithm>

namespace platform {

WordMatcher::WordMatcher(const QString& pattern, int options) : m_options(options)
{
    QString folded;
    qsizetype wordStart = -1;
    for (qsizetype i = 0; i <= pattern.size(); ++i) {
        if (i < pattern.size() && !pattern.at(i).isSpace()) {
            if (wordStart < 0)
                wordStart = i;
            continue;
        }
        if (wordStart < 0)
            continue;
        const QStringView word = StringFolding::fold(
            QStringView(pattern).sliced(wordStart, i - wordStart), options, folded);
        // A word of marks alone folds away and could only match everywhere.
        if (!word.isEmpty())
            m_words.append(word.toString());
        wordStart = -1;
    }
}

std::optional<WordMatcher::Match> WordMatcher::find(
    QStringView text, Match range, bool backwards) const
{
    if (m_words.isEmpty() || range.start < 0 || range.length <= 0 || range.end() > text.size())
        return std::nullopt;
    thread_local QString buffer;
    // Most texts a find walks through hold none of the words: those are told apart without
    // keeping where each folded unit came from.
    const QStringView plain = StringFolding::fold(text, m_options, buffer);
    if (std::none_of(m_words.begin(), m_words.end(),
            [plain](const QString& word) { return plain.contains(word); }))
        return std::nullopt;
    thread_local StringFolding::Origins origins;
    const QStringView folded = StringFolding::fold(text, m_options, buffer, origins);
    // The folded units that came from inside the range alone.
    const qsizetype first
        = std::lower_bound(origins.starts.begin(), origins.starts.end(), qint32(range.start))
        - origins.starts.begin();
    const qsizetype last
        = std::upper_bound(origins.ends.begin(), origins.ends.end(), qint32(range.end()))
        - origins.ends.begin();
    const QStringView window = folded.first(last);
    std::optional<Match> best;
    for (const QString& word : m_words) {
        if (word.size() > last - first)
            continue;
        const qsizetype at = backwards ? window.lastIndexOf(word, last - word.size())
                                       : window.indexOf(word, first);
        if (at < first)
            continue;
        const Match match { origins.starts[size_t(at)],
            origins.ends[size_t(at + word.size() - 1)] - origins.starts[size_t(at)] };
        if (!best || (backwards ? match.start > best->start : match.start < best->start))
            best = match;
    }
    return best;
}

} // namespace platform
