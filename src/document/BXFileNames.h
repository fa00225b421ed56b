#pragma once

#include <QString>

// Names of files and folders the application writes from user text (note titles, category
// names). Pure functions apart from uniqueFileName(), which looks at the folder.
class BXFileNames final {
public:
    // The longest name most file systems take, in bytes of UTF-8.
    static constexpr int MaxNameBytes = 255;

    // `name` made safe as one item of a folder: ":" and "/" become "-", control characters and
    // leading dots go (so "." and ".." never address another folder), and the result is cut to
    // MaxNameBytes of UTF-8 without splitting a character. Empty: `fallback` instead.
    static QString safeFileName(const QString& name, const QString& fallback);
    // `name` itself when nothing of that name is in `folderPath`, else "base 1.ext",
    // "base 2.ext", ... (the extension only when the name has one), the first that is free.
    // A dangling symbolic link counts as taken.
    static QString uniqueFileName(const QString& name, const QString& folderPath);
    // The longest start of `text` that fits `maxBytes` of UTF-8, whole characters only.
    static QString truncatedToUtf8Bytes(const QString& text, int maxBytes);
};
