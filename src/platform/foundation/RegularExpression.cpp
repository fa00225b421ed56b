#include "RegularExpression.h"

#include <unicode/uregex.h>

#include <atomic>
#include <utility>

namespace platform {

namespace {

// Steps of ICU's match engine, each on the order of a millisecond: generous for real searches
// over long notes, short enough that a catastrophic pattern gives up within seconds.
constexpr int32_t kMatchTimeLimit = 2000;

const UChar* icu(QStringView text)
{
    return reinterpret_cast<const UChar*>(text.utf16());
}

// Each thread keeps a matcher of the expression it used last, so that one expression matched
// against many texts on every pool thread takes no lock per text. A clone holds the compiled
// pattern by reference, so it may outlive the expression it came from.
struct ThreadMatcher {
    quint64 expression = 0;
    URegularExpression* matcher = nullptr;

    ~ThreadMatcher() { uregex_close(matcher); }
};

thread_local ThreadMatcher t_matcher;
std::atomic<quint64> g_expressions;

} // namespace

RegularExpression::RegularExpression(
    URegularExpression* regex, QString pattern, bool caseInsensitive)
    : m_regex(regex),
      m_pattern(std::move(pattern)),
      m_caseInsensitive(caseInsensitive),
      m_serial(++g_expressions)
{ }

RegularExpression::~RegularExpression()
{
    for (URegularExpression* matcher : m_idleMatchers)
        uregex_close(matcher);
    uregex_close(m_regex);
}

std::shared_ptr<RegularExpression> RegularExpression::compile(
    const QString& pattern, bool caseInsensitive, Error* error)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError {};
    // ICU refuses a zero length, but takes the empty pattern as a terminated string.
    URegularExpression* regex = uregex_open(pattern.isEmpty() ? u"" : icu(pattern),
        pattern.isEmpty() ? -1 : int32_t(pattern.size()),
        caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0, &parseError, &status);
    if (U_SUCCESS(status))
        uregex_setTimeLimit(regex, kMatchTimeLimit, &status);
    if (U_FAILURE(status)) {
        uregex_close(regex);
        Error::set(error,
            Error(kCocoaErrorDomain, FormattingErrorCode,
                QStringLiteral("Can't compile the regular expression \"%1\" (offset %2).")
                    .arg(pattern)
                    .arg(parseError.offset),
                QStringLiteral("%1 at offset %2")
                    .arg(QString::fromLatin1(u_errorName(status)))
                    .arg(parseError.offset)));
        return nullptr;
    }
    return std::shared_ptr<RegularExpression>(
        new RegularExpression(regex, pattern, caseInsensitive));
}

Error RegularExpression::matchError(int status) const
{
    const QString description = status == U_REGEX_TIME_OUT
        ? QStringLiteral("The regular expression \"%1\" took too long to match.")
        : QStringLiteral("The regular expression \"%1\" failed to match.");
    return Error(kCocoaErrorDomain, FormattingErrorCode, description.arg(m_pattern),
        QString::fromLatin1(u_errorName(UErrorCode(status))));
}

template <typename Body> auto RegularExpression::withText(QStringView text, Body body) const
{
    UErrorCode status = U_ZERO_ERROR;
    // Taken while in use, so that a match begun meanwhile on this thread takes another.
    URegularExpression* matcher
        = t_matcher.expression == m_serial ? std::exchange(t_matcher.matcher, nullptr) : nullptr;
    if (!matcher) {
        std::lock_guard lock(m_mutex);
        if (m_idleMatchers.empty()) {
            // ICU reports a failed clone through `status`, which every body checks first.
            matcher = uregex_clone(m_regex, &status);
            uregex_setTimeLimit(matcher, kMatchTimeLimit, &status);
            // Never kept without its time limit.
            if (U_FAILURE(status)) {
                uregex_close(matcher);
                matcher = nullptr;
            }
        } else {
            matcher = m_idleMatchers.back();
            m_idleMatchers.pop_back();
        }
    }
    // ICU refuses a null text, which an empty view may have.
    uregex_setText(matcher, text.isEmpty() ? u"" : icu(text), int32_t(text.size()), &status);
    auto result = body(matcher, status);
    UErrorCode resetStatus = U_ZERO_ERROR;
    uregex_setText(matcher, u"", 0, &resetStatus);
    if (matcher && (t_matcher.expression != m_serial || !t_matcher.matcher)) {
        uregex_close(std::exchange(t_matcher.matcher, matcher));
        t_matcher.expression = m_serial;
    } else if (matcher) {
        std::lock_guard lock(m_mutex);
        m_idleMatchers.push_back(matcher);
    }
    return result;
}

bool RegularExpression::matchesWholeString(QStringView text, Error* error) const
{
    return withText(text, [&](URegularExpression* regex, UErrorCode& status) {
        const bool matched = U_SUCCESS(status) && uregex_matches(regex, 0, &status);
        if (U_FAILURE(status))
            return Error::set(error, matchError(status));
        return matched;
    });
}

