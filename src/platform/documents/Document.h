#pragma once

#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/DocumentAutosaveSchedule.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Error.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>

class QWidget;

namespace platform {

class DocumentFilePresenter;
class DocumentStoreLock;
class Editor;
class UndoManager;
class WindowController;

// The kinds of save, with the platform's numbering.
enum class SaveOperation : int {
    Save = 0,
    SaveAs = 1,
    SaveTo = 2,
    AutosaveElsewhere = 3,
    AutosaveInPlace = 4,
    AutosaveAs = 5,
};

// A document backed by one store of a managed object model: its file URL and type, a main
// context with the document's undo manager, a change count driven by that undo manager's
// groups, saving by operation (subclasses write the file in writeSafelyToURL()), autosave in
// place shortly after changes, serialised file access and the list of its window controllers.
//
// Autosave: a change schedules an autosave kAutosaveDelay after the latest change, but never
// later than kLongestAutosaveDelay after the first change not yet autosaved, so a crash loses
// at most those seconds. A titled document autosaves in place; an untitled one autosaves
// elsewhere, into autosaveElsewhereURL(). "Save to" and "autosave elsewhere" are refused for
// a titled document: both would write the open store, not the target.
//
// The file is watched while the document is open (see DocumentFilePresenter): a move is
// followed; once the file is deleted or another takes its name, saves in place are refused,
// Save offers a save panel and closing asks as for an untitled document.
//
// A locked document (its file lies where it cannot be written) keeps its file as it is: saves
// in place are refused, and an edit brings up one alert that says so and offers to save a copy
// elsewhere; without a copy the edits are undone.
//
// While another program holds the lock of the store, saves in place fail without waiting for
// it; the document is busy (see DocumentStoreLock), keeps its changes in memory and autosaves
// them once the lock is gone.
//
// Editors with an open edit register through objectDidBeginEditing(); a save the user asked
// for (save, save as, save to) and a close commit them first, and a refusal stops the save or
// the close. Autosaves leave open edits alone. Main thread only.
class Document : public QObject {
    Q_OBJECT

public:
    enum class ChangeType { Done, Undone, Redone, Cleared, Autosaved };
    // A null error means success.
    using Completion = std::function<void(const Error& error)>;
    // Receives the function that ends the access; the next queued access starts after it.
    using FileAccessBlock = std::function<void(std::function<void()> fileAccessCompletion)>;

    static const QString FileModificationDateAttribute;
    static const QString FilePosixPermissionsAttribute;
    static constexpr double kAutosaveDelay = DocumentAutosaveSchedule::kDelay;
    static constexpr double kLongestAutosaveDelay = DocumentAutosaveSchedule::kLongestDelay;

    explicit Document(std::shared_ptr<const ManagedObjectModel> model, QObject* parent = nullptr);
    ~Document() override;

    QUrl fileURL() const { return m_fileURL; }
    virtual void setFileURL(const QUrl& url);
    QString fileType() const { return m_fileType; }
    void setFileType(const QString& type) { m_fileType = type; }
    QDateTime fileModificationDate() const { return m_fileModificationDate; }
    void setFileModificationDate(const QDateTime& date) { m_fileModificationDate = date; }
    // Where the latest autosave elsewhere went; empty for a titled document.
    QUrl autosavedContentsFileURL() const { return m_autosavedContentsURL; }
    bool isDraft() const { return m_draft; }
    bool isLocked() const { return m_locked; }
    void setDraft(bool draft) { m_draft = draft; }

    ManagedObjectContext* managedObjectContext() const { return m_context.get(); }
    UndoManager* undoManager() const { return m_undoManager.get(); }
    const std::shared_ptr<PersistentStoreCoordinator>& persistentStoreCoordinator() const;

