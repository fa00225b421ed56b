#include "ExportedFontFamily.h"

#include "AttributedText.h"

#include <QFont>
#include <QFontInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace platform {

namespace {

bool isGenericName(const QString& family)
{
    static const QString generic[] = { QStringLiteral("sans serif"), QStringLiteral("sans-serif"),
        QStringLiteral("sans"), QStringLiteral("serif"), QStringLiteral("monospace"),
        QStringLiteral("mono"), QStringLiteral("system-ui") };
    for (const QString& name : generic) {
        if (family.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Asking the font database is slow and the same few families come again in every write.
QString installedFamily(const QString& family)
{
    static QMutex mutex;
    static QHash<QString, QString> resolved;
    const QMutexLocker locker(&mutex);
    const auto found = resolved.constFind(family);
    if (found != resolved.constEnd())
        return *found;
    QFont font;
    font.setFamilies({ family });
    QString installed = QFontInfo(font).family();
    if (installed.isEmpty() || isGenericName(installed))
        installed = family;
    resolved.insert(family, installed);
    return installed;
}

QString systemFamily()
{
    return AttributedText::systemFont().family();
}

} // namespace

QString ExportedFontFamily::of(const QString& family)
{
    if (family.isEmpty() || family.startsWith(u'.') || family == systemFamily())
        return installedFamily(systemFamily());
    return isGenericName(family) ? installedFamily(family) : family;
}

QString ExportedFontFamily::readBack(const QString& name)
{
    return name.startsWith(u'.') || name == of(QString()) ? systemFamily() : name;
}

} // namespace platform
