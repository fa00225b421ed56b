#include "BXWrappedPersistentDocument.h"

#include "BXDataModel.h"
#include "ValueTransformerRegistration.h"

#include "platform/data/PersistentStore.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::Error;
using platform::PersistentStore;
using platform::SaveOperation;

const QString BXWrappedPersistentDocument::NotesDocumentType
    = QStringLiteral("com.vostar.brindlex.notes");
const QString BXWrappedPersistentDocument::NotesFileExtension = QStringLiteral("brindlex");
const QString BXWrappedPersistentDocument::StoreContentName = QStringLiteral("StoreContent");
const QString BXWrappedPersistentDocument::PersistentStoreName = QStringLiteral("persistentStore");

namespace {

Error fileError(int errorNumber, const QString& description)
{
    int code = platform::FileWriteUnknownError;
    if (errorNumber == ENOSPC || errorNumber == EDQUOT || errorNumber == EFBIG)
        code = platform::FileWriteOutOfSpaceError;
    else if (errorNumber == EACCES || errorNumber == EPERM || errorNumber == EROFS)
        code = platform::FileWriteNoPermissionError;
    Error error(platform::kCocoaErrorDomain, code, description,
        QString::fromLocal8Bit(std::strerror(errorNumber)));
    error.setUnderlyingError(Error(platform::kPOSIXErrorDomain, errorNumber,
        QString::fromLocal8Bit(std::strerror(errorNumber))));
    return error;
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// Flushes a file or folder so a crash after the swap still finds what the swap promised.
void syncPath(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void removeItem(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else if (info.exists() || info.isSymLink())
        QFile::remove(path);
}

// Puts `source` at `target` in one step; whatever was at `target` ends up at `source`.
// Filesystems that cannot exchange get a rename through a backup name, which is not atomic.
bool exchangeItems(const QString& source, const QString& target, Error* error)
{
    if (::renameat2(AT_FDCWD, native(source).constData(), AT_FDCWD, native(target).constData(),
            RENAME_EXCHANGE)
        == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return Error::set(error,
            fileError(errno,
                QStringLiteral("The notes file could not be "
                               "replaced.")));
    const QString backup = source + QStringLiteral(".old");
    if (::rename(native(target).constData(), native(backup).constData()) != 0)
        return Error::set(error,
            fileError(errno,
                QStringLiteral("The notes file could not be "
                               "replaced.")));
    if (::rename(native(source).constData(), native(target).constData()) != 0) {
        const int failure = errno;
        ::rename(native(backup).constData(), native(target).constData());
        return Error::set(error,
            fileError(failure,
                QStringLiteral("The notes file could not be "
                               "replaced.")));
    }
    return ::rename(native(backup).constData(), native(source).constData()) == 0
        || (removeItem(backup), true);
}

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

// Moves an item without replacing one at the destination; across filesystems by copying.
bool moveItem(const QString& source, const QString& target, Error* error)
{
    if (::renameat2(AT_FDCWD, native(source).constData(), AT_FDCWD, native(target).constData(),
            RENAME_NOREPLACE)
        == 0)
        return true;
    if (errno != EXDEV)
        return Error::set(error,
            fileError(errno,
                QStringLiteral("The notes file could not be "
                               "moved.")));
    if (!copyRecursively(source, target)) {
        removeItem(target);
        return Error::set(error,
            fileError(EIO,
                QStringLiteral("The notes file could not be "
                               "moved.")));
    }
    removeItem(source);
    return true;
}

} // namespace

BXWrappedPersistentDocument::BXWrappedPersistentDocument(QObject* parent)
    : Document(BXDataModel::model(), parent)
{
    registerNamedValueTransformers();
}

BXWrappedPersistentDocument::~BXWrappedPersistentDocument() = default;

QVariantMap BXWrappedPersistentDocument::storeOptions()
{
    return { { platform::MigratePersistentStoresAutomaticallyOption, true },
        { platform::InferMappingModelAutomaticallyOption, true },
        { platform::SQLitePragmasOption,
            QVariantMap { { QStringLiteral("journal_mode"), QStringLiteral("DELETE") } } } };
}

QUrl BXWrappedPersistentDocument::storeURLFromPath(const QString& path) const
{
    if (path.isEmpty())
        return {};
    return QUrl::fromLocalFile(
        path + QLatin1Char('/') + StoreContentName + QLatin1Char('/') + PersistentStoreName);
}

QUrl BXWrappedPersistentDocument::storeURLFromDocumentURL(const QUrl& url) const
{
    return storeURLFromPath(url.toLocalFile());
}

QUrl BXWrappedPersistentDocument::documentURLFromStoreURL(const QUrl& url) const
{
    QString path = url.toLocalFile();
    for (int i = 0; i < 2; ++i)
        path = QFileInfo(path).path();
    return QUrl::fromLocalFile(path);
}

bool BXWrappedPersistentDocument::checkPackage(const QUrl& url, Error* error) const
{
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    if (!info.exists())
        return Error::set(error,
            Error(platform::kCocoaErrorDomain, platform::FileNoSuchFileError,
                platform::localized(QStringLiteral("Can't open this notes "
                                                   "file.")),
                platform::format(QStringLiteral("There is nothing at "
                                                "“%@”."),
                    path)));
    if (!info.isDir() || !QFileInfo(storeURLFromPath(path).toLocalFile()).isFile())
        return Error::set(error,
            Error(platform::kCocoaErrorDomain, platform::FileReadCorruptFileError,
                platform::localized(QStringLiteral("Can't open this notes file.")),
                platform::format(QStringLiteral("“%@” is not a notes file."), info.fileName())));
    return true;
}

bool BXWrappedPersistentDocument::readFromURL(const QUrl& url, const QString& type, Error* error)
{
    if (!checkPackage(url, error))
        return false;
    const QUrl storeURL = storeURLFromDocumentURL(url);
    const auto& coordinator = persistentStoreCoordinator();
    if (const std::shared_ptr<PersistentStore> store = coordinator->persistentStoreForURL(storeURL))
        coordinator->removePersistentStore(store, nullptr);
    if (!configurePersistentStoreCoordinatorForURL(
            storeURL, type, QString(), storeOptions(), error))
        return false;
    return readFromFileWrapper(url.toLocalFile(), error);
}

bool BXWrappedPersistentDocument::readFromFileWrapper(const QString&, Error*)
{
    return true;
}

bool BXWrappedPersistentDocument::updateFileWrapper(const QUrl&, Error*)
{
    return true;
}

std::shared_ptr<PersistentStore> BXWrappedPersistentDocument::storeInUse() const
{
    const auto& coordinator = persistentStoreCoordinator();
    if (!fileURL().isEmpty())
        return coordinator->persistentStoreForURL(storeURLFromDocumentURL(fileURL()));
    return coordinator->persistentStore();
}

bool BXWrappedPersistentDocument::createContentFolderAtURL(
    const QUrl& url, const QString& type, Error* error)
{
    return buildPackage(url, type, false, error);
}

bool BXWrappedPersistentDocument::buildPackage(
    const QUrl& url, const QString& type, bool saveContext, Error* error)
{
    const QString target = QFileInfo(url.toLocalFile()).absoluteFilePath();
    const QString parent = QFileInfo(target).path();
    const QString temporary = parent + QLatin1Char('/')
        + platform::format(QStringLiteral(".%@.%@.tmp"), QFileInfo(target).fileName(),
            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    removeItem(temporary);

    const QString contentFolder = temporary + QLatin1Char('/') + StoreContentName;
    // Only the package itself is made: a missing parent folder is an error, not created.
    if (::mkdir(native(temporary).constData(), 0777) != 0
        || ::mkdir(native(contentFolder).constData(), 0777) != 0) {
        const Error failure = fileError(
            errno ? errno : EACCES, QStringLiteral("The notes file could not be written."));
        platform::log(QStringLiteral("unable to write %@. error: %@"), temporary,
            failure.localizedDescription());
        removeItem(temporary);
        return Error::set(error, failure);
    }

    // The whole package, store and saved changes included, is made before anything at the
    // target changes, so an interruption leaves the target as it was or entirely new.
    const auto& coordinator = persistentStoreCoordinator();
    const QUrl temporaryStoreURL = storeURLFromPath(temporary);
    const std::shared_ptr<PersistentStore> store = storeInUse();
    const QUrl previousStoreURL = store ? store->url() : QUrl();
    std::shared_ptr<PersistentStore> newStore;
    if (store) {
        newStore = coordinator->migratePersistentStore(store, temporaryStoreURL, error);
    } else if (configurePersistentStoreCoordinatorForURL(
                   temporaryStoreURL, type, QString(), storeOptions(), error)) {
        newStore = coordinator->persistentStore();
    }
    auto goBack = [&] {
        if (!newStore)
            return;
        if (store)
            coordinator->setURL(previousStoreURL, newStore);
        else
            coordinator->removePersistentStore(newStore, nullptr);
    };
    if (!newStore
        || (saveContext
            && (!updateFileWrapper(url, error) || !managedObjectContext()->save(error)))) {
        goBack();
        removeItem(temporary);
        return false;
    }
    syncPath(temporaryStoreURL.toLocalFile());
    syncPath(contentFolder);
    syncPath(temporary);

    Error swapError;
    const bool replaced = QFileInfo::exists(target) || QFileInfo(target).isSymLink();
    const bool swapped = replaced ? exchangeItems(temporary, target, &swapError)
                                  : moveItem(temporary, target, &swapError);
    if (!swapped) {
        platform::log(QStringLiteral("unable to replace %@. error: %@"), target,
            swapError.localizedDescription());
        goBack();
        // Saved changes live only in the new package: keep it rather than lose them.
        if (saveContext)
            swapError.setUserInfoValue(QStringLiteral("NSFilePath"), temporary);
        else
            removeItem(temporary);
        return Error::set(error, swapError);
    }
    syncPath(parent);

    // The open connection still refers to the file by its old name; open it where it is now.
    const bool repointed = coordinator->setURL(storeURLFromPath(target), newStore, error);
    if (replaced)
        removeItem(temporary);
    return repointed;
}

bool BXWrappedPersistentDocument::writeSafelyToURL(
    const QUrl& url, const QString& type, SaveOperation operation, Error* error)
{
    const QUrl original = fileURL();
    bool ready = false;
    switch (operation) {
    case SaveOperation::SaveAs:
    case SaveOperation::AutosaveAs:
        if (!buildPackage(url, type, true, error))
            return false;
        return finishSave(url, type, operation, original);
    case SaveOperation::AutosaveElsewhere:
    case SaveOperation::SaveTo:
        if (!original.isEmpty())
            return Error::set(error,
                Error(platform::kCocoaErrorDomain, platform::FileWriteUnknownError,
                    QStringLiteral("The document could not be saved."),
                    QStringLiteral("A copy of an open notes file cannot "
                                   "be written.")));
        [[fallthrough]];
    case SaveOperation::Save:
    case SaveOperation::AutosaveInPlace: {
        const std::shared_ptr<PersistentStore> store = storeInUse();
        // A save in place writes the open store, so it must be the one at the target.
        if (store && store->url() == storeURLFromDocumentURL(url)) {
            ready = checkPackage(url, error);
            if (!ready)
                platform::log(QStringLiteral("unable to create wrapper for %@. error: %@"),
                    url.toLocalFile(), error ? error->localizedDescription() : QString());
        } else if (store && !original.isEmpty()) {
            // Writing the open store elsewhere would leave the document's own file behind.
            return Error::set(error,
                Error(platform::kCocoaErrorDomain, platform::FileWriteUnknownError,
                    QStringLiteral("The document could not be saved."),
                    QStringLiteral("A notes file is saved in place only "
                                   "where it is.")));
        } else {
            if (!buildPackage(url, type, true, error))
                return false;
            return finishSave(url, type, operation, original);
        }
        break;
    }
    }
    if (!ready || !updateFileWrapper(url, error) || !managedObjectContext()->save(error))
        return false;
    return finishSave(url, type, operation, original);
}

bool BXWrappedPersistentDocument::finishSave(
    const QUrl& url, const QString& type, SaveOperation operation, const QUrl& original)
{
    Error ignored;
    QVariantMap attributes = fileAttributesToWriteToURL(url, type, operation, original, &ignored);
    attributes.insert(FileModificationDateAttribute, QDateTime::currentDateTime());
    writeFileAttributes(url.toLocalFile(), attributes);
    return true;
}

void BXWrappedPersistentDocument::moveToURL(
    const QUrl& url, std::function<void(const Error&)> completion)
{
    performAsynchronousFileAccessUsingBlock([this, url, completion](std::function<void()> done) {
        const auto& coordinator = persistentStoreCoordinator();
        QUrl source = fileURL();
        std::shared_ptr<PersistentStore> store = storeInUse();
        if (source.isEmpty() && store)
            source = documentURLFromStoreURL(store->url());

        if (!source.isEmpty()) {
            Error error;
            if (!moveItem(source.toLocalFile(), url.toLocalFile(), &error)) {
                platform::log(QStringLiteral("Failed to move %@ to %@ with error: %@"),
                    source.toLocalFile(), url.toLocalFile(), error.localizedDescription());
                done();
                if (completion)
                    completion(error);
                return;
            }
        }
        if (store) {
            Error error;
            if (!coordinator->setURL(storeURLFromDocumentURL(url), store, &error))
                platform::log(QStringLiteral("Error moving url %@, %@"),
                    storeURLFromDocumentURL(url).toLocalFile(), error.localizedDescription());
            if (isDraft())
                setDraft(false);
            setFileURL(url);
            done();
            if (completion)
                completion(Error());
            return;
        }
        done();
        const QUrl storeURL = storeURLFromDocumentURL(url);
        saveToURL(
            url, fileType(), SaveOperation::SaveAs, [storeURL, completion](const Error& error) {
                // Reported, unlike a move: the document is not where the caller asked for it.
                if (error)
                    platform::log(QStringLiteral("Error moving url %@, %@"), storeURL.toLocalFile(),
                        error.localizedDescription());
                if (completion)
                    completion(error);
            });
    });
}

void BXWrappedPersistentDocument::setFileURL(const QUrl& url)
{
    const auto& coordinator = persistentStoreCoordinator();
    if (!fileURL().isEmpty() && !url.isEmpty()) {
        if (const std::shared_ptr<PersistentStore> store
            = coordinator->persistentStoreForURL(storeURLFromDocumentURL(fileURL())))
            coordinator->setURL(storeURLFromDocumentURL(url), store);
    }
    simpleSetFileURL(url);
}

void BXWrappedPersistentDocument::simpleSetFileURL(const QUrl& url)
{
    Document::setFileURL(url);
}

QString BXWrappedPersistentDocument::fileNameExtensionForType(const QString&) const
{
    return NotesFileExtension;
}
