#include "BundleFinder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

static void initWebViewResource()
{
    Q_INIT_RESOURCE(webview);
}

namespace markdown {

QString BundleFinder::libraryBundle()
{
    static const QString bundle = [] {
        initWebViewResource();
        const QString executableFolder = QCoreApplication::applicationDirPath();
        return findLibraryBundle({ QDir::cleanPath(executableFolder + u"/../share/brindlex"_qs),
            executableFolder, QStringLiteral(":/markdown") });
    }();
    return bundle;
}

QString BundleFinder::findLibraryBundle(const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        const QString candidate = folder + QLatin1Char('/') + libraryBundleName;
        if (QFileInfo(candidate).isDir())
            return candidate;
    }
    return {};
}

QString BundleFinder::defaultTemplateBundle()
{
    const QString resources = resourceFolder(libraryBundle());
    return resources.isEmpty() ? QString() : resources + u"/MarkdownView.bundle"_qs;
}

QString BundleFinder::resourceFolder(const QString& bundle)
{
    if (bundle.isEmpty())
        return {};
    const QString resources = bundle + u"/Resources"_qs;
    return QFileInfo(resources).isDir() ? resources : QString();
}

} // namespace markdown
