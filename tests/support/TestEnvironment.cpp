#include "TestEnvironment.h"

#include <QDir>
#include <QUuid>

namespace bxtest {

QString homeFolder()
{
    return QDir::homePath();
}

QString makeTempFolder(const QString& prefix)
{
    const QString path = QDir(homeFolder()).filePath(
        QStringLiteral("tmp/%1-%2").arg(prefix, QUuid::createUuid().toString(QUuid::Id128)));
    QDir().mkpath(path);
    return path;
}

} // namespace bxtest
