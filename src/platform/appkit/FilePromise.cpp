#include "FilePromise.h"

#include "platform/foundation/Log.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

void FilePromise::addFile(const QString& fileName, Writer writer)
{
    m_files.push_back({ fileName, std::move(writer) });
}

QString FilePromise::uniqueFileName(
    const QString& folder, const QString& fileName, const QStringList& taken)
{
    const QDir dir(folder);
    const auto isFree = [&](const QString& name) {
        return !taken.contains(name, Qt::CaseSensitive) && !QFileInfo::exists(dir.filePath(name));
    };
    if (isFree(fileName))
        return fileName;
    const QFileInfo info(fileName);
    const QString base = info.completeBaseName().isEmpty() ? fileName : info.completeBaseName();
    const QString suffix = info.completeBaseName().isEmpty() || info.suffix().isEmpty()
        ? QString()
        : u'.' + info.suffix();
    for (int n = 1;; ++n) {
        const QString candidate = base + u' ' + QString::number(n) + suffix;
        if (isFree(candidate))
            return candidate;
    }
}

QList<QUrl> FilePromise::fulfil(const QString& folder) const
{
    QList<QUrl> written;
    QStringList taken;
    const QDir dir(folder);
    for (const File& file : m_files) {
        // A name from elsewhere must not reach outside the folder.
        QString name = QFileInfo(file.name).fileName();
        if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
            name = QStringLiteral("Untitled");
        name = uniqueFileName(folder, name, taken);
        taken << name;
        const QString path = dir.filePath(name);
        Error error;
        if (!file.writer || !file.writer(path, &error)) {
            log(QStringLiteral("Could not write the promised file %@: %@"), path,
                error.localizedDescription());
            QFileInfo(path).isDir() ? void(QDir(path).removeRecursively())
                                    : void(QFile::remove(path));
            continue;
        }
        written << QUrl::fromLocalFile(path);
    }
    return written;
}

} // namespace platform
