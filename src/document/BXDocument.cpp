#include "document/BXDocument.h"

#include "document/BXDefaultTextAttributes.h"
#include "document/BXMainWindowProvider.h"
#include "document/BXPrintViewProvider.h"
#include "document/BXStoreMerger.h"
#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"
#include "document/transformers/ValueTransformerRegistration.h"
#include "document/windows/BXDocumentWindows.h"
#include "document/windows/BXInfoPanelLink.h"
#include "document/windows/BXNoteWindowsRecord.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"
#include "platform/predicate/Predicate.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;
using platform::NotificationCenter;
using platform::UndoManager;
using platform::WindowController;

namespace {

BXDocument::WindowControllerFactory& windowControllerFactory()
{
    static BXDocument::WindowControllerFactory factory;
    return factory;
}

BXDocument::NoteWindowControllerFactory& noteWindowControllerFactory()
{
    static BXDocument::NoteWindowControllerFactory factory;
    return factory;
}

} // namespace

BXDocument::BXDocument(QObject* parent) : BXWrappedPersistentDocument(parent)
{
    registerNamedValueTransformers();

    m_windows = std::make_unique<BXDocumentWindows>(*this, [this](const BXNote::NotePtr& note) {
        return noteWindowControllerFactory() ? noteWindowControllerFactory()(*this, note) : nullptr;
    });
    connect(m_windows.get(), &BXDocumentWindows::didBecomeMain, this,
        &BXDocument::noteDataProviderDidBecomeMain);
    connect(m_windows.get(), &BXDocumentWindows::didResignMain, this,
        &BXDocument::noteDataProviderDidResignMain);
    m_infoPanelLink = std::make_unique<BXInfoPanelLink>(*m_windows);
    connect(m_infoPanelLink.get(), &BXInfoPanelLink::observedNoteChanged, this,
        &BXDocument::observedNoteChanged);
    connect(m_infoPanelLink.get(), &BXInfoPanelLink::noteInfoChanged, this,
        &BXDocument::noteInfoChanged);
    m_undoMessages
        = std::make_unique<BXUndoMessages>(undoManager(), [this] { return mainWindow(); });
    connect(
        m_undoMessages.get(), &BXUndoMessages::messageReady, this, &BXDocument::undoMessageReady);
    m_password = std::make_unique<BXDocumentPassword>([this] { return prefsContext(); });
    connect(m_password.get(), &BXDocumentPassword::requirePasswordChanged, this,
        &BXDocument::requirePasswordChanged);
    BXDocumentHost& host = *this;
    m_importer = std::make_unique<BXDocumentImporter>(*this, host);
    m_exporter = std::make_unique<BXDocumentExporter>(host);
    m_merger = std::make_unique<BXStoreMerger>(*this, host);
    m_printer = std::make_unique<BXDocumentPrinter>(
        host, [this](const auto& info) { return printableViewForPrintInfo(info); });

    // May arrive on an import context's own thread.
    NotificationCenter::defaultCenter().addObserver(this, ManagedObjectContext::DidSaveNotification,
        nullptr,
        [this](const platform::Notification& notification) { contextDidSave(notification); });
    // Every save of the main context, also one a list or a window makes of its own, first
    // brings in what another copy saved: written over unseen, the other copy's edits would be
    // lost.
    NotificationCenter::defaultCenter().addObserver(this,
        ManagedObjectContext::WillSaveNotification, nullptr,
        [this](const platform::Notification& notification) {
            if (notification.object != managedObjectContext() || !platform::isMainThread())
                return;
            platform::Error error;
            if (!m_merger->mergeChangesFromElsewhere(&error))
                platform::log(QStringLiteral("Could not bring in what another copy saved: %@"),
                    error.localizedDescription());
        });
    // Before the event loop ends, while the windows still hold their state.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &BXDocument::cleanup);
}

BXDocument::~BXDocument()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void BXDocument::setWindowControllerFactory(WindowControllerFactory factory)
{
    windowControllerFactory() = std::move(factory);
}

void BXDocument::setNoteWindowControllerFactory(NoteWindowControllerFactory factory)
{
    noteWindowControllerFactory() = std::move(factory);
}

