#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

namespace bxtest {

void usePrivateHome(const QTemporaryDir& home)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray homePath = home.path().toUtf8();
    qputenv("HOME", homePath);
    qputenv("XDG_CONFIG_HOME", homePath + "/.config");
    qputenv("XDG_DATA_HOME", homePath + "/.local/share");
    qputenv("XDG_CACHE_HOME", homePath + "/.cache");
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", homePath + "/.runtime");
    QDir().mkpath(home.path() + QStringLiteral("/.runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/.runtime"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

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
