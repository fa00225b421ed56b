#include "Log.h"

#include <QLoggingCategory>
#include <QMutex>

Q_LOGGING_CATEGORY(lcBrindlex, "brindlex")
Q_LOGGING_CATEGORY(lcBrindlexTrace, "brindlex.trace", QtInfoMsg)

namespace platform {

namespace {
QMutex captureMutex;
LogCapture* currentCapture = nullptr;
} // namespace

void logLine(const QString& line)
{
    {
        QMutexLocker lock(&captureMutex);
        if (currentCapture)
            currentCapture->m_lines.append(line);
    }
    qCInfo(lcBrindlex).noquote() << line;
}

void traceLine(const QString& line)
{
    qCDebug(lcBrindlexTrace).noquote() << line;
}

LogCapture::LogCapture()
{
    QMutexLocker lock(&captureMutex);
    m_previous = currentCapture;
    currentCapture = this;
}

LogCapture::~LogCapture()
{
    QMutexLocker lock(&captureMutex);
    currentCapture = m_previous;
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&captureMutex);
    return m_lines;
}

bool LogCapture::contains(const QString& text) const
{
    const QStringList all = lines();
    return std::any_of(
        all.begin(), all.end(), [&](const QString& line) { return line.contains(text); });
}

} // namespace platform
