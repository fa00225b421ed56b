#include "CopyRecursively.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

bool copyRecursively(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isDir())
        return QFile::copy(source, target);
    if (!QDir().mkpath(target))
        return false;
    const QStringList entries
        = QDir(source).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& entry : entries) {
        if (!copyRecursively(source + QLatin1Char('/') + entry, target + QLatin1Char('/') + entry))
            return false;
    }
    return true;
}

} // namespace platform
