#pragma once

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Error.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>

namespace platform {

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
// a titled document: both would write the open store, not the target. Main thread only.
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
    static constexpr double kAutosaveDelay = 2.0;
    static constexpr double kLongestAutosaveDelay = 5.0;

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
    // Autosaves when there are unautosaved changes; otherwise completes at once.
    void autosaveWithImplicitCancellability(bool implicitlyCancellable, Completion completion);
    // The new place of an untitled document's autosave.
    virtual QUrl autosaveElsewhereURL() const;

    void updateChangeCount(ChangeType change);
    bool isDocumentEdited() const { return m_changeCount != 0; }
    bool hasUnautosavedChanges() const { return m_unautosavedCount != 0; }

    // Runs `block` now, or after the file accesses queued before it have ended.
    void performAsynchronousFileAccessUsingBlock(FileAccessBlock block);

    const QList<WindowController*>& windowControllers() const { return m_windowControllers; }
    void addWindowController(WindowController* controller);
    void removeWindowController(WindowController* controller);
    // Called by a closing window: saves what is unsaved and closes the document with its
    // main or last window.
    void windowControllerWillClose(WindowController* controller);

    // Answers through `decision` whether the document may close: a titled document autosaves
    // first and may close when that worked; an untitled one with changes needs the user.
    virtual void canCloseDocument(std::function<void(bool shouldClose)> decision);
    // Lets go of the windows and the store; the document is unusable afterwards.
    virtual void close();
    bool isClosed() const { return m_closed; }

    // Applies the modification date and POSIX permissions of `attributes` to `path`; errors
    // are ignored, the save has happened.
    static void writeFileAttributes(const QString& path, const QVariantMap& attributes);

signals:
    void documentEditedChanged(bool edited);
    void fileURLChanged(const QUrl& url);
    void didClose();

private:
    void scheduleAutosave();
    void autosaveTimerFired();
    void startNextFileAccess();
    void didSave(const QUrl& url, const QString& type, SaveOperation operation);

    std::shared_ptr<PersistentStoreCoordinator> m_coordinator;
    std::unique_ptr<UndoManager> m_undoManager;
    std::unique_ptr<ManagedObjectContext> m_context;
    QUrl m_fileURL;
    QString m_fileType;
    QDateTime m_fileModificationDate;
    QUrl m_autosavedContentsURL;
    bool m_draft = false;
    int m_changeCount = 0;
    int m_unautosavedCount = 0;
    double m_firstUnautosavedChange = 0;
    std::unique_ptr<Timer> m_autosaveTimer;
    std::deque<FileAccessBlock> m_fileAccessQueue;
    bool m_fileAccessRunning = false;
    QList<WindowController*> m_windowControllers;
    bool m_closed = false;
};

} // namespace platform
