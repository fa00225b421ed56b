#include "Document.h"

#include "WindowController.h"

#include "platform/data/PersistentStore.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>
#include <utility>

#include <sys/stat.h>
#include <sys/time.h>

namespace platform {

const QString Document::FileModificationDateAttribute = QStringLiteral("NSFileModificationDate");
const QString Document::FilePosixPermissionsAttribute = QStringLiteral("NSFilePosixPermissions");

void Document::writeFileAttributes(const QString& path, const QVariantMap& attributes)
{
    const QByteArray native = QFile::encodeName(path);
    if (attributes.contains(Document::FilePosixPermissionsAttribute))
        ::chmod(native.constData(),
            mode_t(attributes.value(Document::FilePosixPermissionsAttribute).toUInt()));
    if (attributes.contains(Document::FileModificationDateAttribute)) {
        const qint64 ms = attributes.value(Document::FileModificationDateAttribute)
                              .toDateTime()
                              .toMSecsSinceEpoch();
        timeval times[2];
        times[0].tv_sec = times[1].tv_sec = time_t(ms / 1000);
        times[0].tv_usec = times[1].tv_usec = suseconds_t((ms % 1000) * 1000);
        ::utimes(native.constData(), times);
    }
}

Document::Document(std::shared_ptr<const ManagedObjectModel> model, QObject* parent)
    : QObject(parent),
      m_coordinator(std::make_shared<PersistentStoreCoordinator>(std::move(model))),
      m_undoManager(std::make_unique<UndoManager>()),
      m_context(std::make_unique<ManagedObjectContext>())
{
    m_context->setPersistentStoreCoordinator(m_coordinator);
    m_context->setUndoManager(m_undoManager.get());

    NotificationCenter& center = NotificationCenter::defaultCenter();
    UndoManager* undo = m_undoManager.get();
    center.addObserver(this, UndoManager::DidCloseUndoGroupNotification, undo,
        [this, undo](const Notification& notification) {
            // Only a finished top-level group with actions is a user's change.
            if (undo->groupingLevel() != 0 || undo->isUndoing() || undo->isRedoing()
                || !undo->canUndo()
                || notification.userInfo.value(UndoManager::GroupIsDiscardableKey).toBool())
                return;
            updateChangeCount(ChangeType::Done);
        });
    center.addObserver(this, UndoManager::DidUndoChangeNotification, undo,
        [this](const Notification&) { updateChangeCount(ChangeType::Undone); });
    center.addObserver(this, UndoManager::DidRedoChangeNotification, undo,
        [this](const Notification&) { updateChangeCount(ChangeType::Redone); });
}

Document::~Document()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    for (WindowController* controller : std::as_const(m_windowControllers))
        controller->setDocument(nullptr);
    // Objects may hold undo actions that refer to the context; drop them first.
    m_context->setUndoManager(nullptr);
}

const std::shared_ptr<PersistentStoreCoordinator>& Document::persistentStoreCoordinator() const
{
    return m_coordinator;
}

void Document::setFileURL(const QUrl& url)
{
    if (m_fileURL == url)
        return;
    m_fileURL = url;
    emit fileURLChanged(url);
}

bool Document::initWithContentsOfURL(const QUrl& url, const QString& type, Error* error)
{
    if (!readFromURL(url, type, error))
        return false;
    setFileURL(url);
    m_fileType = type;
    m_fileModificationDate = QFileInfo(url.toLocalFile()).lastModified();
    return true;
}

QVariantMap Document::fileAttributesToWriteToURL(
    const QUrl&, const QString&, SaveOperation, const QUrl&, Error*) const
{
    return {};
}

QString Document::persistentStoreTypeForFileType(const QString&) const
{
    return SQLiteStoreType;
}

QString Document::fileNameExtensionForType(const QString&) const
{
    return {};
}

bool Document::configurePersistentStoreCoordinatorForURL(const QUrl& url, const QString& type,
    const QString&, const QVariantMap& storeOptions, Error* error)
{
    return m_coordinator->addPersistentStore(
               persistentStoreTypeForFileType(type), url, storeOptions, error)
        != nullptr;
}

void Document::saveToURL(
    const QUrl& url, const QString& type, SaveOperation operation, Completion completion)
{
    performAsynchronousFileAccessUsingBlock(
        [this, url, type, operation, completion](std::function<void()> done) {
            SaveOperation effective = operation;
            const bool titled = !m_fileURL.isEmpty();
            if (!titled && effective == SaveOperation::Save)
                effective = SaveOperation::SaveAs;
            Error error;
            bool saved = false;
            if (m_closed) {
                error = Error(kCocoaErrorDomain, FileWriteUnknownError,
                    QStringLiteral("The document is closed."));
            } else if (titled
                && (effective == SaveOperation::SaveTo
                    || effective == SaveOperation::AutosaveElsewhere)) {
                error = Error(kCocoaErrorDomain, FileWriteUnknownError,
                    QStringLiteral("The document could not be saved."),
                    QStringLiteral("A copy of an open notes file cannot be written."));
            } else {
                saved = writeSafelyToURL(url, type, effective, &error);
                if (saved) {
                    didSave(url, type, effective);
                    if (effective != SaveOperation::AutosaveElsewhere)
                        m_fileModificationDate = QFileInfo(url.toLocalFile()).lastModified();
                }
            }
            done();
            if (completion)
                completion(saved ? Error() : error);
        });
}