std::optional<RegularExpression::Match> RegularExpression::find(
    QStringView text, qsizetype from, Error* error) const
{
    if (from < 0 || from > text.size())
        return std::nullopt;
    return withText(
        text, [&](URegularExpression* regex, UErrorCode& status) -> std::optional<Match> {
            const bool found = U_SUCCESS(status) && uregex_find(regex, int32_t(from), &status);
            const int32_t start = found ? uregex_start(regex, 0, &status) : 0;
            const int32_t end = found ? uregex_end(regex, 0, &status) : 0;
            if (U_FAILURE(status)) {
                Error::set(error, matchError(status));
                return std::nullopt;
            }
            if (!found)
                return std::nullopt;
            return Match { start, end - start };
        });
}

bool RegularExpression::findsWhateverFollows(QStringView prefix, Error* error) const
{
    // A lead surrogate at the end is half a character, which what follows completes.
    if (!prefix.isEmpty() && prefix.back().isHighSurrogate())
        prefix.chop(1);
    return withText(prefix, [&](URegularExpression* regex, UErrorCode& status) {
        const bool found = U_SUCCESS(status) && uregex_find(regex, 0, &status);
        const bool sawEnd = found && uregex_hitEnd(regex, &status);
        // A line end or a grapheme cluster taken whole ends at the prefix's end without ICU
        // looking beyond it, though what follows may continue it ("\r" then "\n").
        const bool endsAtEnd = found && uregex_end(regex, 0, &status) >= prefix.size();
        if (U_FAILURE(status))
            return Error::set(error, matchError(status));
        return found && !sawEnd && !endsAtEnd;
    });
}

std::optional<RegularExpression::Match> RegularExpression::findGroup(
    QStringView text, int group, qsizetype from, Error* error) const
{
    if (from < 0 || from > text.size() || group < 0)
        return std::nullopt;
    return withText(
        text, [&](URegularExpression* regex, UErrorCode& status) -> std::optional<Match> {
            const bool found = U_SUCCESS(status) && uregex_find(regex, int32_t(from), &status);
            if (!found || U_FAILURE(status) || group > uregex_groupCount(regex, &status)) {
                if (U_FAILURE(status))
                    Error::set(error, matchError(status));
                return std::nullopt;
            }
            const int32_t start = uregex_start(regex, group, &status);
            const int32_t end = uregex_end(regex, group, &status);
            if (U_FAILURE(status)) {
                Error::set(error, matchError(status));
                return std::nullopt;
            }
            if (start < 0)
                return std::nullopt;
            return Match { start, end - start };
        });
}

std::optional<QList<RegularExpression::Match>> RegularExpression::findAll(
    const QString& text, Error* error) const
{
    return withText(
        text, [&](URegularExpression* regex, UErrorCode& status) -> std::optional<QList<Match>> {
            QList<Match> matches;
            if (U_SUCCESS(status))
                uregex_reset(regex, 0, &status);
            while (U_SUCCESS(status) && uregex_findNext(regex, &status)) {
                const int32_t start = uregex_start(regex, 0, &status);
                const int32_t end = uregex_end(regex, 0, &status);
                matches.append({ start, end - start });
            }
            if (U_FAILURE(status)) {
                Error::set(error, matchError(status));
                return std::nullopt;
            }
            return matches;
        });
}

std::optional<RegularExpression::Match> RegularExpression::findInRange(
    QStringView text, Match range, bool last, Error* error) const
{
    if (range.start < 0 || range.length < 0 || range.start + range.length > text.size())
        return std::nullopt;
    return withText(
        text, [&](URegularExpression* regex, UErrorCode& status) -> std::optional<Match> {
            if (U_SUCCESS(status))
                uregex_setRegion(
                    regex, int32_t(range.start), int32_t(range.start + range.length), &status);
            if (U_SUCCESS(status))
                uregex_useAnchoringBounds(regex, false, &status);
            std::optional<Match> found;
            while (U_SUCCESS(status) && uregex_findNext(regex, &status)) {
                const int32_t start = uregex_start(regex, 0, &status);
                const int32_t end = uregex_end(regex, 0, &status);
                found = Match { start, end - start };
                if (!last)
                    break;
            }
            // Back to ICU's default for the other searches; setting the text again clears the
            // region.
            UErrorCode resetStatus = U_ZERO_ERROR;
            uregex_useAnchoringBounds(regex, true, &resetStatus);
            if (U_FAILURE(status)) {
                Error::set(error, matchError(status));
                return std::nullopt;
            }
            return found;
        });
}

std::optional<QString> RegularExpression::replaceAll(
    const QString& text, const QString& replacement, Error* error) const
{
    return withText(
        text, [&](URegularExpression* regex, UErrorCode& status) -> std::optional<QString> {
            // Most rewrites shrink the text, so one pass usually suffices; ICU reports the length
            // it needs when the guess is short.
            QString result(text.size() + text.size() / 4 + 16, Qt::Uninitialized);
            int32_t length = 0;
            if (U_SUCCESS(status)) {
                length = uregex_replaceAll(regex, icu(replacement), int32_t(replacement.size()),
                    reinterpret_cast<UChar*>(result.data()), int32_t(result.size()), &status);
            }
            if (status == U_BUFFER_OVERFLOW_ERROR) {
                status = U_ZERO_ERROR;
                result.resize(length);
                uregex_reset(regex, 0, &status);
                length = uregex_replaceAll(regex, icu(replacement), int32_t(replacement.size()),
                    reinterpret_cast<UChar*>(result.data()), int32_t(result.size()), &status);
            }
            if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
                Error::set(error, matchError(status));
                return std::nullopt;
            }
            result.truncate(length);
            return result;
        });
}

} // namespace platform
