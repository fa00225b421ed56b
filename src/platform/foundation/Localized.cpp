#include "Localized.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

static void initStringsResource()
{
    Q_INIT_RESOURCE(strings);
}

namespace platform {

namespace {

QHash<QString, QString> loadTable()
{
    initStringsResource();
    QHash<QString, QString> table;
    QFile file(QStringLiteral(":/strings/Localizable.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("strings table missing from the resources");
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
    static const QHash<QString, QString> table = loadTable();
    return table.value(key, key);
}

} // namespace platform
