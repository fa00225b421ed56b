#include "Document.h"

#include "AlertPresenter.h"
#include "DocumentController.h"
#include "DocumentFilePresenter.h"
#include "DocumentStoreLock.h"
#include "WindowController.h"
#include "WindowTracker.h"

#include "platform/controllers/Editor.h"
#include "platform/data/PersistentStore.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
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
      m_context(std::make_unique<ManagedObjectContext>()),
      m_filePresenter(std::make_unique<DocumentFilePresenter>(*this)),
      m_storeLock(std::make_unique<DocumentStoreLock>(*this))
{
    connect(m_storeLock.get(), &DocumentStoreLock::busyChanged, this, &Document::fileBusyChanged);
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
    // Any context of the document may be the first to find the store destroyed.
    center.addObserver(this, ManagedObjectContext::StoreDamagedNotification, nullptr,
        [this](const Notification& notification) {
            const auto* context = static_cast<const ManagedObjectContext*>(notification.object);
            if (!context || context->persistentStoreCoordinator() != m_coordinator)
                return;
            QPointer<Document> guard(this);
            const auto look = [guard] {
                if (guard && !guard->m_closed && !guard->m_fileURL.isEmpty())
                    guard->m_filePresenter->checkFile();
            };
            if (isMainThread())
                look();
            else
                dispatchAsyncMain(look);
        });
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
    m_filePresenter->watchFile();
    emit fileURLChanged(url);
    emit displayNameChanged();
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

namespace {

bool inPlace(SaveOperation operation)
{
    return operation == SaveOperation::Save || operation == SaveOperation::AutosaveInPlace;
}

} // namespace

void Document::saveToURL(
    const QUrl& url, const QString& type, SaveOperation operation, Completion completion)
{
    const bool userAsked = operation == SaveOperation::Save || operation == SaveOperation::SaveAs
        || operation == SaveOperation::SaveTo;
    Error commitError;
    if (userAsked && !commitRegisteredEditors(&commitError)) {
        if (completion)
            completion(commitError);
        return;
    }
    performAsynchronousFileAccessUsingBlock(
        [this, url, type, operation, completion](std::function<void()> done) {
            SaveOperation effective = operation;
            const bool titled = !m_fileURL.isEmpty();
            const QUrl wasAt = m_fileURL;
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
            } else if (m_locked && effective != SaveOperation::SaveAs
                && effective != SaveOperation::AutosaveAs) {
                error = lockedFileError();
            } else if (titled && inPlace(effective) && !m_filePresenter->checkFile()) {
                error = m_filePresenter->fileGoneError();
            } else {
                // A file moved meanwhile has been followed: it is saved where it is now.
                const QUrl target = url == wasAt ? m_fileURL : url;
                saved = writeSafelyToURL(target, type, effective, &error);
                // A store another program holds waits for it; one found damaged says so as a
                // deleted file would, and the notes stay in the window until saved elsewhere.
                if (!saved && inPlace(effective) && !m_storeLock->saveFailed() && titled)
                    m_filePresenter->checkFile();
                if (saved) {
                    didSave(target, type, effective);
                    if (effective != SaveOperation::AutosaveElsewhere)
                        m_fileModificationDate = QFileInfo(target.toLocalFile()).lastModified();
                }
            }
            done();
            if (completion)
                completion(saved ? Error() : error);
        });
}

