#pragma once

#include <QImage>
#include <QString>

class QTemporaryDir;

// Where the running test process keeps its home, settings and documents: a private temporary
// folder made before the application object exists, so no test touches the real home folder.
namespace bxtest {

// Points HOME, the XDG folders and a private runtime folder into `home` and picks the offscreen
// platform when none is set. Call before the application object exists.
void usePrivateHome(const QTemporaryDir& home);

QString homeFolder();

// A fresh empty folder under the test home, removed with the process's temporary home.
QString makeTempFolder(const QString& prefix = QStringLiteral("case"));

// Saves `image` as build/screenshots/<name>.png, for a person to look at; answers the path.
QString saveScreenshot(const QImage& image, const QString& name);

} // namespace bxtest
