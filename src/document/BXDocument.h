#pragma once

#include "document/BXDefaultTextAttributes.h"
#include "document/BXDocumentHost.h"
#include "document/BXNoteInfo.h"
#include "document/BXUndoMessages.h"
#include "document/BXWrappedPersistentDocument.h"
#include "document/model/BXNote.h"
#include "document/password/BXDocumentPassword.h"
#include "document/password/BXPasswordControllerDelegate.h"
#include "document/transfer/BXDocumentExporter.h"
#include "document/transfer/BXDocumentImporter.h"
#include "document/windows/BXDocumentPrinter.h"
#include "document/windows/BXDocumentWindows.h"
#include "document/windows/BXInfoPanelLink.h"

#include "platform/controllers/Responder.h"
#include "platform/data/ManagedObject.h"
#include "platform/documents/PrintPresenter.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/text/StringAttributes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class BXMainWindowProvider;
class BXStoreMerger;
class BXPasswordPrompt;
class QWidget;

namespace platform {
class ManagedObjectContext;
class Predicate;
class UserDefaults;
} // namespace platform

// The notes document: one per open notes file. Besides the package of its base it keeps a
// preferences context beside the main one, merges the saves of other contexts on its store
// into the main context, gives a new document its default categories, routes its menu
// commands and cleans up once when it closes or the application quits. Main thread; did-save
// notifications of private contexts may reach it on their own threads. Emits
// requirePasswordChanged() and, 0.1 s after an undo or redo, undoMessageReady().
//
// It coordinates collaborators with one job each: the registry of its windows (one main
// window, whose controller the registered factory makes, then one window per note shown on
// its own) and the record that reopens the note windows with the document, the info panel's
// link, the undo and redo messages, the password, import, export and printing.
//
// When and where it saves on its own is the base's policy (platform::Document: autosave 2 s
// after the latest change, at most 5 s after the first unsaved one; in place when titled).
class BXDocument : public BXWrappedPersistentDocument,
                   public BXPasswordControllerDelegate,
                   public platform::Responder,
                   private BXDocumentHost {
    Q_OBJECT
    Q_PROPERTY(bool requirePassword READ requirePassword NOTIFY requirePasswordChanged)

public:
    static constexpr int kWrongPasswordErrorCode = BXDocumentPassword::kWrongPasswordErrorCode;
    static constexpr double kUndoMessageDelay = BXUndoMessages::kDelay;
    static constexpr double kCleanupRearmDelay = 2.0;
    static constexpr double kShowMainWindowDelay = 0.1;
    static inline const QString ActivateNotification
        = QStringLiteral("BXDocumentActivateNotification");
    static inline const QString DeactivateNotification
        = QStringLiteral("BXDocumentDeactivateNotification");

    // Makes the main window's controller of a document; the application registers it.
    using WindowControllerFactory
        = std::function<std::unique_ptr<platform::WindowController>(BXDocument& document)>;
    // Makes the controller of a window showing one note; null when it cannot be made.
    using NoteWindowControllerFactory = std::function<std::unique_ptr<platform::WindowController>(
        BXDocument& document, const BXNote::NotePtr& note)>;
    static void setWindowControllerFactory(WindowControllerFactory factory);
    static void setNoteWindowControllerFactory(NoteWindowControllerFactory factory);

    explicit BXDocument(QObject* parent = nullptr);
    ~BXDocument() override;

    // Opens the package, then asks for the password when the file requires one. A wrong
    // password fails with code 666 in the OS-status domain, Cancel with a user-cancelled
    // error; either way the document is closed.
    bool readFromURL(const QUrl& url, const QString& type, platform::Error* error) override;
    // Also writes the preference records of a document that had no store before.
    bool writeSafelyToURL(const QUrl& url, const QString& type, platform::SaveOperation operation,
        platform::Error* error) override;
    // Before every save: merges what another copy of the application saved to the file.
    bool updateFileWrapper(const QUrl& url, platform::Error* error) override;

    // Main-queue context on the main context's coordinator, without undo; made on first use.
    platform::ManagedObjectContext* prefsContext();

    // Merges, on the main thread and outside undo, the save of a context on this document's
    // store that is neither the main nor the preferences context.
    void contextDidSave(const platform::Notification& notification);
    void undoManagerWillUndo(const platform::Notification&)
    {
        m_undoMessages->undoManagerWillUndo();
    }
    void undoManagerWillRedo(const platform::Notification&)
    {
        m_undoMessages->undoManagerWillRedo();
    }
    static QString undoMessage(const QString& actionName)
    {
        return BXUndoMessages::undoMessage(actionName);
    }
    static QString redoMessage(const QString& actionName)
    {
        return BXUndoMessages::redoMessage(actionName);
    }

    // "Home", "Family", "Friends" and "Work", inserted into the main context.
    void addDefaultCategories();
    // Gives a document without a store (a new one) its default categories, then reopens the
    // recorded note windows.
    void loadPreferences();
    // Records the note windows and saves the preferences context when there is a store.
    void savePreferences();

    // Makes the main window's controller with the registered factory (none registered: no
    // window), loads the preferences and shows the main window 0.1 s later.
    void makeWindowControllers();
    // The first window controller when it is a main window's, else null.
    BXMainWindowProvider* mainWindowController() const { return m_windows->mainWindowController(); }
    // The main window controller's window; null while there is none.
    QWidget* mainWindow() const { return m_windows->mainWindow(); }
    // The document's controller whose window is the key window, else null.
    platform::WindowController* keyWindowController() const
    {
        return m_windows->keyWindowController();
    }
    QWidget* keyWindow() const { return m_windows->keyWindow(); }
    // Among the controllers after the first, the first whose shown note is `note`.
    platform::WindowController* noteWindowControllerForNote(const BXNote::NotePtr& note) const
    {
        return m_windows->noteWindowControllerForNote(note);
    }
    bool hasWindowForNote(const BXNote::NotePtr& note) const
    {
        return noteWindowControllerForNote(note) != nullptr;
    }
    // Every controller showing `note`, the main window's included.
    QList<platform::WindowController*> providersForNote(const BXNote::NotePtr& note) const
    {
        return m_windows->providersForNote(note);
    }
    // Another controller showing the note `provider` shows; null when there is none.
    platform::WindowController* noteDataProviderMatchingProvider(
        platform::WindowController* provider) const
    {
        return m_windows->noteDataProviderMatchingProvider(provider);
    }
    // The note's window controller, made with the note-window factory when there is none yet
    // and added to the document, not shown; null when it cannot be made.
    platform::WindowController* openNoteWindow(const BXNote::NotePtr& note)
    {
        return m_windows->openNoteWindow(note);
    }
    // Opens (or brings forward) a window for each note; `behindMainWindow` leaves the main
    // window in front of them.
    void openNoteWindowsForNotes(
        const QList<platform::ManagedObjectPtr>& notes, bool behindMainWindow)
    {
        m_windows->openNoteWindowsForNotes(notes, behindMainWindow);
    }
    // Closes every window but the main one, the last first.
    void closeAllNoteWindows() { m_windows->closeAllNoteWindows(); }
    // The note windows' record ("Window"/"SubWindows"): written at close, read at opening.
    void saveWindowsPreferences();
    void loadWindowsPreferences();

    // The document's windows tell it when they become or stop being the main window; the
    // window tracker's changes are passed on here, so window controllers need not.
    void noteDataProviderDidBecomeMain(platform::WindowController* provider);
    void noteDataProviderDidResignMain(platform::WindowController* provider);
    void postNotification(const QString& name);
    // The provider's selection decides the observed note (exactly one selected note).
    void updateSelectionForProvider(platform::WindowController* provider)
    {
        m_infoPanelLink->updateSelectionForProvider(provider);
    }
    BXNote::NotePtr observedNote() const { return m_infoPanelLink->observedNote(); }
    void updateObservedNote(const BXNote::NotePtr& note)
    {
        m_infoPanelLink->updateObservedNote(note);
    }

    // What the info panel shows about the selection; noteInfoChanged() after each rebuild.
    const BXNoteInfo& noteInfo() const { return m_infoPanelLink->noteInfo(); }
    // Rebuilds the information from the key window's selection.
    void updateNoteInfo() { m_infoPanelLink->updateNoteInfo(); }
    // Builds the information for `notes` and stores it on a later turn of the event loop.
    void updateInfoForNotes(const QList<platform::ManagedObjectPtr>& notes)
    {
        m_infoPanelLink->updateInfoForNotes(notes);
    }
    // Whether the info panel shows: only then is the information kept current.
    static bool noteInfoNeeded() { return BXInfoPanelLink::noteInfoNeeded(); }
    // The Show Info/Hide Info command, then a rebuild when the panel came up.
    void toggleInfoPanel() { m_infoPanelLink->toggleInfoPanel(); }
    // The panel's visibility and its show/hide switch, installed by the application.
    static void setInfoPanelHooks(std::function<bool()> isVisible, std::function<void()> toggle)
    {
        BXInfoPanelLink::setInfoPanelHooks(std::move(isVisible), std::move(toggle));
    }

    // Questions answered by the main window controller; empty without one.
    QList<platform::ManagedObjectPtr> selectedCategories() const;
    QList<QUrl> selectedCategoryIDs() const;
    BXNote::NotePtr selectedNote() const;
    QList<QUrl> selectedNoteIDs() const;
    bool showNotesInMainWindowList(const QList<platform::ManagedObjectPtr>& notes);
    bool isSearchScopeBarVisible() const;
    // The attributes of new text: the document controller's, else read from the defaults.
    // Any thread.
    static platform::StringAttributes defaultStringAttributes()
    {
        return BXDefaultTextAttributes::current();
    }
    // New text's attributes from "DefaultFont", "DefaultFontColor" and
    // "DefaultParagraphStyle": an undecodable font or colour is logged and the registered one
    // used; the palette's text colour is no colour of its own; without a paragraph style, the
    // default one with a line height of 1.3.
    static platform::StringAttributes stringAttributesFromDefaults(
        const platform::UserDefaults& defaults)
    {
        return BXDefaultTextAttributes::fromDefaults(defaults);
    }
    // Gives `characters` the family, size, weight and slant of `font`.
    static void setFont(QTextCharFormat& characters, const QFont& font)
    {
        BXDefaultTextAttributes::setFont(characters, font);
    }
    // The categories a note can be tagged with: the plain ones.
    static std::shared_ptr<platform::Predicate> tagsPredicate();

    // Ends the main window's edit in progress, then saves; an untitled document asks for a
    // place in a save panel first.
    void saveDocument();

    // Menu actions: "toggleLock:", "saveDocument:", "saveDocumentAs:", "duplicateDocument:",
    // "renameDocument:", "moveDocument:", "selectTag:", "editTag:", "printDocument:",
    // "importNotes:" (into the selected plain categories), "exportNotes:" (the selected notes).
    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;
    // "toggleLock:" reads "Remove Password" while a password is required.
    std::optional<QString> titleFor(const platform::Command& command) const override;

    // Shows an undo or redo message over a window; the user interface installs it.
    using UndoMessenger = BXUndoMessages::Messenger;
    static void setUndoMessenger(UndoMessenger messenger)
    {
        BXUndoMessages::setMessenger(std::move(messenger));
    }

    // Runs once until re-armed: the main window writes its state, the note windows are
    // recorded and the preferences saved; marks the document clean.
    void cleanup();
    bool isClean() const { return m_clean; }
    void close() override;
    // Decides as the base does (open edits committed, a titled document autosaved, an edited
    // untitled one asked about), then cleans up once the close is agreed, so the state it
    // archives names saved notes; the clean-up is re-armed 2.0 s later, so a close that did
    // not happen saves the state again the next time.
    void canCloseDocument(std::function<void(bool shouldClose)> decision) override;

    bool requirePassword() const { return m_password->requirePassword(); }
    // The stored form: an Argon2id string, the typed text of an older file, or "".
    const QString& password() const { return m_password->password(); }
    // `password` is the typed text; it is hashed here, on the calling thread, before it is
    // kept. Without `flag` the stored password becomes "". Saves the preferences when the
    // document has a store.
    void setRequirePassword(bool flag, const std::optional<QString>& password)
    {
        m_password->setRequirePassword(flag, password);
    }
    // Removes a required password at once; otherwise asks for a new one in a sheet on the
    // main window (application-modal while there is none).
    void toggleLock() { m_password->toggleLock(m_windows->mainWindowObject()); }
    void passwordSet(const std::optional<QString>& storedPassword) override
    {
        m_password->passwordSet(storedPassword);
    }
    BXPasswordPrompt* passwordController() const { return m_password->passwordController(); }

    QString formatForExport() const { return m_exporter->formatForExport(); }
    void setFormatForExport(const QString& format) { m_exporter->setFormatForExport(format); }
    quint64 encodingForExport() const { return m_exporter->encodingForExport(); }
    void setEncodingForExport(quint64 encoding) { m_exporter->setEncodingForExport(encoding); }

    // What "Auto" exports `note` as: rich text with attachments RTFD, other rich text RTF,
    // plain text plain text.
    static QString preferredExportTypeForNote(const BXNote& note)
    {
        return BXDocumentExporter::preferredExportTypeForNote(note);
    }
    // The type `note` is exported as under the setting `type`: "Auto" (or none) decided for
    // the note, any other type as it is.
    static QString exportTypeForNote(const BXNote& note, const QString& type)
    {
        return BXDocumentExporter::exportTypeForNote(note, type);
    }
    // The names `notes` get when exported together as `type` (a type identifier or "Auto")
    // into `folderPath`: each title made safe ("Note" when blank) with the type's extension,
    // unique in the folder and among the notes, so two notes of one title give "Name.ext" and
    // "Name 1.ext".
    static QStringList exportFileNames(
        const QList<const BXNote*>& notes, const QString& type, const QString& folderPath)
    {
        return BXDocumentExporter::exportFileNames(notes, type, folderPath);
    }

    // Receives the new notes as objects of the main context.
    using ImportCompletion = BXDocumentImporter::Completion;
    // Builds the accessory of an export panel (BXDocumentExporter::SaveAccessoryMaker); the
    // user interface installs it, and without one the panels have no accessory.
    using SaveAccessoryMaker = BXDocumentExporter::SaveAccessoryMaker;
    static void setSaveAccessoryMaker(SaveAccessoryMaker maker)
    {
        BXDocumentExporter::setSaveAccessoryMaker(std::move(maker));
    }

    // Imports files and folders as notes into `categories`, under the progress panel from 16
    // files on. A new document is saved first; categories not saved yet are saved with the main
    // context first. What could not be imported is listed in one closing alert. `completion`
    // runs on the main thread once the notes are in the main context, always, with an empty
    // list when nothing came in.
    void importNotesAtURLs(const QList<QUrl>& urls,
        const QList<platform::ManagedObjectPtr>& categories, ImportCompletion completion)
    {
        m_importer->importNotesAtURLs(urls, categories, std::move(completion));
    }
    // Copies notes of any document into this one, into `categories` (none given: a note of
    // this document keeps its own), under the progress panel from 16 notes on. `completion`
    // runs on the main thread with the copies, always.
    void addNotes(const QList<platform::ManagedObjectPtr>& notes,
        const std::optional<QList<platform::ManagedObjectPtr>>& categories,
        ImportCompletion completion)
    {
        m_importer->addNotes(notes, categories, std::move(completion));
    }
    // Takes each note out of its categories and deletes it, recording no undo step of its own.
    void deleteNotes(const QList<platform::ManagedObjectPtr>& notes);
    // The Import… command: an open panel for files and folders, imported into `categories`.
    void importNotes(const QList<platform::ManagedObjectPtr>& categories)
    {
        m_importer->importNotes(categories);
    }

    // Writes `note` as `type` (a type identifier, "Auto" or empty) to `url`: into it, under a
    // unique name made from the title, when it is a folder, else to it. The name written, or
    // nothing when the write failed; *losses is told what the file could not carry.
    std::optional<QString> exportNote(const BXNote& note, const QUrl& url, const QString& type,
        platform::Error* error = nullptr, platform::WriteLosses* losses = nullptr)
    {
        return m_exporter->exportNote(note, url, type, error, losses);
    }
    // Writes the notes into a folder in the current export format, under the progress panel
    // from 16 notes on; the names written go to `exportedFilesNames` on the direct path. Notes
    // that failed or lost characters are named in one closing alert. The export settings are read
    // back from the defaults afterwards.
    void exportNotes(const QList<platform::ManagedObjectPtr>& notes, const QUrl& folder,
        QStringList* exportedFilesNames)
    {
        m_exporter->exportNotes(notes, folder, exportedFilesNames);
    }
    // The Export… command: a save panel for one note, a folder panel for several, both
    // starting in the folder of the last export (the home folder before one).
    void exportNotes(const QList<platform::ManagedObjectPtr>& notes)
    {
        m_exporter->exportNotes(notes);
    }

    // Printing. The print info is made once per document: fitted to the paper's width, not
    // centred; every print takes its margins and page numbering from the user defaults.
    std::shared_ptr<platform::PrintInfo> printInfo() { return m_printer->printInfo(); }
    // The operation that prints the key window's view (else the main window's) with `settings`
    // added to the print info; none, with the error "No printable content available"
    // (BXDocumentErrorDomain, code 1), when no window offers one.
    std::optional<platform::PrintOperation> printOperationWithSettings(
        const QVariantMap& settings, platform::Error* error)
    {
        return m_printer->printOperationWithSettings(settings, error);
    }
    std::shared_ptr<QObject> printableViewForPrintInfo(
        const std::shared_ptr<platform::PrintInfo>& printInfo) const;
    // The Print… command: the print panel on the key window, or the error as an alert.
    void printDocument() { m_printer->printDocument(); }
    // Set while the print panel runs, so that it attaches to the key window.
    bool sheetForPrinting() const { return m_printer->sheetForPrinting(); }
    // Builds the print panel's accessory for a view being printed; the user interface installs
    // it, and without one the panel has no accessory.
    using PrintAccessoryMaker = BXDocumentPrinter::AccessoryMaker;
    static void setPrintAccessoryMaker(PrintAccessoryMaker maker)
    {
        BXDocumentPrinter::setAccessoryMaker(std::move(maker));
    }

signals:
    void requirePasswordChanged(bool requirePassword);
    // The undo or redo message to show over the document's main window.
    void undoMessageReady(const QString& message);
    void observedNoteChanged();
    void noteInfoChanged();

private:
    // The key window while the print panel runs, else the base's choice.
    QWidget* windowForSheet() const override;
    QWidget* sheetWindow() const override { return windowForSheet(); }
    void showError(const platform::Error& error) const override;
    // Commits the main window's edits before its notes are copied or written; false when one
    // refuses.
    bool endMainWindowEditing() override;

    std::unique_ptr<platform::ManagedObjectContext> m_prefsContext;
    // The registry first: the info panel's link asks it, so it goes last.
    std::unique_ptr<BXDocumentWindows> m_windows;
    std::unique_ptr<BXInfoPanelLink> m_infoPanelLink;
    std::unique_ptr<BXUndoMessages> m_undoMessages;
    std::unique_ptr<BXDocumentPassword> m_password;
    std::unique_ptr<BXDocumentImporter> m_importer;
    std::unique_ptr<BXDocumentExporter> m_exporter;
    std::unique_ptr<BXDocumentPrinter> m_printer;
    std::unique_ptr<BXStoreMerger> m_merger;
    bool m_clean = false;
};
