#pragma once

#include "Error.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct URegularExpression;

namespace platform {

// One compiled ICU regular expression: every pattern the application evaluates goes through
// here, so patterns behave as ICU patterns do everywhere. Each match is bounded by ICU's time
// limit, so a pathological pattern fails instead of hanging. One compiled pattern serves every
// thread at once: each match takes a matcher of its own, the one its thread used last for this
// expression, else one cloned when none is idle.
class RegularExpression final {
public:
    // A match in UTF-16 units.
    struct Match {
        qsizetype start = 0;
        qsizetype length = 0;

        bool operator==(const Match&) const = default;
    };

    // The platform's code for a value that does not parse, used for patterns that do not compile.
    static constexpr int FormattingErrorCode = 2048;

    // Null with `error` set (the pattern and ICU's reason with its offset) when the pattern does
    // not compile. The empty pattern compiles and matches the empty string.
    static std::shared_ptr<RegularExpression> compile(
        const QString& pattern, bool caseInsensitive = false, Error* error = nullptr);
    ~RegularExpression();

    RegularExpression(const RegularExpression&) = delete;
    RegularExpression& operator=(const RegularExpression&) = delete;

    const QString& pattern() const { return m_pattern; }
    bool isCaseInsensitive() const { return m_caseInsensitive; }

    // Each of these fails with `error` set when the match runs out of time or fails inside ICU.
    // Whether the pattern matches all of `text`.
    bool matchesWholeString(QStringView text, Error* error = nullptr) const;
    // The first match that starts at `from` or later; nullopt when there is none.
    std::optional<Match> find(QStringView text, qsizetype from = 0, Error* error = nullptr) const;
    // Capture group `group` of the first match at `from` or later; nullopt when nothing matches,
    // the pattern has no such group or the group took no part in the match.
    std::optional<Match> findGroup(
        QStringView text, int group, qsizetype from = 0, Error* error = nullptr) const;
    // Whether every text that begins with `prefix` holds a match, known from `prefix` alone: a
    // match found there, ending before the prefix's end, without ICU looking at that end (for
    // "$", a lookahead, a word boundary or more of a repeat), so that nothing after it can undo
    // it. False when it is not
    // known (nothing found, ICU reached the end): the longer text decides. A match that fails
    // (out of time) sets `error` and gives false: the longer text may have a match before the
    // steps that ran out, so it still decides.
    bool findsWhateverFollows(QStringView prefix, Error* error = nullptr) const;
    // Every match, left to right, not overlapping.
    std::optional<QList<Match>> findAll(const QString& text, Error* error = nullptr) const;
    // The first match inside `range` of `text`, or with `last` the last of the matches there
    // (found left to right, not overlapping). The range's edges are no anchors: "^" and "$"
    // match only at the ends of the whole text. nullopt when nothing matches or the range does
    // not lie inside the text.
    std::optional<Match> findInRange(
        QStringView text, Match range, bool last, Error* error = nullptr) const;
    // `text` with every match replaced by `replacement`, where $1 names a group.
    std::optional<QString> replaceAll(
        const QString& text, const QString& replacement, Error* error = nullptr) const;

private:
    RegularExpression(URegularExpression* regex, QString pattern, bool caseInsensitive);

    // Runs `body` with an idle matcher and `text` set as its subject, and drops the reference to
    // `text` after it.
    template <typename Body> auto withText(QStringView text, Body body) const;
    Error matchError(int status) const;

    // The compiled pattern, only ever cloned.
    URegularExpression* m_regex;
    mutable std::vector<URegularExpression*> m_idleMatchers;
    QString m_pattern;
    bool m_caseInsensitive;
    // Unique to this expression for the life of the process, unlike its address.
    quint64 m_serial;
    mutable std::mutex m_mutex;
};

} // namespace platform
