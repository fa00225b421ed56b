#include "app/kVersionCheckError.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/StringsTable.h"

#include <QCoreApplication>

namespace {

QString tableText(const QString& key)
{
    return platform::localizedFromTable(key, QStringLiteral("VersionCheck"));
}

} // namespace

kVersionCheckError::kVersionCheckError(QString domain, int code, QString description,
    QString failureReason, QString recoverySuggestion)
    : m_domain(std::move(domain)),
      m_code(code),
      m_description(std::move(description)),
      m_failureReason(std::move(failureReason)),
      m_recoverySuggestion(std::move(recoverySuggestion))
{ }

kVersionCheckError kVersionCheckError::fromTransportError(const platform::Error& error)
{
    kVersionCheckError copy(
        error.domain(), error.code(), error.localizedDescription(), error.localizedFailureReason());
    if (const platform::Error* underlying = error.underlyingError())
        copy.setUnderlyingFailureReason(underlying->localizedFailureReason());
    return copy;
}

QString kVersionCheckError::localizedDescription() const
{
    if (m_domain == platform::kVersionCheckErrorDomain)
        return m_description;
    return tableText(QStringLiteral("Version check failed."));
}

QString kVersionCheckError::localizedFailureReason() const
{
    if (!m_failureReason.isEmpty())
        return m_failureReason;
    if (!m_underlyingReason.isEmpty())
        return m_underlyingReason;
    return platform::localized(QStringLiteral("Try again later."));
}

QString kVersionCheckError::localizedRecoverySuggestion() const
{
    if (!m_recoverySuggestion.isEmpty())
        return m_recoverySuggestion;
    return platform::format(
        tableText(QStringLiteral(
            "Please check if there is an update for %@ in the download page of our website.")),
        QCoreApplication::applicationName());
}

QStringList kVersionCheckError::localizedRecoveryOptions() const
{
    if (m_recoveryOptions)
        return *m_recoveryOptions;
    if (m_code == UpToDate)
        return {};
    return { tableText(QStringLiteral("Go to Download Page")),
        platform::localized(QStringLiteral("Cancel")) };
}
