#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QUuid>

namespace bxtest {

QString homeFolder()
{
    return QDir::homePath();
}

QString makeTempFolder(const QString& prefix)
{
    const QString path
        = QDir(homeFolder())
              .filePath(QStringLiteral("tmp/%1-%2")
                            .arg(prefix, QUuid::createUuid().toString(QUuid::Id128)));
    QDir().mkpath(path);
    return path;
}

QString saveScreenshot(const QImage& image, const QString& name)
{
    // Test binaries live in build/tests.
    const QString folder
        = QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
    QDir().mkpath(folder);
    const QString path = QDir(folder).absoluteFilePath(name + QStringLiteral(".png"));
    image.save(path);
    return path;
}

} // namespace bxtest
