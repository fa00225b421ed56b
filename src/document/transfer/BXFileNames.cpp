#include "document/transfer/BXFileNames.h"

#include <QDir>
#include <QFileInfo>

QString BXFileNames::truncatedToUtf8Bytes(const QString& text, int maxBytes)
{
    int bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const char32_t code = text.at(end).isHighSurrogate() && end + 1 < text.size()
                && text.at(end + 1).isLowSurrogate()
            ? QChar::surrogateToUcs4(text.at(end), text.at(end + 1))
            : text.at(end).unicode();
        const int width = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (bytes + width > maxBytes)
            break;
        bytes += width;
        end += code >= 0x10000 ? 2 : 1;
    }
    return text.left(end);
}

QString BXFileNames::safeFileName(
    const QString& name, const QString& fallback, const QString& extension)
{
    const QString suffix = extension.isEmpty() ? QString() : u'.' + extension;
    QString safe;
    safe.reserve(name.size());
    for (const QChar c : name) {
        if (c == u':' || c == u'/')
            safe.append(u'-');
        else if (c.category() != QChar::Other_Control)
            safe.append(c);
    }
    qsizetype dots = 0;
    while (dots < safe.size() && safe.at(dots) == u'.')
        ++dots;
    safe.remove(0, dots);
    if (safe.isEmpty())
        safe = fallback;
    return truncatedToUtf8Bytes(safe, MaxNameBytes - int(suffix.toUtf8().size())) + suffix;
}

QString BXFileNames::uniqueFileName(const QString& name, const QString& folderPath,
    const QString& extension, const QStringList& taken)
{
    const QDir folder(folderPath);
    const auto isTaken = [&folder, &taken](const QString& candidate) {
        if (taken.contains(candidate))
            return true;
        const QFileInfo info(folder.filePath(candidate));
        return info.exists() || info.isSymLink();
    };
    if (!isTaken(name))
        return name;
    const QString dotted = extension.isEmpty() ? QString() : u'.' + extension;
    const bool hasExtension
        = !dotted.isEmpty() && name.size() > dotted.size() && name.endsWith(dotted);
    const QString base = hasExtension ? name.chopped(dotted.size()) : name;
    const QString kept = hasExtension ? dotted : QString();
    for (qint64 n = 1;; ++n) {
        const QString suffix = QStringLiteral(" %1").arg(n) + kept;
        // The number stays whole when the name is already as long as a name may be.
        const QString candidate
            = truncatedToUtf8Bytes(base, MaxNameBytes - int(suffix.toUtf8().size())) + suffix;
        if (!isTaken(candidate))
            return candidate;
    }
}