ManagedObjectContext* BXDocument::prefsContext()
{
    if (!m_prefsContext) {
        m_prefsContext = std::make_unique<ManagedObjectContext>(
            ManagedObjectContext::ConcurrencyType::MainQueue);
        m_prefsContext->setPersistentStoreCoordinator(persistentStoreCoordinator());
        m_prefsContext->setUndoManager(nullptr);
    }
    return m_prefsContext.get();
}

bool BXDocument::readFromURL(const QUrl& url, const QString& type, platform::Error* error)
{
    if (!BXWrappedPersistentDocument::readFromURL(url, type, error))
        return false;
    if (m_password->unlock(QFileInfo(url.toLocalFile()).completeBaseName(), error))
        return true;
    close();
    return false;
}

bool BXDocument::updateFileWrapper(const QUrl& url, platform::Error* error)
{
    if (!BXWrappedPersistentDocument::updateFileWrapper(url, error)
        || !m_merger->mergeChangesFromElsewhere(error))
        return false;
    // Until the main context has saved: what another copy saves meanwhile is merged first.
    m_merger->guardSave(true);
    return true;
}

bool BXDocument::writeSafelyToURL(
    const QUrl& url, const QString& type, platform::SaveOperation operation, platform::Error* error)
{
    const bool saved = BXWrappedPersistentDocument::writeSafelyToURL(url, type, operation, error);
    m_merger->guardSave(false);
    if (!saved)
        return false;
    // Records made before the document had a store (a password set on a new document) could
    // not be saved then; the store exists now.
    if (m_prefsContext && m_prefsContext->hasChanges()) {
        platform::Error prefsError;
        if (!m_prefsContext->save(&prefsError))
            platform::log("Could not save the document preferences: %@", prefsError);
    }
    return true;
}

void BXDocument::contextDidSave(const platform::Notification& notification)
{
    const auto* saved = static_cast<const ManagedObjectContext*>(notification.object);
    ManagedObjectContext* main = managedObjectContext();
    if (!saved || !main || saved == main)
        return;
    // The preferences context is a main-queue one, so its saves arrive on the main thread;
    // only there may its pointer be read.
    if (platform::isMainThread() && saved == m_prefsContext.get())
        return;
    if (saved->persistentStoreCoordinator() != main->persistentStoreCoordinator())
        return;
    platform::dispatchAfter(0, this, [this, notification] {
        ManagedObjectContext* context = managedObjectContext();
        if (!context || isClosed())
            return;
        UndoManager* undo = context->undoManager();
        context->processPendingChanges();
        if (undo)
            undo->disableUndoRegistration();
        context->mergeChangesFromContextDidSaveNotification(notification);
        context->processPendingChanges();
        if (undo)
            undo->enableUndoRegistration();
    });
}

void BXDocument::addDefaultCategories()
{
    ManagedObjectContext* context = managedObjectContext();
    for (const char* name : { "Home", "Family", "Friends", "Work" }) {
        auto category = std::dynamic_pointer_cast<BXCategory>(
            context->insertNewObjectForEntityForName(BXCategory::entityName()));
        if (category)
            category->setCategoryName(platform::localized(QString::fromLatin1(name)));
    }
}

void BXDocument::loadPreferences()
{
    if (!persistentStoreCoordinator()->hasStore())
        addDefaultCategories();
    loadWindowsPreferences();
}

void BXDocument::savePreferences()
{
    saveWindowsPreferences();
    if (!persistentStoreCoordinator()->hasStore())
        return;
    platform::Error error;
    if (!prefsContext()->save(&error))
        platform::log("Could not save the document preferences: %@", error);
}

void BXDocument::cleanup()
{
    if (m_clean)
        return;
    if (BXMainWindowProvider* main = mainWindowController())
        main->documentWillClose();
    // A document whose changes are thrown away has no state worth keeping.
    if (!changesDiscarded())
        savePreferences();
    m_clean = true;
}

void BXDocument::close()
{
    cleanup();
    BXWrappedPersistentDocument::close();
}

void BXDocument::canCloseDocument(std::function<void(bool shouldClose)> decision)
{
    QPointer<BXDocument> guard(this);
    BXWrappedPersistentDocument::canCloseDocument([guard, decision](bool shouldClose) {
        if (!guard || !shouldClose) {
            decision(shouldClose);
            return;
        }
        guard->cleanup();
        decision(true);
    });
    platform::dispatchAfter(kCleanupRearmDelay, this, [this] { m_clean = false; });
}

