#pragma once

#include "Error.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>

namespace platform {

// Writes that a crash, a kill or a full disk never leave half done: a file is written unnamed
// in its folder, flushed, and only then named and renamed over the old one, so a kill leaves no
// trace of it; a folder is built whole as a hidden sibling, locked while it is filled, flushed,
// and exchanged with the old one in one step; the next write of the same name removes what a
// killed one left. A failure leaves what was there untouched and removes the temporary. Any
// thread.
class SafeWrite final {
public:
    using FolderFiller = std::function<bool(const QString& folder, Error* error)>;

    // Failures carry `description` with the system's reason (Error::fromErrno).
    static bool writeFile(
        const QString& path, const QByteArray& contents, const QString& description, Error* error);
    // Writes a file at `path`, replacing one there, without flushing it: for the files `fill`
    // writes into the temporary folder of writeFolder(), which flushes them all before the swap.
    static bool createFile(
        const QString& path, const QByteArray& contents, const QString& description, Error* error);
    // Makes a fresh temporary folder beside `path`, lets `fill` write into it, then puts it in
    // the place of `path` (a folder or file there is replaced, nothing there is fine).
    static bool writeFolder(
        const QString& path, const FolderFiller& fill, const QString& description, Error* error);

    // Puts `source` at `target` in one step; whatever was at `target` ends up at `source`.
    // File systems that cannot exchange get a rename through a backup name, not atomic.
    static bool exchange(
        const QString& source, const QString& target, const QString& description, Error* error);
    // The hidden sibling that temporaries of `path` use: ".<name>.<UUID>.tmp".
    static QString temporarySibling(const QString& path);
    // An exclusive lock on the file or folder at `path`, held until the returned descriptor is
    // closed; -1 when another process or write holds it (and `wait` is false), or the item is
    // gone or was replaced while the lock was awaited. A write holds it on its temporary, so
    // that no clean-up removes one still being written.
    static int lock(const QString& path, bool wait);
    // Removes the temporaries that interrupted writes of `path` left beside it; one that a
    // running write holds is left alone.
    static void removeStaleTemporaries(const QString& path);
    // Flushes a file, or a folder's entries, to the disk.
    static void sync(const QString& path);
    // Removes a file, or a folder with everything in it; a link is removed, never followed.
    static void remove(const QString& path);

    // While one lives on a thread, that thread's writes stay atomic but skip their flushes;
    // when it ends, each file system written to is flushed once. For many small files written
    // together (an export of many notes), where one flush at the end costs far less than two
    // for every file.
    class BatchScope final {
    public:
        BatchScope();
        ~BatchScope();
        BatchScope(const BatchScope&) = delete;
        BatchScope& operator=(const BatchScope&) = delete;

    private:
        BatchScope* m_outer;
        QSet<QString> m_written;
        friend class SafeWrite;
    };
};

} // namespace platform
