#include "app/BXRecentDocumentsModel.h"

#include "platform/foundation/Localized.h"

#include <QDateTime>
#include <QLocale>

BXRecentDocumentsModel::BXRecentDocumentsModel(
    platform::ArrayController* controller, QObject* parent)
    : ArrayControllerModel(controller, parent)
{
    setColumns({
        { QStringLiteral("name"), QStringLiteral("name"),
            platform::localized(QStringLiteral("Name")) },
        { QStringLiteral("when"), QStringLiteral("when"),
            platform::localized(QStringLiteral("Date Modified")) },
        { QStringLiteral("actions"), QString(), QString() },
    });
}

QString BXRecentDocumentsModel::dateText(const QVariant& date)
{
    const QDateTime time = date.toDateTime();
    return time.isValid() ? QLocale().toString(time, QLocale::ShortFormat) : QString();
}

QVariant BXRecentDocumentsModel::extraData(
    const platform::ManagedObjectPtr& object, int column, int role) const
{
    if (role != Qt::AccessibleTextRole)
        return {};
    const QString& identifier = columns().at(column).identifier;
    if (identifier == QLatin1String("name")) {
        return QStringLiteral("%1, %2").arg(object->valueForKey(QStringLiteral("name")).toString(),
            object->valueForKey(QStringLiteral("where")).toString());
    }
    if (identifier == QLatin1String("when"))
        return dateText(object->valueForKey(QStringLiteral("when")));
    return QString();
}
