#pragma once

#include "platform/foundation/Error.h"

#include <QString>

#include <memory>
#include <mutex>

struct URegularExpression;

namespace platform {

// An ICU regular expression matched against whole strings, as MATCHES evaluates it. Each match
// is bounded by ICU's time limit, so a pathological pattern fails instead of hanging. Matching
// is serialised by a mutex, so one compiled pattern can serve every thread.
class RegularExpression final {
public:
    // Null with `error` set when the pattern does not compile.
    static std::shared_ptr<RegularExpression> compile(
        const QString& pattern, bool caseInsensitive, Error* error = nullptr);
    ~RegularExpression();

    RegularExpression(const RegularExpression&) = delete;
    RegularExpression& operator=(const RegularExpression&) = delete;

    const QString& pattern() const { return m_pattern; }
    bool isCaseInsensitive() const { return m_caseInsensitive; }

    // Whether the pattern matches all of `text`; false with `error` set when the match runs out
    // of time or fails inside ICU.
    bool matchesWholeString(const QString& text, Error* error = nullptr) const;

private:
    RegularExpression(URegularExpression* regex, QString pattern, bool caseInsensitive);

    URegularExpression* m_regex;
    QString m_pattern;
    bool m_caseInsensitive;
    mutable std::mutex m_mutex;
};

} // namespace platform
