#include "app/BXVersionCheckDateValueTransformer.h"

#include "lists/noteslist/BXNotesDateFormatter.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/StringsTable.h"

#include <QDateTime>

BXVersionCheckDateValueTransformer::BXVersionCheckDateValueTransformer(const QString& locale)
    : m_locale(locale)
{ }

namespace {

const QString kTable = QStringLiteral("VersionCheck");

} // namespace

QVariant BXVersionCheckDateValueTransformer::transformedValue(const QVariant& value) const
{
    const QDateTime date = value.toDateTime();
    if (!value.isValid() || !date.isValid())
        return platform::localizedFromTable(QStringLiteral("Update check never run."), kTable);
    return sentence(QStringLiteral("Last update check run on %@."), date);
}

QString BXVersionCheckDateValueTransformer::failedCheckText(const QDateTime& date) const
{
    return sentence(QStringLiteral("Last update check failed on %@."), date);
}

QString BXVersionCheckDateValueTransformer::sentence(
    const QString& key, const QDateTime& date) const
{
    // The long style names the month without a weekday; a formatter per call is fine for a
    // value shown once per check.
    const BXNotesDateFormatter formatter(BXNotesDateFormatter::Long, m_locale);
    return platform::format(
        platform::localizedFromTable(key, kTable), formatter.stringFromDate(date));
}
