#pragma once

#include "platform/foundation/ValueTransformer.h"

class QDateTime;

// The date of the last update check as a sentence for the preferences window: a long date
// with a short time, or a line saying that no check has run; and the date of a check that
// failed.
class BXVersionCheckDateValueTransformer final : public platform::ValueTransformer {
public:
    // An empty locale is the process's default one.
    explicit BXVersionCheckDateValueTransformer(const QString& locale = {});

    QVariant transformedValue(const QVariant& value) const override;
    // The sentence for a check that failed at `date`.
    QString failedCheckText(const QDateTime& date) const;

private:
    // The table's format `key` filled with the date.
    QString sentence(const QString& key, const QDateTime& date) const;

    QString m_locale;
};