void Document::didSave(const QUrl& url, const QString& type, SaveOperation operation)
{
    switch (operation) {
    case SaveOperation::SaveAs:
    case SaveOperation::AutosaveAs:
        setFileURL(url);
        m_fileType = type;
        m_draft = false;
        // The autosave of the untitled document has been taken over by the saved file.
        if (!m_autosavedContentsURL.isEmpty() && m_autosavedContentsURL != url)
            QDir(m_autosavedContentsURL.toLocalFile()).removeRecursively();
        m_autosavedContentsURL = QUrl();
        updateChangeCount(ChangeType::Cleared);
        break;
    case SaveOperation::Save:
    case SaveOperation::AutosaveInPlace:
        updateChangeCount(ChangeType::Cleared);
        break;
    case SaveOperation::AutosaveElsewhere:
        m_autosavedContentsURL = url;
        updateChangeCount(ChangeType::Autosaved);
        break;
    case SaveOperation::SaveTo:
        break;
    }
}

void Document::autosaveWithImplicitCancellability(bool, Completion completion)
{
    if (!hasUnautosavedChanges() || m_closed) {
        if (completion)
            completion(Error());
        return;
    }
    if (!m_fileURL.isEmpty()) {
        saveToURL(m_fileURL, m_fileType, SaveOperation::AutosaveInPlace, std::move(completion));
        return;
    }
    const QUrl target
        = m_autosavedContentsURL.isEmpty() ? autosaveElsewhereURL() : m_autosavedContentsURL;
    saveToURL(target, m_fileType, SaveOperation::AutosaveElsewhere, std::move(completion));
}

QUrl Document::autosaveElsewhereURL() const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Brindlex/Autosave Information");
    QDir().mkpath(folder);
    QString name = QStringLiteral("Untitled ")
        + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString extension = fileNameExtensionForType(m_fileType);
    if (!extension.isEmpty())
        name += QLatin1Char('.') + extension;
    return QUrl::fromLocalFile(folder + QLatin1Char('/') + name);
}

void Document::updateChangeCount(ChangeType change)
{
    const bool wasEdited = isDocumentEdited();
    switch (change) {
    case ChangeType::Done:
    case ChangeType::Redone:
        ++m_changeCount;
        ++m_unautosavedCount;
        break;
    case ChangeType::Undone:
        --m_changeCount;
        ++m_unautosavedCount;
        break;
    case ChangeType::Cleared:
        m_changeCount = 0;
        m_unautosavedCount = 0;
        break;
    case ChangeType::Autosaved:
        m_unautosavedCount = 0;
        break;
    }
    if (hasUnautosavedChanges())
        scheduleAutosave();
    else if (m_autosaveTimer)
        m_autosaveTimer->invalidate();
    if (wasEdited != isDocumentEdited())
        emit documentEditedChanged(isDocumentEdited());
}

void Document::scheduleAutosave()
{
    if (m_closed)
        return;
    if (!m_autosaveTimer)
        m_autosaveTimer
            = std::make_unique<Timer>(kAutosaveDelay, false, [this] { autosaveTimerFired(); });
    const double now = Scheduler::current().now();
    if (!m_autosaveTimer->isValid()) {
        m_firstUnautosavedChange = now;
        m_autosaveTimer->start();
        return;
    }
    m_autosaveTimer->setFireDate(
        std::min(now + kAutosaveDelay, m_firstUnautosavedChange + kLongestAutosaveDelay));
}

void Document::autosaveTimerFired()
{
    autosaveWithImplicitCancellability(true, [this](const Error& error) {
        if (!error)
            return;
        log(QStringLiteral("autosave failed: %@"), error.toString());
        // Keep trying: the changes are only in memory until an autosave succeeds.
        scheduleAutosave();
    });
}

void Document::performAsynchronousFileAccessUsingBlock(FileAccessBlock block)
{
    m_fileAccessQueue.push_back(std::move(block));
    if (!m_fileAccessRunning)
        startNextFileAccess();
}

void Document::startNextFileAccess()
{
    if (m_fileAccessQueue.empty())
        return;
    m_fileAccessRunning = true;
    FileAccessBlock block = std::move(m_fileAccessQueue.front());
    m_fileAccessQueue.pop_front();
    auto ended = std::make_shared<bool>(false);
    block([this, ended] {
        if (*ended)
            return;
        *ended = true;
        m_fileAccessRunning = false;
        startNextFileAccess();
    });
}

void Document::addWindowController(WindowController* controller)
{
    if (!controller || m_windowControllers.contains(controller))
        return;
    m_windowControllers.append(controller);
    controller->setDocument(this);
}

void Document::removeWindowController(WindowController* controller)
{
    if (m_windowControllers.removeOne(controller))
        controller->setDocument(nullptr);
}

void Document::windowControllerWillClose(WindowController* controller)
{
    const bool closesDocument
        = controller->shouldCloseDocument() || m_windowControllers == QList { controller };
    if (!closesDocument) {
        removeWindowController(controller);
        autosaveTimerFired();
        return;
    }
    canCloseDocument([this](bool shouldClose) {
        if (shouldClose)
            close();
    });
}

void Document::canCloseDocument(std::function<void(bool shouldClose)> decision)
{
    if (m_fileURL.isEmpty()) {
        decision(!isDocumentEdited());
        return;
    }
    autosaveWithImplicitCancellability(false, [decision](const Error& error) {
        if (error)
            log(QStringLiteral("autosave before closing failed: %@"), error.toString());
        decision(!error);
    });
}

void Document::close()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_autosaveTimer)
        m_autosaveTimer->invalidate();
    const QList<WindowController*> controllers = m_windowControllers;
    for (WindowController* controller : controllers)
        removeWindowController(controller);
    NotificationCenter::defaultCenter().removeObserver(this);
    m_undoManager->removeAllActions();
    if (const std::shared_ptr<PersistentStore> store = m_coordinator->persistentStore())
        m_coordinator->removePersistentStore(store, nullptr);
    emit didClose();
}

} // namespace platform