void BXDocument::makeWindowControllers()
{
    if (!windowControllerFactory())
        return;
    std::unique_ptr<WindowController> made = windowControllerFactory()(*this);
    if (!made)
        return;
    WindowController* controller = m_windows->adopt(std::move(made));
    loadPreferences();
    // Opening leaves nothing to undo: the default categories of a new document are no edit.
    managedObjectContext()->processPendingChanges();
    undoManager()->removeAllActions();
    // After the note windows reopened by the preferences, so the main window ends in front.
    platform::dispatchAfter(
        kShowMainWindowDelay, controller, [controller] { controller->showWindow(); });
    // Filling the lists during that wait rather than after it keeps the wait out of the start.
    controller->loadWindow();
}

void BXDocument::saveWindowsPreferences()
{
    // Without any window there is nothing to say about them: the record stays as it was.
    if (windowControllers().isEmpty())
        return;
    BXNoteWindowsRecord::save(windowControllers().mid(1), prefsContext());
}

void BXDocument::loadWindowsPreferences()
{
    BXNoteWindowsRecord::reopen(prefsContext(), managedObjectContext(),
        [this](const BXNote::NotePtr& note) { return openNoteWindow(note); });
}

void BXDocument::noteDataProviderDidBecomeMain(WindowController* provider)
{
    updateSelectionForProvider(provider);
    postNotification(ActivateNotification);
}

void BXDocument::noteDataProviderDidResignMain(WindowController*)
{
    postNotification(DeactivateNotification);
}

void BXDocument::postNotification(const QString& name)
{
    NotificationCenter::defaultCenter().post(name, this);
}

QList<ManagedObjectPtr> BXDocument::selectedCategories() const
{
    BXMainWindowProvider* main = mainWindowController();
    return main ? main->selectedCategories() : QList<ManagedObjectPtr>();
}

QList<QUrl> BXDocument::selectedCategoryIDs() const
{
    BXMainWindowProvider* main = mainWindowController();
    return main ? main->selectedCategoryIDs() : QList<QUrl>();
}

BXNote::NotePtr BXDocument::selectedNote() const
{
    BXMainWindowProvider* main = mainWindowController();
    return main ? main->selectedNote() : nullptr;
}

QList<QUrl> BXDocument::selectedNoteIDs() const
{
    BXMainWindowProvider* main = mainWindowController();
    return main ? main->selectedNoteIDs() : QList<QUrl>();
}

bool BXDocument::showNotesInMainWindowList(const QList<ManagedObjectPtr>& notes)
{
    BXMainWindowProvider* main = mainWindowController();
    return main && main->selectNotes(notes, true);
}

bool BXDocument::isSearchScopeBarVisible() const
{
    BXMainWindowProvider* main = mainWindowController();
    return main && !main->isSearchScopeBarHidden();
}

std::shared_ptr<platform::Predicate> BXDocument::tagsPredicate()
{
    return platform::Predicate::predicateWithFormat(QStringLiteral("isPlainCategory = TRUE"));
}

void BXDocument::saveDocument()
{
    // An edit in a table cell is part of what the user means to save; typing goes on after it.
    if (BXMainWindowProvider* main = mainWindowController())
        main->commitEditingForSave();
    BXWrappedPersistentDocument::saveDocument(nullptr);
}

namespace {

const QString ToggleLockAction = QStringLiteral("toggleLock:");
const QString SaveDocumentAction = QStringLiteral("saveDocument:");
const QString SaveDocumentAsAction = QStringLiteral("saveDocumentAs:");
const QString DuplicateDocumentAction = QStringLiteral("duplicateDocument:");
const QString RenameDocumentAction = QStringLiteral("renameDocument:");
const QString MoveDocumentAction = QStringLiteral("moveDocument:");
const QString SelectTagAction = QStringLiteral("selectTag:");
const QString EditTagAction = QStringLiteral("editTag:");
const QString PrintDocumentAction = QStringLiteral("printDocument:");
const QString ToggleInfoPanelAction = QStringLiteral("toggleInfoPanel:");
const QString ImportNotesAction = QStringLiteral("importNotes:");
const QString ExportNotesAction = QStringLiteral("exportNotes:");

} // namespace

