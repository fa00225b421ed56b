#include "document/BXWrappedPersistentDocument.h"

#include "document/model/BXDataModel.h"
#include "document/transformers/ValueTransformerRegistration.h"

#include "platform/data/PersistentStore.h"
#include "platform/foundation/CopyRecursively.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::copyRecursively;
using platform::Error;
using platform::PersistentStore;
using platform::SafeWrite;
using platform::SaveOperation;

const QString BXWrappedPersistentDocument::NotesDocumentType
    = QStringLiteral("com.vostar.brindlex.notes");
const QString BXWrappedPersistentDocument::NotesFileExtension = QStringLiteral("brindlex");
const QString BXWrappedPersistentDocument::StoreContentName = QStringLiteral("StoreContent");
const QString BXWrappedPersistentDocument::PersistentStoreName = QStringLiteral("persistentStore");

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// Moves an item without replacing one at the destination; across filesystems by copying.
bool moveItem(const QString& source, const QString& target, Error* error)
{
    if (::renameat2(AT_FDCWD, native(source).constData(), AT_FDCWD, native(target).constData(),
            RENAME_NOREPLACE)
        == 0)
        return true;
    if (errno != EXDEV)
        return Error::set(
            error, Error::fromErrno(errno, QStringLiteral("The notes file could not be moved.")));
    if (!copyRecursively(source, target)) {
        SafeWrite::remove(target);
        return Error::set(
            error, Error::fromErrno(EIO, QStringLiteral("The notes file could not be moved.")));
    }
    SafeWrite::remove(source);
    return true;
}

// Moves a package holding saved changes that could not be put in place to a free name beside
// `target` that clean-up leaves alone; its path, or the package's own when it cannot be moved.
QString keepPackage(const QString& package, const QString& target)
{
    const QFileInfo info(target);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int number = 1; number < 100; ++number) {
        const QString name = number == 1
            ? platform::format(platform::localized(QStringLiteral("%@ (unsaved changes)")),
                info.completeBaseName())
            : platform::format(platform::localized(QStringLiteral("%@ (unsaved changes %@)")),
                info.completeBaseName(), QString::number(number));
        const QString kept = info.path() + QLatin1Char('/') + name + suffix;
        if (::renameat2(AT_FDCWD, native(package).constData(), AT_FDCWD, native(kept).constData(),
                RENAME_NOREPLACE)
            == 0)
            return kept;
        if (errno != EEXIST)
            break;
    }
    return package;
}

} // namespace

BXWrappedPersistentDocument::BXWrappedPersistentDocument(QObject* parent)
    : Document(BXDataModel::model(), parent)
{
    registerNamedValueTransformers();
}

BXWrappedPersistentDocument::~BXWrappedPersistentDocument()
{
    if (m_packageLock >= 0)
        ::close(m_packageLock);
}

void BXWrappedPersistentDocument::holdPackage(const QString& path)
{
    if (m_packageLock >= 0)
        ::close(m_packageLock);
    m_packageLock
        = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_packageLock < 0)
        return;
    // Every copy that opens the file holds a shared lock, so an exclusive one is refused
    // exactly while another copy has it open.
    if (::flock(m_packageLock, LOCK_EX | LOCK_NB) != 0)
        m_openElsewhere = errno == EWOULDBLOCK;
    ::flock(m_packageLock, LOCK_SH | LOCK_NB);
}