    // Reads the document at `url` and adopts its URL, type and modification date.
    bool initWithContentsOfURL(const QUrl& url, const QString& type, Error* error);
    virtual bool readFromURL(const QUrl& url, const QString& type, Error* error) = 0;
    virtual bool writeSafelyToURL(
        const QUrl& url, const QString& type, SaveOperation operation, Error* error)
        = 0;
    // Attributes applied to the saved file; the base gives none.
    virtual QVariantMap fileAttributesToWriteToURL(const QUrl& url, const QString& type,
        SaveOperation operation, const QUrl& originalContentsURL, Error* error) const;
    virtual QString persistentStoreTypeForFileType(const QString& type) const;
    virtual QString fileNameExtensionForType(const QString& type) const;
    // Adds the store at `url` to the coordinator.
    bool configurePersistentStoreCoordinatorForURL(const QUrl& url, const QString& type,
        const QString& configuration, const QVariantMap& storeOptions, Error* error);

    // Saves within the document's file access; the first save of an untitled document is a
    // save as. On success the URL, type, draft flag and change count follow the operation.
    void saveToURL(
        const QUrl& url, const QString& type, SaveOperation operation, Completion completion);
    // Autosaves when there are unautosaved changes; otherwise completes at once. Not
    // implicitly cancellable (before a close or a quit), it first looks at the file and its
    // store, and fails with why they are gone.
    void autosaveWithImplicitCancellability(bool implicitlyCancellable, Completion completion);
    // The new place of an untitled document's autosave, or of a locked one's refused edits,
    // in the autosave folder and named after the document.
    virtual QUrl autosaveElsewhereURL() const;
    // Edits of a locked document that were neither undone nor saved in a copy yet (the alert
    // about them is still open).
    bool hasRefusedEdits() const;
    // Saves a locked document with refused edits to autosaveElsewhereURL(), which the document
    // then stands for, so that quitting keeps the edits; completes at once without such edits.
    void saveRefusedEditsElsewhere(Completion completion);
    // Saves the document whole to autosaveElsewhereURL(), which it then stands for: where a
    // termination keeps what its file could not take.
    void saveElsewhere(Completion completion);
    // The autosaved contents an untitled document was reopened from, which its autosaves then
    // replace.
    void setAutosavedContentsFileURL(const QUrl& url) { m_autosavedContentsURL = url; }

    // The file was deleted, or another took its name, since it was read or saved.
    bool isFileGone() const;
    // Another program holds the lock of the store, so the latest changes wait in memory.
    bool isFileBusy() const;
    // Moves the store, found no longer the one read, to a new file in the autosave folder
    // with every note the document holds and what could still be read of the old file, so
    // that the window goes on working until the notes are saved elsewhere. False when that
    // failed (the notes are then in memory only).
    bool keepNotesOfDamagedStore();
    // Whether another process had the file open when this one read it.
    virtual bool isOpenElsewhere() const { return false; }
    // Moves the file to `url` within the document's file access and follows it there; the
    // completion gets the error of a failed move. This base moves nothing and says so.
    virtual void moveToURL(const QUrl& url, Completion completion);
    // Save As…, Rename… and Move To…: a panel, then a save as or a move; a failure is shown.
    void saveDocumentAs(std::function<void(bool didSave)> completion);
    void renameDocument();
    void moveDocument();

    void updateChangeCount(ChangeType change);
    bool isDocumentEdited() const { return m_changeCount != 0; }
    // The user chose not to save an untitled document's changes, and made none since: it
    // closes without asking again, and what was autosaved of it goes with it.
    bool changesDiscarded() const { return m_changesDiscarded; }
    bool hasUnautosavedChanges() const { return m_unautosavedCount != 0; }

    // Not owned: an editor unregisters with objectDidEndEditing() before it goes away.
    void objectDidBeginEditing(Editor* editor);
    void objectDidEndEditing(Editor* editor);
    const QList<Editor*>& registeredEditors() const { return m_editors; }

    // Runs `block` now, or after the file accesses queued before it have ended.
    void performAsynchronousFileAccessUsingBlock(FileAccessBlock block);

    const QList<WindowController*>& windowControllers() const { return m_windowControllers; }
    void addWindowController(WindowController* controller);
    void removeWindowController(WindowController* controller);
    // Answers through `completion` whether the window of `controller` may close. A window
    // that leaves the document open may always close; the main or last window closes the
    // document, so it asks canCloseDocument().
    virtual void shouldCloseWindowController(
        WindowController* controller, std::function<void(bool shouldClose)> completion);
    // Called by a window whose close was agreed: saves what is unsaved and closes the
    // document with its main or last window.
    void windowControllerWillClose(WindowController* controller);

