#include "SafeWrite.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// Writes all of `contents` to `fd`, resuming after interrupted or partial writes.
bool writeAll(int fd, const QByteArray& contents)
{
    const char* data = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

QString SafeWrite::temporarySibling(const QString& path)
{
    const QFileInfo info(path);
    return info.absoluteDir().filePath(
        QStringLiteral(".%1.%2.tmp")
            .arg(info.fileName(), QUuid::createUuid().toString(QUuid::WithoutBraces)));
}

int SafeWrite::lock(const QString& path, bool wait)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    // The item may have been removed, or made anew, while the lock was awaited.
    struct stat locked = {};
    struct stat named = {};
    if (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0 || ::fstat(fd, &locked) != 0
        || ::lstat(native(path).constData(), &named) != 0 || locked.st_dev != named.st_dev
        || locked.st_ino != named.st_ino) {
        const int failure = errno;
        ::close(fd);
        errno = failure ? failure : EBUSY;
        return -1;
    }
    return fd;
}

void SafeWrite::removeStaleTemporaries(const QString& path)
{
    const QFileInfo info(path);
    static const QString uuid
        = QStringLiteral("[0-9A-Fa-f]{8}(-[0-9A-Fa-f]{4}){3}-[0-9A-Fa-f]{12}");
    const QRegularExpression pattern(QStringLiteral("^\\.%1\\.%2\\.tmp$")
                                         .arg(QRegularExpression::escape(info.fileName()), uuid));
    const QStringList names = info.absoluteDir().entryList(QDir::Dirs | QDir::Files | QDir::Hidden
        | QDir::System | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!pattern.match(name).hasMatch())
            continue;
        const QString temporary = info.absoluteDir().filePath(name);
        const int held = lock(temporary, false);
        if (held < 0)
            continue;
        remove(temporary);
        ::close(held);
    }
}

namespace {

thread_local SafeWrite::BatchScope* t_batch = nullptr;

// Writes `contents` into an unnamed file in `folder` and names it `name`, flushed unless a
// batch flushes later; false when the file system has no unnamed files or the name cannot be
// given (the caller writes a named temporary instead), or the write failed (`failure` holds
// the reason then).
bool writeUnnamed(
    const QString& folder, const QString& name, const QByteArray& contents, int& failure)
{
    failure = 0;
    const int fd = ::open(native(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            failure = errno;
        return false;
    }
    bool done = writeAll(fd, contents) && (t_batch || ::fsync(fd) == 0);
    if (!done)
        failure = errno;
    // Without /proc the name cannot be given; the named way is taken then.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    done = done
        && ::linkat(
               AT_FDCWD, self.constData(), AT_FDCWD, native(name).constData(), AT_SYMLINK_FOLLOW)
            == 0;
    ::close(fd);
    return done;
}

} // namespace

SafeWrite::BatchScope::BatchScope() : m_outer(std::exchange(t_batch, this)) { }

SafeWrite::BatchScope::~BatchScope()
{
    t_batch = m_outer;
    if (m_outer) {
        m_outer->m_written.unite(m_written);
        return;
    }
    QSet<dev_t> flushed;
    for (const QString& path : std::as_const(m_written)) {
        struct stat info { };
        if (::stat(native(path).constData(), &info) != 0 || flushed.contains(info.st_dev))
            continue;
        flushed.insert(info.st_dev);
        const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::syncfs(fd);
        ::close(fd);
    }
}

void SafeWrite::sync(const QString& path)
{
    if (t_batch) {
        t_batch->m_written.insert(path);
        return;
    }
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void SafeWrite::remove(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else if (info.exists() || info.isSymLink())
        QFile::remove(path);
}

bool SafeWrite::createFile(
    const QString& path, const QByteArray& contents, const QString& description, Error* error)
{
    const int fd = ::open(
        native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return Error::set(error, Error::fromErrno(errno, description));
    const bool written = writeAll(fd, contents);
    const int failure = errno;
    ::close(fd);
    if (!written) {
        ::unlink(native(path).constData());
        return Error::set(error, Error::fromErrno(failure, description));
    }
    return true;
}

bool SafeWrite::writeFile(
    const QString& path, const QByteArray& contents, const QString& description, Error* error)
{
    // A new file gets its name only once it is whole. One that replaces another goes through a
    // named temporary renamed over it, which the next write of the name removes if a kill left
    // it there.
    const QString folder = QFileInfo(path).absolutePath();
    const bool replacing = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    if (replacing)
        removeStaleTemporaries(path);
    int failure = 0;
    if (!replacing && writeUnnamed(folder, path, contents, failure)) {
        sync(folder);
        return true;
    }
    const QString temporary = temporarySibling(path);
    const bool written
        = !failure && replacing && writeUnnamed(folder, temporary, contents, failure);
    if (failure)
        return Error::set(error, Error::fromErrno(failure, description));
    if (!written) {
        if (!createFile(temporary, contents, description, error))
            return false;
        sync(temporary);
    }
    if (::rename(native(temporary).constData(), native(path).constData()) != 0) {
        const int renameFailure = errno;
        ::unlink(native(temporary).constData());
        return Error::set(error, Error::fromErrno(renameFailure, description));
    }
    sync(folder);
    return true;
}

bool SafeWrite::writeFolder(
    const QString& path, const FolderFiller& fill, const QString& description, Error* error)
{
    removeStaleTemporaries(path);
    const QString temporary = temporarySibling(path);
    int held = -1;
    if (::mkdir(native(temporary).constData(), 0777) != 0 || (held = lock(temporary, true)) < 0) {
        const int failure = errno;
        remove(temporary);
        return Error::set(error, Error::fromErrno(failure, description));
    }
    const auto release = qScopeGuard([held] { ::close(held); });
    if (!fill(temporary, error)) {
        remove(temporary);
        return false;
    }
    QDirIterator files(temporary, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        sync(files.next());
    sync(temporary);

    const QFileInfo target(path);
    const bool replaced = target.exists() || target.isSymLink()
        ? exchange(temporary, path, description, error)
        : ::rename(native(temporary).constData(), native(path).constData()) == 0
            || Error::set(error, Error::fromErrno(errno, description));
    // After an exchange the temporary holds the old content.
    remove(temporary);
    if (replaced)
        sync(target.absolutePath());
    return replaced;
}

bool SafeWrite::exchange(
    const QString& source, const QString& target, const QString& description, Error* error)
{
    if (::renameat2(AT_FDCWD, native(source).constData(), AT_FDCWD, native(target).constData(),
            RENAME_EXCHANGE)
        == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return Error::set(error, Error::fromErrno(errno, description));
    const QString backup = source + QStringLiteral(".old");
    if (::rename(native(target).constData(), native(backup).constData()) != 0)
        return Error::set(error, Error::fromErrno(errno, description));
    if (::rename(native(source).constData(), native(target).constData()) != 0) {
        const int failure = errno;
        ::rename(native(backup).constData(), native(target).constData());
        return Error::set(error, Error::fromErrno(failure, description));
    }
    if (::rename(native(backup).constData(), native(source).constData()) != 0)
        remove(backup);
    return true;
}

} // namespace platform
