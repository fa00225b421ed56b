#pragma once

#include <QString>
#include <QStringList>

// Names of files and folders the application writes from user text (note titles, category
// names). Pure functions apart from uniqueFileName(), which looks at the folder.
class BXFileNames final {
public:
    // The longest name most file systems take, in bytes of UTF-8.
    static constexpr int MaxNameBytes = 255;

    // `name` made safe as one item of a folder: ":" and "/" become "-", control characters and
    // leading dots go (so "." and ".." never address another folder); empty, `fallback` instead.
    // With an `extension` (without its dot) the result is "name.extension". The whole is cut
    // to MaxNameBytes of UTF-8, the extension kept, without splitting a character.
    static QString safeFileName(
        const QString& name, const QString& fallback, const QString& extension = QString());
    // `name` itself when it is free, else "base 1.ext", "base 2.ext", ..., the first that is
    // free, where ".ext" is `extension` when `name` ends in it (a dot inside a title is never
    // taken for one). Taken: an item of that name in `folderPath` (a dangling symbolic link
    // included) or a name in `taken`, the names already handed out for files not yet written.
    static QString uniqueFileName(const QString& name, const QString& folderPath,
        const QString& extension = QString(), const QStringList& taken = QStringList());
    // The longest start of `text` that fits `maxBytes` of UTF-8, whole characters only.
    static QString truncatedToUtf8Bytes(const QString& text, int maxBytes);
};