void Document::didSave(const QUrl& url, const QString& type, SaveOperation operation)
{
    m_autosaveSchedule.saved();
    // The file written is the one to watch now (a save as may have put a new one in place).
    if (operation != SaveOperation::SaveTo && operation != SaveOperation::AutosaveElsewhere
        && url == m_fileURL)
        m_filePresenter->watchFile();
    switch (operation) {
    case SaveOperation::SaveAs:
    case SaveOperation::AutosaveAs:
        setFileURL(url);
        m_fileType = type;
        m_draft = false;
        m_locked = false;
        // The autosave of the untitled document has been taken over by the saved file, and so
        // has the copy a damaged store was moved to.
        if (!m_autosavedContentsURL.isEmpty() && m_autosavedContentsURL != url)
            QDir(m_autosavedContentsURL.toLocalFile()).removeRecursively();
        if (!m_damagedStoreCopyURL.isEmpty())
            QFile::remove(std::exchange(m_damagedStoreCopyURL, QUrl()).toLocalFile());
        m_autosavedContentsURL = QUrl();
        updateChangeCount(ChangeType::Cleared);
        // A place the user chose is one to come back to; an autosaved copy is not.
        if (operation == SaveOperation::SaveAs) {
            if (DocumentController* controller = DocumentController::shared())
                controller->noteNewRecentDocumentURL(url);
        }
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

void Document::autosaveWithImplicitCancellability(bool implicitlyCancellable, Completion completion)
{
    // Before a close or a quit the file is looked at even without changes: the notes in the
    // window may be the only ones left of a store another program destroyed.
    if (!implicitlyCancellable && !m_closed && !m_fileURL.isEmpty() && !m_locked
        && !m_filePresenter->checkFile()) {
        if (completion)
            completion(m_filePresenter->fileGoneError());
        return;
    }
    if (!hasUnautosavedChanges() || m_closed) {
        if (completion)
            completion(Error());
        return;
    }
    if (!m_fileURL.isEmpty()) {
        // The notes of a file that is gone stay here until saved elsewhere.
        if (isFileGone()) {
            if (completion)
                completion(m_filePresenter->fileGoneError());
            return;
        }
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
    QString name = displayName() + QLatin1Char(' ')
        + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString extension = fileNameExtensionForType(m_fileType);
    if (!extension.isEmpty())
        name += QLatin1Char('.') + extension;
    return QUrl::fromLocalFile(folder + QLatin1Char('/') + name);
}

bool Document::hasRefusedEdits() const
{
    return m_locked && m_undoManager->canUndo();
}

void Document::saveRefusedEditsElsewhere(Completion completion)
{
    if (!hasRefusedEdits() || m_closed) {
        if (completion)
            completion(Error());
        return;
    }
    saveElsewhere(std::move(completion));
}

void Document::saveElsewhere(Completion completion)
{
    if (m_closed) {
        if (completion)
            completion(Error(kCocoaErrorDomain, FileWriteUnknownError,
                QStringLiteral("The document is closed.")));
        return;
    }
    saveToURL(autosaveElsewhereURL(), m_fileType, SaveOperation::AutosaveAs, std::move(completion));
}

bool Document::keepNotesOfDamagedStore()
{
    const std::shared_ptr<PersistentStore> store = m_coordinator->persistentStore();
    if (!store || !m_damagedStoreCopyURL.isEmpty())
        return false;
    const QUrl copy = QUrl::fromLocalFile(
        autosaveElsewhereURL().toLocalFile() + QStringLiteral(".damaged-store-copy"));
    Error error;
    if (!m_coordinator->migratePersistentStore(store, copy, &error) || !m_context->save(&error)) {
        log(QStringLiteral("the notes of “%@” could not be moved out of its damaged store: %@"),
            displayName(), error.toString());
        return false;
    }
    m_damagedStoreCopyURL = copy;
    return true;
}

bool Document::isFileGone() const
{
    return !m_fileURL.isEmpty() && m_filePresenter->isFileGone();
}

bool Document::isFileBusy() const
{
    return m_storeLock->isBusy();
}

void Document::moveToURL(const QUrl&, Completion completion)
{
    if (completion)
        completion(Error(kCocoaErrorDomain, FileWriteUnknownError,
            localized(QStringLiteral("The document could not be moved.")),
            localized(QStringLiteral("This kind of document cannot be moved."))));
}

void Document::renameDocument()
{
    m_filePresenter->renameDocument();
}

void Document::moveDocument()
{
    m_filePresenter->moveDocument();
}

void Document::updateChangeCount(ChangeType change)
{
    // Edits of a locked file never count: a copy elsewhere takes them, or they are undone.
    if (m_locked && change != ChangeType::Cleared && change != ChangeType::Autosaved) {
        if (change == ChangeType::Done || change == ChangeType::Redone)
            refuseEditOfLockedFile();
        return;
    }
    const bool wasEdited = isDocumentEdited();
    switch (change) {
    case ChangeType::Done:
    case ChangeType::Redone:
        ++m_changeCount;
        ++m_unautosavedCount;
        m_changesDiscarded = false;
        break;
    case ChangeType::Undone:
        --m_changeCount;
        ++m_unautosavedCount;
        m_changesDiscarded = false;
        break;
    case ChangeType::Cleared:
        m_changeCount = 0;
        m_unautosavedCount = 0;
        break;
    case ChangeType::Autosaved:
        m_unautosavedCount = 0;
        break;
    }
    if (!hasUnautosavedChanges())
        m_autosaveSchedule.stop();
    else if (!m_closed)
        m_autosaveSchedule.changed();
    if (wasEdited != isDocumentEdited())
        emit documentEditedChanged(isDocumentEdited());
}

Error Document::lockedFileError() const
{
    return Error(kCocoaErrorDomain, FileWriteNoPermissionError,
        format(localized(QStringLiteral("The file “%@” is locked.")), m_fileURL.fileName()),
        localized(QStringLiteral("It can't be changed where it is.")));
}

void Document::refuseEditOfLockedFile()
{
    if (m_refusingEdit)
        return;
    m_refusingEdit = true;
    // Later, once the undo group of the edit has closed and can be undone.
    dispatchAfter(0, this, [this] {
        if (m_closed) {
            m_refusingEdit = false;
            return;
        }
        Alert alert;
        alert.messageText = lockedFileError().localizedDescription();
        alert.informativeText
            = localized(QStringLiteral("It can't be changed where it is. To keep your changes, "
                                       "save a copy in another place."));
        alert.buttonTitles
            = { localized(QStringLiteral("Save As…")), localized(QStringLiteral("Cancel")) };
        alert.cancelButton = 1;
        if (AlertPresenter::current().runModal(alert).button == 0) {
            FilePanel panel;
            panel.mode = FilePanel::Mode::Save;
            panel.title = localized(QStringLiteral("Save As"));
            panel.directory = QDir::homePath();
            panel.nameFieldStringValue = m_fileURL.fileName();
            if (const QString extension = fileNameExtensionForType(m_fileType);
                !extension.isEmpty())
                panel.allowedFileTypes = { extension };
            const FilePanelResponse answer = AlertPresenter::current().runPanelModal(panel);
            if (answer.accepted && !answer.urls.isEmpty()) {
                saveToURL(answer.urls.first(), m_fileType, SaveOperation::SaveAs,
                    [this](const Error& error) {
                        if (error) {
                            log(QStringLiteral("saving a copy of a locked file failed: %@"),
                                error.toString());
                            undoRefusedEdits();
                        }
                        m_refusingEdit = false;
                    });
                return;
            }
        }
        undoRefusedEdits();
        m_refusingEdit = false;
    });
}

void Document::undoRefusedEdits()
{
    // Nothing of a locked file is ever undone but the edits it refused.
    while (m_undoManager->canUndo())
        m_undoManager->undo();
    m_undoManager->removeAllActions();
}

void Document::autosaveTimerFired()
{
    autosaveWithImplicitCancellability(true, [this](const Error& error) {
        // A busy file is saved once its lock is gone.
        if (!error || isFileGone() || isFileBusy() || m_closed)
            return;
        log(QStringLiteral("autosave failed: %@"), error.toString());
        m_autosaveSchedule.failed(error, displayName(), windowForSheet());
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

void Document::shouldCloseWindowController(
    WindowController* controller, std::function<void(bool shouldClose)> completion)
{
    const bool closesDocument
        = controller->shouldCloseDocument() || m_windowControllers == QList { controller };
    if (!closesDocument || m_closed) {
        completion(true);
        return;
    }
    canCloseDocument(std::move(completion));
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
    close();
}

void Document::canCloseDocument(std::function<void(bool shouldClose)> decision)
{
    Error commitError;
    if (!commitRegisteredEditors(&commitError)) {
        log(QStringLiteral("an open edit could not be committed before closing: %@"),
            commitError.toString());
        decision(false);
        return;
    }
    // A document whose file is gone, or whose store another program destroyed, holds the only
    // copy of its notes.
    if (m_fileURL.isEmpty() || isFileGone() || (!m_locked && !m_filePresenter->checkFile())) {
        if ((isDocumentEdited() || isFileGone()) && !m_changesDiscarded)
            askToSaveBeforeClosing(std::move(decision));
        else
            decision(true);
        return;
    }
    QPointer<Document> guard(this);
    autosaveWithImplicitCancellability(false, [guard, decision](const Error& error) {
        if (!error || !guard) {
            decision(!error);
            return;
        }
        guard->presentSaveErrorBeforeClosing(error, decision);
    });
}

void Document::presentSaveErrorBeforeClosing(
    const Error& error, std::function<void(bool shouldClose)> decision)
{
    log(QStringLiteral("saving “%@” before closing failed: %@"), displayName(), error.toString());
    m_autosaveSchedule.failureShown();
    Alert alert;
    alert.messageText
        = localizedFormat(QStringLiteral("The document “%@” could not be saved."), displayName());
    alert.informativeText
        = (error.localizedFailureReason().isEmpty() ? error.localizedDescription()
                                                    : error.localizedFailureReason())
        + QLatin1Char(' ')
        + localized(QStringLiteral("To keep your changes, save the document in another place."));
    alert.style = AlertStyle::Critical;
    alert.buttonTitles
        = { localized(QStringLiteral("Save As…")), localized(QStringLiteral("Cancel")) };
    alert.cancelButton = 1;
    QPointer<Document> guard(this);
    AlertPresenter::current().beginSheet(
        alert, windowForSheet(), [guard, decision](const AlertResponse& response) {
            if (guard && response.button == 0)
                guard->saveDocumentAs(decision);
            else
                decision(false);
        });
}

void Document::askToSaveBeforeClosing(std::function<void(bool shouldClose)> decision)
{
    Alert alert;
    alert.messageText = localizedFormat(
        QStringLiteral("Do you want to save the changes made to the document “%@”?"),
        displayName());
    alert.informativeText = isFileGone()
        ? m_filePresenter->fileGoneError().localizedDescription() + QLatin1Char(' ')
            + localized(QStringLiteral("Your notes will be lost if you don't save them."))
        : localized(QStringLiteral("Your changes will be lost if you don't save them."));
    alert.buttonTitles = { localized(QStringLiteral("Save…")),
        localized(QStringLiteral("Don't Save")), localized(QStringLiteral("Cancel")) };
    alert.cancelButton = 2;
    QPointer<Document> guard(this);
    AlertPresenter::current().beginSheet(
        alert, windowForSheet(), [guard, decision](const AlertResponse& response) {
            if (!guard) {
                decision(false);
                return;
            }
            switch (response.button) {
            case 0:
                guard->saveDocumentAs(decision);
                break;
            case 1:
                // What was kept for this untitled document goes when it closes, not while its
                // store is still open on it.
                guard->m_changesDiscarded = true;
                decision(true);
                break;
            default:
                decision(false);
                break;
            }
        });
}

void Document::saveDocument(std::function<void(bool didSave)> completion)
{
    if (m_fileURL.isEmpty() || isFileGone()) {
        saveDocumentAs(std::move(completion));
        return;
    }
    saveShowingFailure(m_fileURL, SaveOperation::Save, std::move(completion));
}

void Document::saveShowingFailure(
    const QUrl& url, SaveOperation operation, std::function<void(bool didSave)> completion)
{
    QPointer<Document> guard(this);
    saveToURL(url, m_fileType, operation, [guard, operation, completion](const Error& error) {
        // A file found gone by this save is told as such, with the offer to save elsewhere.
        if (!error || !guard || error.isUserCancelled()
            || (inPlace(operation) && guard->isFileGone())) {
            if (completion)
                completion(!error);
            return;
        }
        guard->presentSaveError(error, [completion] {
            if (completion)
                completion(false);
        });
    });
}

void Document::saveDocumentAs(std::function<void(bool didSave)> completion)
{
    FilePanel panel;
    panel.mode = FilePanel::Mode::Save;
    panel.title
        = localized(m_fileURL.isEmpty() ? QStringLiteral("Save") : QStringLiteral("Save As"));
    panel.directory = m_fileURL.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        : QFileInfo(m_fileURL.toLocalFile()).path();
    panel.nameFieldStringValue = displayName();
    const QString extension = fileNameExtensionForType(m_fileType);
    if (!extension.isEmpty())
        panel.allowedFileTypes = { extension };
    QPointer<Document> guard(this);
    AlertPresenter::current().beginPanelSheet(
        panel, windowForSheet(), [guard, extension, completion](const FilePanelResponse& answer) {
            if (!guard || !answer.accepted || answer.urls.isEmpty()) {
                if (completion)
                    completion(false);
                return;
            }
            QUrl url = answer.urls.first();
            if (!extension.isEmpty()
                && QFileInfo(url.fileName()).suffix().compare(extension, Qt::CaseInsensitive) != 0)
                url = QUrl::fromLocalFile(url.toLocalFile() + QLatin1Char('.') + extension);
            guard->saveShowingFailure(url, SaveOperation::SaveAs, completion);
        });
}

void Document::presentSaveError(const Error& error, std::function<void()> done)
{
    log(QStringLiteral("saving “%@” failed: %@"), displayName(), error.toString());
    m_autosaveSchedule.failureShown();
    Alert alert;
    alert.messageText
        = localizedFormat(QStringLiteral("The document “%@” could not be saved."), displayName());
    alert.informativeText = error.localizedFailureReason().isEmpty()
        ? error.localizedDescription()
        : error.localizedFailureReason();
    alert.style = AlertStyle::Critical;
    AlertPresenter::current().beginSheet(
        alert, windowForSheet(), [done](const AlertResponse&) { done(); });
}

QString Document::displayName() const
{
    if (!m_fileURL.isEmpty())
        return QFileInfo(m_fileURL.toLocalFile()).completeBaseName();
    if (m_untitledNumber < 2)
        return localized(QStringLiteral("Untitled"));
    return QStringLiteral("%1 %2").arg(localized(QStringLiteral("Untitled"))).arg(m_untitledNumber);
}

void Document::setUntitledNumber(int number)
{
    if (m_untitledNumber == number)
        return;
    m_untitledNumber = number;
    if (m_fileURL.isEmpty())
        emit displayNameChanged();
}

QWidget* Document::windowForSheet() const
{
    WindowController* main = WindowTracker::current().mainWindowController();
    if (main && m_windowControllers.contains(main) && main->window())
        return main->window();
    for (WindowController* controller : m_windowControllers) {
        if (controller->window())
            return controller->window();
    }
    return nullptr;
}

void Document::objectDidBeginEditing(Editor* editor)
{
    if (editor && !m_editors.contains(editor))
        m_editors.append(editor);
}

void Document::objectDidEndEditing(Editor* editor)
{
    m_editors.removeAll(editor);
}

bool Document::commitRegisteredEditors(Error* error)
{
    // A copy: a committing editor unregisters itself.
    const QList<Editor*> editors = m_editors;
    for (Editor* editor : editors) {
        if (!m_editors.contains(editor))
            continue;
        Error refusal;
        if (!editor->commitEditingAndReturnError(&refusal)) {
            if (refusal.isNull())
                refusal = Error(kCocoaErrorDomain, UserCancelledError);
            Error::set(error, refusal);
            return false;
        }
    }
    return true;
}

void Document::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_autosaveSchedule.stop();
    const QList<WindowController*> controllers = m_windowControllers;
    for (WindowController* controller : controllers)
        removeWindowController(controller);
    NotificationCenter::defaultCenter().removeObserver(this);
    m_undoManager->removeAllActions();
    if (const std::shared_ptr<PersistentStore> store = m_coordinator->persistentStore())
        m_coordinator->removePersistentStore(store, nullptr);
    if (!m_damagedStoreCopyURL.isEmpty())
        QFile::remove(m_damagedStoreCopyURL.toLocalFile());
    // What was kept for an untitled document whose changes the user threw away.
    if (m_changesDiscarded && m_fileURL.isEmpty() && !m_autosavedContentsURL.isEmpty())
        QDir(m_autosavedContentsURL.toLocalFile()).removeRecursively();
    emit didClose();
}

} // namespace platform