    // Answers through `decision` whether the document may close, after committing open
    // edits: a titled document autosaves first and may close when that worked; an edited
    // untitled one asks the user to save it (Save…, Don't Save, Cancel). A failed save is
    // shown with its reason and keeps the document open.
    virtual void canCloseDocument(std::function<void(bool shouldClose)> decision);
    // Saves the document where it is; an untitled one asks for a place in a save panel
    // first. Answers whether it was saved; a failure has been shown to the user.
    void saveDocument(std::function<void(bool didSave)> completion);
    // The name windows and alerts give the document: its file's name without extension;
    // before it has one "Untitled", or "Untitled 2" and on while other untitled documents are
    // open (the document controller numbers them).
    virtual QString displayName() const;
    int untitledNumber() const { return m_untitledNumber; }
    void setUntitledNumber(int number);
    // The window sheets of the document attach to: the main window when it is one of the
    // document's, else its first window; null without windows.
    virtual QWidget* windowForSheet() const;
    // Lets go of the windows and the store; the document is unusable afterwards.
    virtual void close();
    bool isClosed() const { return m_closed; }

    // Applies the modification date and POSIX permissions of `attributes` to `path`; errors
    // are ignored, the save has happened.
    static void writeFileAttributes(const QString& path, const QVariantMap& attributes);

protected:
    // Set by readFromURL() for a file that cannot be written where it is.
    void setLocked(bool locked) { m_locked = locked; }

signals:
    void documentEditedChanged(bool edited);
    void fileBusyChanged(bool busy);
    void fileURLChanged(const QUrl& url);
    void displayNameChanged();
    void didClose();

private:
    void autosaveTimerFired();
    void startNextFileAccess();
    void didSave(const QUrl& url, const QString& type, SaveOperation operation);
    // Asks, once for a run of edits, whether to save a copy; undoes the edits otherwise.
    void refuseEditOfLockedFile();
    void undoRefusedEdits();
    Error lockedFileError() const;
    // Commits every registered editor; false with the first refusal's error.
    bool commitRegisteredEditors(Error* error);
    // Asks whether to save an edited untitled document before it closes.
    void askToSaveBeforeClosing(std::function<void(bool shouldClose)> decision);
    // Saves; a failure other than the user's cancelling is shown before `completion` runs.
    void saveShowingFailure(
        const QUrl& url, SaveOperation operation, std::function<void(bool didSave)> completion);
    // Shows why a save failed, as a sheet on windowForSheet(), then calls `done`.
    void presentSaveError(const Error& error, std::function<void()> done);
    // The same when the save before a close failed: the user may save elsewhere instead, and
    // `decision` learns whether the document may close.
    void presentSaveErrorBeforeClosing(
        const Error& error, std::function<void(bool shouldClose)> decision);

    std::shared_ptr<PersistentStoreCoordinator> m_coordinator;
    std::unique_ptr<UndoManager> m_undoManager;
    std::unique_ptr<ManagedObjectContext> m_context;
    QUrl m_fileURL;
    QString m_fileType;
    QDateTime m_fileModificationDate;
    QUrl m_autosavedContentsURL;
    // Where keepNotesOfDamagedStore() put the store; removed when the document closes.
    QUrl m_damagedStoreCopyURL;
    bool m_draft = false;
    bool m_locked = false;
    bool m_refusingEdit = false;
    bool m_changesDiscarded = false;
    int m_changeCount = 0;
    int m_unautosavedCount = 0;
    DocumentAutosaveSchedule m_autosaveSchedule { [this] { autosaveTimerFired(); } };
    std::deque<FileAccessBlock> m_fileAccessQueue;
    bool m_fileAccessRunning = false;
    QList<WindowController*> m_windowControllers;
    QList<Editor*> m_editors;
    std::unique_ptr<DocumentFilePresenter> m_filePresenter;
    std::unique_ptr<DocumentStoreLock> m_storeLock;
    bool m_closed = false;
    int m_untitledNumber = 0;
};

} // namespace platform
