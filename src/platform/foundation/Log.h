#pragma once

#include "Format.h"

#include <QStringList>

namespace platform {

// The application's log: every message the code writes goes through here to the Qt log
// (category "brindlex"), formatted with `%@` placeholders.
void logLine(const QString& line);

template <typename... Args> void log(const QString& fmt, const Args&... args)
{
    logLine(format(fmt, args...));
}

// Traces of the steps inside one user action (how a menu was built, say): too many for the
// user's log, so they go to the category "brindlex.trace", which is off unless switched on
// (QT_LOGGING_RULES="brindlex.trace.debug=true").
void traceLine(const QString& line);

template <typename... Args> void trace(const QString& fmt, const Args&... args)
{
    traceLine(format(fmt, args...));
}

// Collects the lines logged on any thread while it exists, for tests that check a message.
// Captures nest: the innermost one receives the lines.
class LogCapture final {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& text) const;

private:
    friend void logLine(const QString& line);
    LogCapture* m_previous = nullptr;
    QStringList m_lines;
};

} // namespace platform
