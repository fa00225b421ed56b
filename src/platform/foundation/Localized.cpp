#include "Localized.h"
#include "StringsTable.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

static void initStringsResource()
{
    Q_INIT_RESOURCE(strings);
}

namespace platform {

namespace {

QHash<QString, QString> loadTable(const QString& name)
{
    initStringsResource();
    QHash<QString, QString> table;
    QFile file(QStringLiteral(":/strings/%1.json").arg(name));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("strings table %s missing from the resources", qPrintable(name));
        return table;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        table.insert(it.key(), it.value().toString());
    return table;
}

} // namespace

QString localized(const QString& key)
{
    static const QHash<QString, QString> table = loadTable(QStringLiteral("Localizable"));
    return table.value(key, key);
}

QString localizedFromTable(const QString& key, const QString& table)
{
    // Only the update check has a table of its own so far; a map of loaded tables would serve
    // more without changing callers.
    static const QString versionCheckName = QStringLiteral("VersionCheck");
    static const QHash<QString, QString> versionCheck = loadTable(versionCheckName);
    if (table == versionCheckName)
        return versionCheck.value(key, key);
    return table == QStringLiteral("Localizable") ? localized(key) : key;
}

} // namespace platform
