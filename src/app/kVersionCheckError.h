#pragma once

#include "platform/foundation/Error.h"

#include <QMetaType>
#include <QStringList>

#include <optional>

// The outcome of an update check that found nothing to offer: a failure (a transport error
// copied with its own domain and code, or code -3 for missing or invalid feed data) or code 0,
// "up to date". The texts an alert needs fall back to the update check's own wording.
class kVersionCheckError final {
public:
    enum Code : int { UpToDate = 0, InvalidData = -3 };

    kVersionCheckError() = default;
    kVersionCheckError(QString domain, int code, QString description = {},
        QString failureReason = {}, QString recoverySuggestion = {});
    // An error of the network layer, its domain, code and texts kept.
    static kVersionCheckError fromTransportError(const platform::Error& error);

    const QString& domain() const { return m_domain; }
    int code() const { return m_code; }

    QString localizedDescription() const;
    QString localizedFailureReason() const;
    QString localizedRecoverySuggestion() const;
    QStringList localizedRecoveryOptions() const;

    void setUnderlyingFailureReason(const QString& reason) { m_underlyingReason = reason; }
    void setRecoveryOptions(const QStringList& options) { m_recoveryOptions = options; }

private:
    QString m_domain;
    int m_code = 0;
    QString m_description;
    QString m_failureReason;
    QString m_underlyingReason;
    QString m_recoverySuggestion;
    std::optional<QStringList> m_recoveryOptions;
};

Q_DECLARE_METATYPE(kVersionCheckError)