void BXWrappedPersistentDocument::close()
{
    if (m_packageLock >= 0)
        ::close(m_packageLock);
    m_packageLock = -1;
    Document::close();
}

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
    const QString name = QFileInfo(path).fileName();
    const auto refuse = [&](int code, const QString& reason) {
        return Error::set(error,
            Error(platform::kCocoaErrorDomain, code,
                platform::localized(QStringLiteral("Can't open this notes file.")),
                platform::format(platform::localized(reason), name)));
    };
    struct stat package = {};
    if (::stat(native(path).constData(), &package) != 0) {
        const int cause = errno;
        struct stat link = {};
        const bool isLink = ::lstat(native(path).constData(), &link) == 0 && S_ISLNK(link.st_mode);
        if (cause == ELOOP)
            return refuse(platform::FileReadUnknownError,
                QStringLiteral("“%@” is a link that leads back to itself."));
        if (cause == ENOENT && isLink)
            return refuse(platform::FileNoSuchFileError,
                QStringLiteral("“%@” is a link to something that is no longer there."));
        if (cause == ENOENT || cause == ENOTDIR)
            return Error::set(error,
                Error(platform::kCocoaErrorDomain, platform::FileNoSuchFileError,
                    platform::localized(QStringLiteral("Can't open this notes file.")),
                    platform::format(QStringLiteral("There is nothing at “%@”."), path)));
        Error failure = Error::fromErrno(
            cause, platform::localized(QStringLiteral("Can't open this notes file.")));
        return Error::set(error, failure);
    }
    if (!S_ISDIR(package.st_mode))
        return refuse(
            platform::FileReadCorruptFileError, QStringLiteral("“%@” is not a notes file."));
    struct stat store = {};
    const QByteArray storePath = native(storeURLFromPath(path).toLocalFile());
    if (::stat(storePath.constData(), &store) != 0)
        return refuse(platform::FileReadCorruptFileError,
            errno == ELOOP ? QStringLiteral("The notes store in “%@” is a link that leads back "
                                            "to itself.")
                           : QStringLiteral("“%@” is not a notes file: it holds no notes store."));
    if (!S_ISREG(store.st_mode))
        return refuse(platform::FileReadCorruptFileError,
            QStringLiteral("The notes store in “%@” is not a file but a device or a folder."));
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
    // A file where nothing can be written is opened read-only and left exactly as it is.
    const bool locked = !PersistentStore::isWritableLocation(storeURL);
    QVariantMap options = storeOptions();
    if (locked)
        options.insert(platform::ReadOnlyPersistentStoreOption, true);
    if (!configurePersistentStoreCoordinatorForURL(storeURL, type, QString(), options, error))
        return false;
    setLocked(locked);
    if (!readFromFileWrapper(url.toLocalFile(), error))
        return false;
    holdPackage(url.toLocalFile());
    if (!locked)
        SafeWrite::removeStaleTemporaries(QFileInfo(url.toLocalFile()).absoluteFilePath());
    return true;
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
    // The coordinator holds one store: the package's, or the copy a damaged one was moved to.
    return persistentStoreCoordinator()->persistentStore();
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
    const QString temporary = SafeWrite::temporarySibling(target);
    SafeWrite::remove(temporary);

    const QString contentFolder = temporary + QLatin1Char('/') + StoreContentName;
    int lock = -1;
    const auto unlock = qScopeGuard([&lock] {
        if (lock >= 0)
            ::close(lock);
    });
    // Only the package itself is made: a missing parent folder is an error, not created.
    if (::mkdir(native(temporary).constData(), 0777) != 0
        || (lock = SafeWrite::lock(temporary, true)) < 0
        || ::mkdir(native(contentFolder).constData(), 0777) != 0) {
        const Error failure = Error::fromErrno(
            errno ? errno : EACCES, QStringLiteral("The notes file could not be written."));
        platform::log(QStringLiteral("unable to write %@. error: %@"), temporary,
            failure.localizedDescription());
        SafeWrite::remove(temporary);
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
        SafeWrite::remove(temporary);
        return false;
    }
    SafeWrite::sync(temporaryStoreURL.toLocalFile());
    SafeWrite::sync(contentFolder);
    SafeWrite::sync(temporary);

    Error swapError;
    const bool replaced = QFileInfo::exists(target) || QFileInfo(target).isSymLink();
    const bool swapped = replaced ? SafeWrite::exchange(temporary, target,
                             QStringLiteral("The notes file could not be replaced."), &swapError)
                                  : moveItem(temporary, target, &swapError);
    if (!swapped) {
        platform::log(QStringLiteral("unable to replace %@. error: %@"), target,
            swapError.localizedDescription());
        goBack();
        // Saved changes live only in the new package: keep it rather than lose them.
        if (saveContext)
            swapError.setUserInfoValue(
                QStringLiteral("NSFilePath"), keepPackage(temporary, target));
        else
            SafeWrite::remove(temporary);
        return Error::set(error, swapError);
    }
    SafeWrite::sync(parent);

    // The open connection still refers to the file by its old name; open it where it is now.
    const bool repointed = coordinator->setURL(storeURLFromPath(target), newStore, error);
    if (replaced)
        SafeWrite::remove(temporary);
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
    // A save as puts a new package in place; the lock goes with the package open now.
    if (operation == SaveOperation::SaveAs || operation == SaveOperation::AutosaveAs)
        holdPackage(url.toLocalFile());
    SafeWrite::removeStaleTemporaries(QFileInfo(url.toLocalFile()).absoluteFilePath());
    return true;
}

void BXWrappedPersistentDocument::moveToURL(const QUrl& url, Completion completion)
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