bool BXDocument::respondsTo(const QString& action) const
{
    return action == ToggleLockAction || action == SaveDocumentAction
        || action == SaveDocumentAsAction || action == DuplicateDocumentAction
        || action == RenameDocumentAction || action == MoveDocumentAction
        || action == SelectTagAction || action == EditTagAction || action == PrintDocumentAction
        || action == ToggleInfoPanelAction || action == ImportNotesAction
        || action == ExportNotesAction;
}

std::optional<bool> BXDocument::validate(platform::Command& command) const
{
    if (command.action == SelectTagAction || command.action == EditTagAction
        || command.action == ImportNotesAction)
        return mainWindowController() != nullptr;
    if (command.action == ExportNotesAction) {
        const BXMainWindowProvider* main = mainWindowController();
        return main && !main->selectedNotes().isEmpty();
    }
    return std::nullopt;
}

std::optional<QString> BXDocument::titleFor(const platform::Command& command) const
{
    if (command.action == ToggleInfoPanelAction)
        return platform::localized(
            noteInfoNeeded() ? QStringLiteral("Hide Info") : QStringLiteral("Show Info"));
    if (command.action != ToggleLockAction)
        return std::nullopt;
    return platform::localized(requirePassword() ? QStringLiteral("Remove Password")
                                                 : QStringLiteral("Require Password…"));
}

void BXDocument::perform(const platform::Command& command)
{
    if (command.action == ToggleLockAction) {
        toggleLock();
    } else if (command.action == PrintDocumentAction) {
        printDocument();
    } else if (command.action == SaveDocumentAction) {
        saveDocument();
    } else if (command.action == SaveDocumentAsAction) {
        if (endMainWindowEditing())
            saveDocumentAs({});
    } else if (command.action == DuplicateDocumentAction) {
        if (platform::DocumentController* controller = platform::DocumentController::shared();
            controller && endMainWindowEditing())
            controller->duplicateDocument(this);
    } else if (command.action == RenameDocumentAction) {
        renameDocument();
    } else if (command.action == MoveDocumentAction) {
        moveDocument();
    } else if (command.action == ImportNotesAction) {
        if (const BXMainWindowProvider* main = mainWindowController())
            importNotes(main->selectedPlainCategories());
    } else if (command.action == ExportNotesAction) {
        if (const BXMainWindowProvider* main = mainWindowController())
            exportNotes(main->selectedNotes());
    } else if (command.action == SelectTagAction) {
        const auto category = command.representedObject.value<ManagedObjectPtr>();
        if (BXMainWindowProvider* main = mainWindowController(); main && category)
            main->selectCategories({ category }, true);
    } else if (command.action == EditTagAction) {
        if (BXMainWindowProvider* main = mainWindowController())
            main->renameCategory(command);
    } else if (command.action == ToggleInfoPanelAction) {
        toggleInfoPanel();
    }
}

void BXDocument::deleteNotes(const QList<ManagedObjectPtr>& notes)
{
    ManagedObjectContext* main = managedObjectContext();
    for (const ManagedObjectPtr& object : notes) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (!note)
            continue;
        // Its window records its state into the note while the note is still there.
        if (WindowController* window = noteWindowControllerForNote(note))
            window->close();
        note->setCategories({});
        main->deleteObject(note);
    }
}

std::shared_ptr<QObject> BXDocument::printableViewForPrintInfo(
    const std::shared_ptr<platform::PrintInfo>& info) const
{
    // The key window's, else the main window's, which comes first.
    WindowController* controller = keyWindowController();
    if (!controller)
        controller = windowControllers().value(0);
    auto* provider = dynamic_cast<BXPrintViewProvider*>(controller);
    return provider ? provider->printView(info) : nullptr;
}

QWidget* BXDocument::windowForSheet() const
{
    if (sheetForPrinting() && keyWindow())
        return keyWindow();
    return Document::windowForSheet();
}

void BXDocument::showError(const platform::Error& error) const
{
    platform::Alert alert;
    alert.messageText = error.localizedDescription();
    alert.informativeText = error.localizedFailureReason();
    if (QWidget* window = windowForSheet())
        platform::AlertPresenter::current().beginSheet(alert, window, {});
    else
        platform::AlertPresenter::current().runModal(alert);
}

bool BXDocument::endMainWindowEditing()
{
    BXMainWindowProvider* main = mainWindowController();
    return !main || main->endEditing();
}
