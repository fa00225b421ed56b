#pragma once

#include "platform/foundation/ValueTransformer.h"

// The date of the last update check as a sentence for the preferences window: a long date
// with a short time, or a line saying that no check has run.
class BXVersionCheckDateValueTransformer final : public platform::ValueTransformer {
public:
    // An empty locale is the process's default one.
    explicit BXVersionCheckDateValueTransformer(const QString& locale = {});

    QVariant transformedValue(const QVariant& value) const override;

private:
    QString m_locale;
};
