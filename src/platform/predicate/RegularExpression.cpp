#include "RegularExpression.h"

#include "platform/predicate/Predicate.h"

#include <unicode/uregex.h>

namespace platform {

namespace {

// Steps of ICU's match engine, each on the order of a millisecond: generous for real searches
// over long notes, short enough that a catastrophic pattern gives up within seconds.
constexpr int32_t kMatchTimeLimit = 2000;

Error regexError(const QString& description, UErrorCode status)
{
    return Error(kCocoaErrorDomain, PredicateFormatErrorCode, description,
        QString::fromLatin1(u_errorName(status)));
}

} // namespace

RegularExpression::RegularExpression(
    URegularExpression* regex, QString pattern, bool caseInsensitive)
    : m_regex(regex), m_pattern(std::move(pattern)), m_caseInsensitive(caseInsensitive)
{ }

RegularExpression::~RegularExpression()
{
    uregex_close(m_regex);
}

std::shared_ptr<RegularExpression> RegularExpression::compile(
    const QString& pattern, bool caseInsensitive, Error* error)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError {};
    URegularExpression* regex
        = uregex_open(reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size()),
            caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0, &parseError, &status);
    if (U_SUCCESS(status))
        uregex_setTimeLimit(regex, kMatchTimeLimit, &status);
    if (U_FAILURE(status)) {
        uregex_close(regex);
        Error::set(error,
            regexError(QStringLiteral("Can't compile the regular expression \"%1\" "
                                      "(offset %2).")
                           .arg(pattern)
                           .arg(parseError.offset),
                status));
        return nullptr;
    }
    return std::shared_ptr<RegularExpression>(
        new RegularExpression(regex, pattern, caseInsensitive));
}

bool RegularExpression::matchesWholeString(const QString& text, Error* error) const
{
    std::lock_guard lock(m_mutex);
    UErrorCode status = U_ZERO_ERROR;
    uregex_setText(
        m_regex, reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &status);
    const bool matched = U_SUCCESS(status) && uregex_matches(m_regex, 0, &status);
    // Drop the reference to `text`, which does not outlive this call.
    UErrorCode resetStatus = U_ZERO_ERROR;
    uregex_setText(m_regex, u"", 0, &resetStatus);
    if (U_FAILURE(status)) {
        const QString description = status == U_REGEX_TIME_OUT
            ? QStringLiteral("The regular expression \"%1\" took too long to match.")
            : QStringLiteral("The regular expression \"%1\" failed to match.");
        Error::set(error, regexError(description.arg(m_pattern), status));
        return false;
    }
    return matched;
}

} // namespace platform
