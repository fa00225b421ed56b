#include "document/BXDocument.h"

#include "document/model/BXCategory.h"
#include "document/BXDefaults.h"
#include "document/model/BXDocumentPreference.h"
#include "document/transfer/BXFileNames.h"
#include "document/BXMainWindowProvider.h"
#include "document/model/BXNote.h"
#include "document/transfer/BXNoteCopier.h"
#include "document/transfer/BXNoteExport.h"
#include "document/transfer/BXNoteImport.h"
#include "document/password/BXPasswordPrompt.h"
#include "document/BXPrintViewProvider.h"
#include "document/password/PasswordHash.h"
#include "document/transformers/ValueTransformerRegistration.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/DocumentController.h"
#include "platform/documents/ProgressPanel.h"
#include "platform/documents/WindowController.h"
#include "platform/documents/WindowTracker.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/SafeWrite.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/predicate/Predicate.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Color.h"
#include "platform/text/TextArchiving.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextDocument>

#include <algorithm>

using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;
using platform::NotificationCenter;
using platform::TypeIdentifier;
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

BXDocument::UndoMessenger& undoMessenger()
{
    static BXDocument::UndoMessenger messenger;
    return messenger;
}

// The keys of one note window's entry in the "Window"/"SubWindows" record.
const QString NoteIDKey = QStringLiteral("noteID");
const QString WindowFrameKey = QStringLiteral("windowFrame");
const QString WindowOrderKey = QStringLiteral("windowOrder");
const QString WindowMinimizedKey = QStringLiteral("windowMinimized");
const QString ZoomFactorKey = QStringLiteral("zoomFactor");

const QStringList& windowsRecordClasses()
{
    static const QStringList classes { QStringLiteral("NSArray"), QStringLiteral("NSDictionary"),
        QStringLiteral("NSURL"), QStringLiteral("NSString"), QStringLiteral("NSNumber") };
    return classes;
}

} // namespace

BXDocument::BXDocument(QObject* parent) : BXWrappedPersistentDocument(parent)
{
    registerNamedValueTransformers();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    // May arrive on an import context's own thread.
    center.addObserver(this, ManagedObjectContext::DidSaveNotification, nullptr,
        [this](const platform::Notification& notification) { contextDidSave(notification); });
    center.addObserver(this, UndoManager::WillUndoChangeNotification, undoManager(),
        [this](const platform::Notification& n) { undoManagerWillUndo(n); });
    center.addObserver(this, UndoManager::WillRedoChangeNotification, undoManager(),
        [this](const platform::Notification& n) { undoManagerWillRedo(n); });
    // Before the event loop ends, while the windows still hold their state.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &BXDocument::cleanup);

    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    m_formatForExport = defaults.stringForKey(ExportFileType);
    m_encodingForExport = defaults.unsignedIntegerForKey(ExportFileEncoding);
    connect(
        &defaults, &platform::UserDefaults::valueChanged, this, &BXDocument::userDefaultChanged);
    connect(&platform::WindowTracker::current(),
        &platform::WindowTracker::mainWindowControllerChanged, this,
        &BXDocument::mainWindowControllerChanged);
}

BXDocument::~BXDocument()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    // Later: the document may go away while one of its windows is still closing.
    for (std::unique_ptr<WindowController>& controller : m_ownedControllers) {
        removeWindowController(controller.get());
        controller.release()->deleteLater();
    }
}

void BXDocument::setWindowControllerFactory(WindowControllerFactory factory)
{
    windowControllerFactory() = std::move(factory);
}

void BXDocument::setNoteWindowControllerFactory(NoteWindowControllerFactory factory)
{
    noteWindowControllerFactory() = std::move(factory);
}

void BXDocument::setUndoMessenger(UndoMessenger messenger)
{
    undoMessenger() = std::move(messenger);
}

void BXDocument::userDefaultChanged(const QString& key)
{
    if (key == ExportFileType)
        m_formatForExport = platform::UserDefaults::standard().stringForKey(ExportFileType);
    else if (key == ExportFileEncoding)
        m_encodingForExport
            = platform::UserDefaults::standard().unsignedIntegerForKey(ExportFileEncoding);
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

    ManagedObjectContext* prefs = prefsContext();
    m_requirePassword = BXDocumentPreference::prefBooleanForType(BXDocumentPreference::SecurityType,
        BXDocumentPreference::RequirePasswordName, BXDocumentPreference::DefaultRequirePassword,
        prefs);
    m_password = BXDocumentPreference::prefStringForType(
        BXDocumentPreference::SecurityType, BXDocumentPreference::PasswordName, QString(), prefs);
    if (!m_requirePassword)
        return true;
    if (PasswordHash::isHash(m_password) && !PasswordHash::hasAcceptableCost(m_password)) {
        close();
        return platform::Error::set(error,
            platform::Error(platform::kCocoaErrorDomain, platform::FileReadCorruptFileError,
                platform::localized(QStringLiteral("The notes store is damaged.")),
                QStringLiteral("The stored password hash asks for more work than this "
                               "application ever does.")));
    }

    if (!m_passwordController)
        m_passwordController = BXPasswordPrompt::make();
    if (m_passwordController && m_passwordController->askPassword(m_password))
        return true;

    // With nobody to ask, the file stays shut as after a wrong entry.
    const bool cancelled = m_passwordController && !m_passwordController->password().has_value();
    close();
    if (cancelled)
        return platform::Error::set(
            error, platform::Error(platform::kCocoaErrorDomain, platform::UserCancelledError));
    return platform::Error::set(error,
        platform::Error(platform::kOSStatusErrorDomain, kWrongPasswordErrorCode,
            platform::localized(QStringLiteral("Can't open this notes file.")),
            platform::localized(QStringLiteral("Sorry, the password you entered is incorrect."))));
}

bool BXDocument::writeSafelyToURL(
    const QUrl& url, const QString& type, platform::SaveOperation operation, platform::Error* error)
{
    if (!BXWrappedPersistentDocument::writeSafelyToURL(url, type, operation, error))
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

QString BXDocument::undoMessage(const QString& actionName)
{
    return platform::localizedFormat(QStringLiteral("Undone\n%@"), actionName);
}

QString BXDocument::redoMessage(const QString& actionName)
{
    return platform::localizedFormat(QStringLiteral("Redone\n%@"), actionName);
}

void BXDocument::undoManagerWillUndo(const platform::Notification&)
{
    scheduleUndoMessage(undoMessage(undoManager()->undoActionName()));
}

void BXDocument::undoManagerWillRedo(const platform::Notification&)
{
    scheduleUndoMessage(redoMessage(undoManager()->redoActionName()));
}

void BXDocument::scheduleUndoMessage(const QString& message)
{
    platform::dispatchAfter(kUndoMessageDelay, this, [this, message] {
        emit undoMessageReady(message);
        if (QWidget* window = mainWindow(); window && undoMessenger())
            undoMessenger()(window, message);
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

WindowController* BXDocument::adopt(std::unique_ptr<WindowController> made)
{
    WindowController* controller = made.get();
    m_ownedControllers.push_back(std::move(made));
    addWindowController(controller);
    // Let go once its window has closed; later, as the controller is still at work then.
    connect(controller, &WindowController::windowWillClose, this, [this, controller] {
        if (WindowController* released = disown(controller))
            released->deleteLater();
    });
    // Deleted by someone else (a closing application): only forget it.
    connect(controller, &QObject::destroyed, this, [this, controller] { disown(controller); });
    return controller;
}

WindowController* BXDocument::disown(WindowController* controller)
{
    const auto owned = std::find_if(m_ownedControllers.begin(), m_ownedControllers.end(),
        [controller](const auto& entry) { return entry.get() == controller; });
    if (owned == m_ownedControllers.end())
        return nullptr;
    WindowController* released = owned->release();
    m_ownedControllers.erase(owned);
    return released;
}

void BXDocument::makeWindowControllers()
{
    if (!windowControllerFactory())
        return;
    std::unique_ptr<WindowController> made = windowControllerFactory()(*this);
    if (!made)
        return;
    WindowController* controller = adopt(std::move(made));
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

BXMainWindowProvider* BXDocument::mainWindowController() const
{
    if (windowControllers().isEmpty())
        return nullptr;
    return dynamic_cast<BXMainWindowProvider*>(windowControllers().first());
}

QWidget* BXDocument::mainWindow() const
{
    return mainWindowController() ? windowControllers().first()->window() : nullptr;
}

WindowController* BXDocument::keyWindowController() const
{
    WindowController* key = platform::WindowTracker::current().keyWindowController();
    return key && key->window() && windowControllers().contains(key) ? key : nullptr;
}

QWidget* BXDocument::keyWindow() const
{
    WindowController* key = keyWindowController();
    return key ? key->window() : nullptr;
}

BXNoteDataProvider* BXDocument::providerOf(WindowController* controller) const
{
    if (!controller || !windowControllers().contains(controller))
        return nullptr;
    return dynamic_cast<BXNoteDataProvider*>(controller);
}

WindowController* BXDocument::noteWindowControllerForNote(const BXNote::NotePtr& note) const
{
    const QList<WindowController*>& controllers = windowControllers();
    for (qsizetype i = 1; i < controllers.size(); ++i) {
        BXNoteDataProvider* provider = providerOf(controllers[i]);
        if (provider && note && provider->noteItem() == note)
            return controllers[i];
    }
    return nullptr;
}

bool BXDocument::hasWindowForNote(const BXNote::NotePtr& note) const
{
    return noteWindowControllerForNote(note) != nullptr;
}

QList<WindowController*> BXDocument::providersForNote(const BXNote::NotePtr& note) const
{
    QList<WindowController*> providers;
    for (WindowController* controller : windowControllers()) {
        BXNoteDataProvider* provider = providerOf(controller);
        if (provider && provider->noteItem() == note)
            providers.append(controller);
    }
    return providers;
}

WindowController* BXDocument::noteDataProviderMatchingProvider(WindowController* provider) const
{
    BXNoteDataProvider* data = providerOf(provider);
    if (!data)
        return nullptr;
    for (WindowController* other : providersForNote(data->noteItem())) {
        if (other != provider)
            return other;
    }
    return nullptr;
}

WindowController* BXDocument::openNoteWindow(const BXNote::NotePtr& note)
{
    if (WindowController* existing = noteWindowControllerForNote(note))
        return existing;
    if (!note || !noteWindowControllerFactory())
        return nullptr;
    std::unique_ptr<WindowController> made = noteWindowControllerFactory()(*this, note);
    return made ? adopt(std::move(made)) : nullptr;
}

void BXDocument::openNoteWindowsForNotes(
    const QList<ManagedObjectPtr>& notes, bool behindMainWindow)
{
    for (const ManagedObjectPtr& object : notes) {
        WindowController* controller = openNoteWindow(std::dynamic_pointer_cast<BXNote>(object));
        if (!controller)
            continue;
        controller->showWindow();
        if (behindMainWindow && mainWindowController())
            if (QObject* main = windowControllers().first()->windowObject())
                QMetaObject::invokeMethod(main, "raise");
    }
}

void BXDocument::closeAllNoteWindows()
{
    const QList<WindowController*> controllers = windowControllers();
    for (qsizetype i = controllers.size() - 1; i >= 1; --i)
        controllers[i]->close();
}

void BXDocument::saveWindowsPreferences()
{
    const QList<WindowController*>& controllers = windowControllers();
    if (controllers.isEmpty())
        return;
    const QList<WindowController*> order
        = platform::WindowTracker::current().orderedWindowControllers();
    QVariantList windows;
    for (qsizetype i = 1; i < controllers.size(); ++i) {
        WindowController* controller = controllers[i];
        BXNoteDataProvider* provider = providerOf(controller);
        const BXNote::NotePtr note = provider ? provider->noteItem() : nullptr;
        if (!note)
            continue;
        QVariantMap entry;
        entry.insert(NoteIDKey, note->objectID().URIRepresentation());
        entry.insert(WindowFrameKey, controller->windowFrameString());
        entry.insert(WindowOrderKey, qint64(order.indexOf(controller)));
        entry.insert(WindowMinimizedKey, controller->isWindowMinimized());
        entry.insert(ZoomFactorKey, provider->noteTextZoomFactor());
        windows.append(entry);
    }
    platform::Error error;
    const QByteArray data = platform::Archiver::archivedData(windows, &error);
    if (data.isEmpty())
        platform::log("failed to archive the note windows: %@", error);
    BXDocumentPreference::setPrefBlob(data, BXDocumentPreference::WindowType,
        BXDocumentPreference::SubWindowsName, prefsContext());
}

void BXDocument::loadWindowsPreferences()
{
    const QByteArray data = BXDocumentPreference::prefBlobForType(BXDocumentPreference::WindowType,
        BXDocumentPreference::SubWindowsName, QByteArray(), prefsContext());
    if (data.isEmpty())
        return;
    platform::Error error;
    const std::optional<QVariantList> windows
        = platform::Archiver::unarchived<QVariantList>(data, windowsRecordClasses(), &error);
    if (!windows) {
        platform::log("Error processing windows data. %@", error.toString());
        return;
    }
    QList<QVariantMap> records;
    for (const QVariant& window : *windows)
        records.append(window.toMap());
    std::stable_sort(
        records.begin(), records.end(), [](const QVariantMap& a, const QVariantMap& b) {
            return a.value(WindowOrderKey).toLongLong() < b.value(WindowOrderKey).toLongLong();
        });
    for (const QVariantMap& record : std::as_const(records)) {
        QString damage;
        if (!reopenNoteWindow(record, &damage)) {
            // The rest of a damaged record is not trusted either.
            platform::log("Error processing windows data. %@", damage);
            return;
        }
    }
}

bool BXDocument::reopenNoteWindow(const QVariantMap& record, QString* damage)
{
    const QUrl uri = record.value(NoteIDKey).toUrl();
    if (record.value(NoteIDKey).metaType() != QMetaType::fromType<QUrl>() || !uri.isValid()) {
        *damage = QStringLiteral("a window without a note");
        return false;
    }
    const platform::ManagedObjectID id
        = persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
    platform::Error error;
    const auto note = std::dynamic_pointer_cast<BXNote>(
        id.isNull() ? nullptr : managedObjectContext()->existingObjectWithID(id, &error));
    if (!note) {
        // Deleted since: its window is not missed.
        if (!error.isNull())
            platform::log("Could not retrieve a note by ID. %@", error.localizedDescription());
        return true;
    }
    WindowController* controller = openNoteWindow(note);
    if (!controller)
        return true;
    controller->setWindowFrameString(record.value(WindowFrameKey).toString());
    controller->showWindow();
    if (record.value(WindowMinimizedKey).toBool())
        controller->minimizeWindow();
    if (record.contains(ZoomFactorKey))
        if (BXNoteDataProvider* provider = providerOf(controller))
            provider->zoomToFactor(record.value(ZoomFactorKey).toDouble());
    return true;
}

void BXDocument::mainWindowControllerChanged(WindowController* controller)
{
    if (m_lastMainProvider && m_lastMainProvider != controller) {
        WindowController* resigned = m_lastMainProvider;
        m_lastMainProvider = nullptr;
        noteDataProviderDidResignMain(resigned);
    }
    if (providerOf(controller) && m_lastMainProvider != controller) {
        m_lastMainProvider = controller;
        noteDataProviderDidBecomeMain(controller);
    }
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

void BXDocument::updateSelectionForProvider(WindowController* controller)
{
    BXNoteDataProvider* provider = providerOf(controller);
    if (!provider)
        return;
    const QList<platform::ManagedObjectPtr> notes = provider->selectedNotes();
    const BXNote::NotePtr note
        = notes.size() == 1 ? std::dynamic_pointer_cast<BXNote>(notes.first()) : nullptr;
    updateObservedNote(note);
    if (WindowController* window = noteWindowControllerForNote(note))
        window->synchronizeWindowTitleWithDocumentName();
    if (noteInfoNeeded())
        updateInfoForNotes(notes);
}

void BXDocument::updateObservedNote(const BXNote::NotePtr& note)
{
    if (m_observedNote == note)
        return;
    disconnect(m_observedNoteConnection);
    m_observedNote = note;
    if (note) {
        m_observedNoteConnection = connect(
            note.get(), &platform::ManagedObject::valueChanged, this, [this](const QString& key) {
                if (key == BXNote::NoteTitleKey || key == BXNote::NoteStylesKey
                    || key == BXNote::CategoriesKey)
                    updateNoteInfo();
            });
    }
    emit observedNoteChanged();
}

namespace {

std::function<bool()>& infoPanelVisible()
{
    static std::function<bool()> hook;
    return hook;
}

std::function<void()>& infoPanelToggle()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void BXDocument::setInfoPanelHooks(std::function<bool()> isVisible, std::function<void()> toggle)
{
    infoPanelVisible() = std::move(isVisible);
    infoPanelToggle() = std::move(toggle);
}

bool BXDocument::noteInfoNeeded()
{
    return infoPanelVisible() && infoPanelVisible()();
}

void BXDocument::updateNoteInfo()
{
    WindowController* key = keyWindowController();
    if (!providerOf(key)) {
        // No window of this document is key: nothing is selected here.
        if (noteInfoNeeded())
            updateInfoForNotes({});
        return;
    }
    updateSelectionForProvider(key);
}

void BXDocument::updateInfoForNotes(const QList<platform::ManagedObjectPtr>& notes)
{
    BXNoteInfo info = BXNoteInfo::forNotes(notes);
    platform::dispatchAsyncMain([self = QPointer(this), info = std::move(info)] {
        if (!self)
            return;
        self->m_noteInfo = info;
        emit self->noteInfoChanged();
    });
}

void BXDocument::toggleInfoPanel()
{
    if (infoPanelToggle())
        infoPanelToggle()();
    if (noteInfoNeeded())
        updateNoteInfo();
}

QList<platform::ManagedObjectPtr> BXDocument::selectedCategories() const
{
    BXMainWindowProvider* main = mainWindowController();
    return main ? main->selectedCategories() : QList<platform::ManagedObjectPtr>();
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

bool BXDocument::showNotesInMainWindowList(const QList<platform::ManagedObjectPtr>& notes)
{
    BXMainWindowProvider* main = mainWindowController();
    return main && main->selectNotes(notes, true);
}

bool BXDocument::isSearchScopeBarVisible() const
{
    BXMainWindowProvider* main = mainWindowController();
    return main && !main->isSearchScopeBarHidden();
}

platform::StringAttributes BXDocument::defaultStringAttributes()
{
    if (const platform::DocumentController* controller = platform::DocumentController::shared())
        return controller->defaultStringAttributes();
    return stringAttributesFromDefaults(platform::UserDefaults::standard());
}

namespace {

// The stored value of `key` as `className`; an undecodable one is logged and replaced by the
// registered value.
template <typename T>
std::optional<T> storedOrRegistered(
    const platform::UserDefaults& defaults, const QString& key, const QString& className)
{
    const QByteArray stored = defaults.dataForKey(key);
    if (auto value = platform::Archiver::unarchived<T>(stored, { className }))
        return value;
    if (!stored.isEmpty())
        platform::log(QStringLiteral("%@ cannot be read; the registered value is used"), key);
    return platform::Archiver::unarchived<T>(
        BXDefaults::registrationDictionary().value(key).toByteArray(), { className });
}

} // namespace

platform::StringAttributes BXDocument::stringAttributesFromDefaults(
    const platform::UserDefaults& defaults)
{
    platform::TextArchiving::registerClasses();
    platform::StringAttributes attributes;
    setFont(attributes.characters,
        storedOrRegistered<QFont>(defaults, DefaultFont, QStringLiteral("NSFont"))
            .value_or(platform::AttributedText::systemFont()));
    // The named text colour follows the palette, so it is left to the palette.
    const std::optional<platform::Color> color = storedOrRegistered<platform::Color>(
        defaults, DefaultFontColor, QStringLiteral("NSColor"));
    if (color && color->name != QLatin1String("textColor"))
        attributes.characters.setForeground(color->rgba);
    std::optional<platform::ParagraphStyle> style
        = platform::Archiver::unarchived<platform::ParagraphStyle>(
            defaults.dataForKey(DefaultParagraphStyle), { QStringLiteral("NSParagraphStyle") });
    if (!style) {
        style = platform::AttributedText::defaultParagraphStyle();
        style->lineHeightMultiple = 1.3;
    }
    platform::AttributedText::setParagraphStyle(attributes.paragraph, *style);
    return attributes;
}

void BXDocument::setFont(QTextCharFormat& characters, const QFont& font)
{
    characters.setFontFamilies(QStringList { font.family() });
    characters.setFontPointSize(font.pointSizeF());
    characters.setFontWeight(font.bold() ? QFont::Bold : QFont::Normal);
    characters.setFontItalic(font.italic());
}

std::shared_ptr<platform::Predicate> BXDocument::tagsPredicate()
{
    return platform::Predicate::predicateWithFormat(QStringLiteral("isPlainCategory = TRUE"));
}

void BXDocument::saveDocument()
{
    // An edit in a table cell is part of what the user means to save.
    if (BXMainWindowProvider* main = mainWindowController())
        main->endEditing();
    BXWrappedPersistentDocument::saveDocument(nullptr);
}

namespace {

const QString ToggleLockAction = QStringLiteral("toggleLock:");
const QString SaveDocumentAction = QStringLiteral("saveDocument:");
const QString SelectTagAction = QStringLiteral("selectTag:");
const QString EditTagAction = QStringLiteral("editTag:");
const QString PrintDocumentAction = QStringLiteral("printDocument:");
const QString ToggleInfoPanelAction = QStringLiteral("toggleInfoPanel:");
const QString ImportNotesAction = QStringLiteral("importNotes:");
const QString ExportNotesAction = QStringLiteral("exportNotes:");

} // namespace

bool BXDocument::respondsTo(const QString& action) const
{
    return action == ToggleLockAction || action == SaveDocumentAction || action == SelectTagAction
        || action == EditTagAction || action == PrintDocumentAction
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
    return platform::localized(m_requirePassword ? QStringLiteral("Remove Password")
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
    } else if (command.action == ImportNotesAction) {
        if (const BXMainWindowProvider* main = mainWindowController())
            importNotes(main->selectedPlainCategories());
    } else if (command.action == ExportNotesAction) {
        if (const BXMainWindowProvider* main = mainWindowController())
            exportNotes(main->selectedNotes());
    } else if (command.action == SelectTagAction) {
        const auto category = command.representedObject.value<platform::ManagedObjectPtr>();
        if (BXMainWindowProvider* main = mainWindowController(); main && category)
            main->selectCategories({ category }, true);
    } else if (command.action == EditTagAction) {
        if (BXMainWindowProvider* main = mainWindowController())
            main->renameCategory(command);
    } else if (command.action == ToggleInfoPanelAction) {
        toggleInfoPanel();
    }
}

void BXDocument::setRequirePassword(bool flag, const std::optional<QString>& password)
{
    QString stored;
    if (flag && password) {
        stored = PasswordHash::hash(*password);
        if (stored.isEmpty()) {
            // An empty stored value would let an empty entry open the document.
            platform::log("The document password was not changed");
            return;
        }
    }
    storePasswordState(flag, stored);
}

void BXDocument::storePasswordState(bool flag, const QString& stored)
{
    const bool changed = m_requirePassword != flag;
    m_requirePassword = flag;
    m_password = stored;

    ManagedObjectContext* prefs = prefsContext();
    BXDocumentPreference::setPrefBoolean(
        flag, BXDocumentPreference::SecurityType, BXDocumentPreference::RequirePasswordName, prefs);
    BXDocumentPreference::setPrefString(
        stored, BXDocumentPreference::SecurityType, BXDocumentPreference::PasswordName, prefs);
    // A new document keeps the records until its first save creates the store.
    if (persistentStoreCoordinator()->hasStore()) {
        platform::Error error;
        if (!prefs->save(&error))
            platform::log("Could not save the document password: %@", error);
    }
    if (changed)
        emit requirePasswordChanged(flag);
}

void BXDocument::toggleLock()
{
    if (m_requirePassword) {
        setRequirePassword(false, std::nullopt);
        return;
    }
    if (!m_passwordController)
        m_passwordController = BXPasswordPrompt::make();
    if (!m_passwordController)
        return;
    // A sheet on the main window; application-modal while there is none.
    m_passwordController->setPasswordForWindow(
        mainWindowController() ? windowControllers().first()->windowObject() : nullptr, this);
}

void BXDocument::passwordSet(const std::optional<QString>& storedPassword)
{
    storePasswordState(storedPassword.has_value(), storedPassword.value_or(QString()));
    // Dropped on a later turn: this runs inside the controller's own sheet handler.
    if (m_passwordController)
        platform::dispatchAsyncMain(
            [prompt = std::shared_ptr<BXPasswordPrompt>(std::move(m_passwordController))] {});
}

QString BXDocument::preferredExportTypeForNote(const BXNote& note)
{
    // Readable stored styles are what make a note rich; without them it exports its plain text.
    return BXNoteExport::preferredTypeForText(note.textStyle().get());
}

QString BXDocument::exportTypeForNote(const BXNote& note, const QString& type)
{
    return type.isEmpty() || type == QStringLiteral("Auto") ? preferredExportTypeForNote(note)
                                                            : type;
}

QStringList BXDocument::exportFileNames(
    const QList<const BXNote*>& notes, const QString& type, const QString& folderPath)
{
    const QString fallback = platform::localized(QStringLiteral("Note"));
    QStringList names;
    for (const BXNote* note : notes) {
        const QString extension
            = TypeIdentifier::preferredExtension(exportTypeForNote(*note, type));
        names << BXFileNames::uniqueFileName(
            BXFileNames::safeFileName(note->noteTitle(), fallback, extension), folderPath,
            extension, names);
    }
    return names;
}

namespace {

BXDocument::SaveAccessoryMaker& installedAccessoryMaker()
{
    static BXDocument::SaveAccessoryMaker maker;
    return maker;
}

QList<BXNote*> notesOf(const QList<ManagedObjectPtr>& objects)
{
    QList<BXNote*> notes;
    for (const ManagedObjectPtr& object : objects) {
        if (auto* note = dynamic_cast<BXNote*>(object.get()))
            notes << note;
    }
    return notes;
}

} // namespace

void BXDocument::setSaveAccessoryMaker(SaveAccessoryMaker maker)
{
    installedAccessoryMaker() = std::move(maker);
}

QWidget* BXDocument::windowForSheet() const
{
    if (m_sheetForPrinting && keyWindow())
        return keyWindow();
    return Document::windowForSheet();
}

void BXDocument::showError(const platform::Error& error)
{
    platform::Alert alert;
    alert.messageText = error.localizedDescription();
    alert.informativeText = error.localizedFailureReason();
    if (QWidget* window = windowForSheet())
        platform::AlertPresenter::current().beginSheet(alert, window, {});
    else
        platform::AlertPresenter::current().runModal(alert);
}

void BXDocument::resetExportSettings()
{
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    m_formatForExport = defaults.stringForKey(ExportFileType);
    m_encodingForExport = defaults.unsignedIntegerForKey(ExportFileEncoding);
}

bool BXDocument::saveFirst(std::function<void()> retry, const ImportCompletion& completion)
{
    if (persistentStoreCoordinator()->hasStore())
        return false;
    // A new document has no store to import into until its first save makes one.
    ManagedObjectContext* context = managedObjectContext();
    context->processPendingChanges();
    undoManager()->disableUndoRegistration();
    updateChangeCount(ChangeType::Done);
    context->processPendingChanges();
    undoManager()->enableUndoRegistration();
    autosaveWithImplicitCancellability(true,
        [guard = QPointer<BXDocument>(this), retry = std::move(retry), completion](
            const platform::Error& error) {
            if (guard && !error && guard->persistentStoreCoordinator()->hasStore()) {
                retry();
                return;
            }
            if (guard)
                guard->showError(error ? error
                                       : platform::Error(platform::kCocoaErrorDomain,
                                           platform::FileWriteUnknownError,
                                           platform::localized(QStringLiteral(
                                               "The notes file could not be saved."))));
            if (completion)
                completion({});
        });
    return true;
}

void BXDocument::importNotesAtURLs(
    const QList<QUrl>& urls, const QList<ManagedObjectPtr>& categories, ImportCompletion completion)
{
    ManagedObjectContext* main = managedObjectContext();
    if (!main || isClosed()) {
        if (completion)
            completion({});
        return;
    }
    if (saveFirst([this, urls, categories,
                      completion] { importNotesAtURLs(urls, categories, completion); },
            completion))
        return;
    // The import works in a context of its own, which sees only saved categories.
    const bool unsavedCategories
        = std::any_of(categories.begin(), categories.end(), [](const ManagedObjectPtr& category) {
              return category && category->objectID().isTemporaryID();
          });
    platform::Error saveError;
    if (unsavedCategories && !main->save(&saveError)) {
        showError(saveError);
        if (completion)
            completion({});
        return;
    }
    QList<platform::ManagedObjectID> categoryIDs;
    for (const ManagedObjectPtr& category : categories) {
        if (category)
            categoryIDs << category->objectID();
    }
    main->processPendingChanges();

    BXNoteImport::Files files = BXNoteImport::flattenURLs(urls);
    auto job
        = std::make_shared<BXNoteImport>(persistentStoreCoordinator(), files.paths, categoryIDs);
    auto finish = [guard = QPointer<BXDocument>(this), skipped = files.skipped, completion](
                      const BXNoteImport::Outcome& outcome) {
        QList<ManagedObjectPtr> notes;
        if (guard && !guard->isClosed()) {
            for (const platform::ManagedObjectID& id : outcome.noteIDs) {
                if (ManagedObjectPtr note
                    = guard->managedObjectContext()->existingObjectWithID(id, nullptr))
                    notes << note;
            }
        }
        if (std::optional<platform::Alert> report = BXNoteImport::report(
                skipped + outcome.skipped, outcome.lostCount, outcome.lostReason)) {
            if (QWidget* window = guard ? guard->windowForSheet() : nullptr)
                platform::AlertPresenter::current().beginSheet(*report, window, {});
            else
                platform::AlertPresenter::current().runModal(*report);
        }
        if (completion)
            completion(notes);
    };
    platform::ProgressPanel::Ref panel
        = BXNoteImport::needsPanel(files.paths) ? platform::ProgressPanel::make() : nullptr;
    if (!panel) {
        finish(job->run(nullptr));
        return;
    }
    panel->runWithWindow(windowForSheet(),
        [job, finish](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            const BXNoteImport::Outcome outcome = job->run(running.get());
            running->endProgress();
            platform::dispatchAsyncMain([finish, outcome] { finish(outcome); });
        },
        {});
}

void BXDocument::addNotes(const QList<ManagedObjectPtr>& notes,
    const std::optional<QList<ManagedObjectPtr>>& categories, ImportCompletion completion)
{
    if (isClosed() || notes.isEmpty()) {
        if (completion)
            completion({});
        return;
    }
    if (saveFirst(
            [this, notes, categories, completion] { addNotes(notes, categories, completion); },
            completion))
        return;
    // A title still being typed in a list belongs to what is copied.
    if (!endMainWindowEditing()) {
        if (completion)
            completion({});
        return;
    }
    QPointer<BXDocument> guard(this);
    // Both run on the main thread, also when the loop runs under the panel.
    BXNoteCopier::Copy copy = [guard, categories](const ManagedObjectPtr& source) {
        auto* note = dynamic_cast<BXNote*>(source.get());
        if (!guard || guard->isClosed() || !note)
            return ManagedObjectPtr();
        ManagedObjectContext* main = guard->managedObjectContext();
        QList<ManagedObjectPtr> into;
        if (categories)
            into = *categories;
        else if (note->managedObjectContext() == main)
            into = note->categories();
        return ManagedObjectPtr(BXNote::noteWithNote(note, main, into));
    };
    BXNoteCopier::Save save = [guard](platform::Error* error) {
        return !guard || guard->isClosed() || guard->managedObjectContext()->save(error);
    };
    const QString message = platform::localized(QStringLiteral("Adding note:"));
    platform::ProgressPanel::Ref panel
        = notes.size() >= BXNoteCopier::PanelThreshold ? platform::ProgressPanel::make() : nullptr;
    if (!panel) {
        const QList<ManagedObjectPtr> copies
            = BXNoteCopier::copyNotes(notes, message, nullptr, copy, save);
        if (completion)
            completion(copies);
        return;
    }
    panel->runWithWindow(windowForSheet(),
        [notes, message, copy, save, completion](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            QList<ManagedObjectPtr> copies
                = BXNoteCopier::copyNotes(notes, message, running.get(), copy, save);
            running->endProgress();
            platform::dispatchAsyncMain([completion, copies] {
                if (completion)
                    completion(copies);
            });
        },
        {});
}

bool BXDocument::endMainWindowEditing()
{
    BXMainWindowProvider* main = mainWindowController();
    return !main || main->endEditing();
}

void BXDocument::deleteNotes(const QList<ManagedObjectPtr>& notes)
{
    ManagedObjectContext* main = managedObjectContext();
    for (BXNote* note : notesOf(notes)) {
        // Its window records its state into the note while the note is still there.
        if (WindowController* window = noteWindowControllerForNote(
                std::static_pointer_cast<BXNote>(note->shared_from_this())))
            window->close();
        note->setCategories({});
        main->deleteObject(note->shared_from_this());
    }
}

void BXDocument::importNotes(const QList<ManagedObjectPtr>& categories)
{
    platform::FilePanel panel;
    panel.mode = platform::FilePanel::Mode::Open;
    panel.allowsMultipleSelection = true;
    panel.canChooseFiles = true;
    panel.canChooseDirectories = true;
    panel.canCreateDirectories = false;
    panel.prompt = platform::localized(QStringLiteral("Import"));
    panel.message = platform::localized(QStringLiteral("Select files and folders to import."));
    platform::AlertPresenter::current().beginPanelSheet(panel, windowForSheet(),
        [guard = QPointer<BXDocument>(this), categories](
            const platform::FilePanelResponse& response) {
            if (guard && response.accepted && !response.urls.isEmpty())
                guard->importNotesAtURLs(response.urls, categories, {});
        });
}

std::optional<QString> BXDocument::exportNote(const BXNote& note, const QUrl& url,
    const QString& type, platform::Error* error, bool* lostCharacters)
{
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    QString target = path;
    QString name = info.fileName();
    // An RTFD target is a folder too, but one that is written, not written into.
    if (info.isDir() && info.suffix().compare(QLatin1String("rtfd"), Qt::CaseInsensitive) != 0) {
        name = exportFileNames({ &note }, type, path).value(0);
        target = QDir(path).filePath(name);
    }
    platform::Error writeError;
    if (!BXNoteExport::write(BXNoteExport::snapshotOf(note), type, m_encodingForExport, target,
            &writeError, lostCharacters)) {
        platform::log(
            QStringLiteral("Failed to export note:'%@' to URL: %@"), name, url.toString());
        platform::Error::set(error, writeError);
        return std::nullopt;
    }
    return name;
}

void BXDocument::exportNotes(
    const QList<ManagedObjectPtr>& objects, const QUrl& folder, QStringList* exportedFilesNames)
{
    // The copies below must hold the edit in progress; a refused edit stops the export.
    if (!endMainWindowEditing()) {
        resetExportSettings();
        return;
    }
    const QList<BXNote*> notes = notesOf(objects);
    const QString folderPath = folder.toLocalFile();
    const QString format = m_formatForExport;
    const platform::TextEncoding::Value encoding = m_encodingForExport;
    const QStringList names
        = exportFileNames(QList<const BXNote*>(notes.begin(), notes.end()), format, folderPath);
    // Copies taken here: the writing may run on a worker, which never reads a note.
    QList<BXNoteExport::Snapshot> snapshots;
    for (const BXNote* note : notes)
        snapshots << BXNoteExport::snapshotOf(*note);
    resetExportSettings();

    auto writeAll = [snapshots, names, format, encoding, folderPath](
                        platform::ProgressPanel* panel, QStringList* written) {
        // Each file is still replaced in one step; the disk is flushed once for them all.
        const platform::SafeWrite::BatchScope batch;
        BXNoteExport::Report report;
        qsizetype exported = 0;
        for (qsizetype i = 0; i < snapshots.size(); ++i) {
            platform::Error error;
            bool lostCharacters = false;
            if (!BXNoteExport::write(snapshots.at(i), format, encoding,
                    QDir(folderPath).filePath(names.at(i)), &error, &lostCharacters)) {
                platform::log(QStringLiteral("Failed to export note:'%@' to URL: %@"), names.at(i),
                    QUrl::fromLocalFile(folderPath).toString());
                report.failures.append({ snapshots.at(i).title,
                    error.localizedFailureReason().isEmpty() ? error.localizedDescription()
                                                             : error.localizedFailureReason() });
                continue;
            }
            if (lostCharacters)
                report.lostCharacters.append(snapshots.at(i).title);
            ++exported;
            if (written)
                written->append(names.at(i));
            if (panel) {
                panel->postProgress(
                    platform::ProgressPanel::percentOf(exported, snapshots.size()), names.at(i));
                if (panel->stopped())
                    break;
            }
        }
        return report;
    };
    platform::ProgressPanel::Ref panel
        = notes.size() >= BXNoteCopier::PanelThreshold ? platform::ProgressPanel::make() : nullptr;
    if (!panel) {
        BXNoteExport::report(writeAll(nullptr, exportedFilesNames));
        return;
    }
    panel->runWithWindow(windowForSheet(),
        [writeAll](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            running->postWindowTitle(platform::localized(QStringLiteral("Export")));
            running->postMessage(platform::localized(QStringLiteral("Exporting to file:")));
            const BXNoteExport::Report report = writeAll(running.get(), nullptr);
            running->endProgress();
            platform::dispatchAsyncMain([report] { BXNoteExport::report(report); });
        },
        {});
}

QString BXDocument::exportFolder()
{
    const QString last = platform::UserDefaults::standard().stringForKey(LastExportFolder);
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

void BXDocument::rememberExportFolder(const QString& folder)
{
    platform::UserDefaults::standard().setString(LastExportFolder, folder);
}

void BXDocument::exportNotes(const QList<ManagedObjectPtr>& objects)
{
    resetExportSettings();
    const QList<BXNote*> notes = notesOf(objects);
    if (notes.isEmpty())
        return;
    auto panel = std::make_shared<platform::FilePanel>();
    QPointer<BXDocument> guard(this);
    auto formatChanged = [guard](const QString& format) {
        if (guard)
            guard->m_formatForExport = format;
    };
    auto encodingChanged = [guard](quint32 encoding) {
        if (guard)
            guard->m_encodingForExport = encoding;
    };
    std::shared_ptr<QWidget> accessory;
    if (notes.size() == 1) {
        BXNote* note = notes.first();
        const QString autoType = preferredExportTypeForNote(*note);
        const QString format = m_formatForExport;
        panel->mode = platform::FilePanel::Mode::Save;
        panel->title = platform::localized(QStringLiteral("Export Note"));
        QString extension;
        if (TypeIdentifier::conformsTo(format, TypeIdentifier::PlainText)) {
            const bool addExtension
                = platform::UserDefaults::standard().boolForKey(ExportAddExtension);
            panel->allowsOtherFileTypes = addExtension;
            if (addExtension)
                extension = TypeIdentifier::preferredExtension(TypeIdentifier::PlainText);
        } else {
            extension = TypeIdentifier::preferredExtension(
                format == QLatin1String("Auto") ? autoType : format);
        }
        if (!extension.isEmpty())
            panel->allowedFileTypes = { extension };
        panel->nameFieldStringValue = BXFileNames::safeFileName(
            note->noteTitle(), platform::localized(QStringLiteral("Note")), extension);
        panel->directory = exportFolder();
        if (installedAccessoryMaker())
            accessory = installedAccessoryMaker()(
                format, autoType, formatChanged, encodingChanged, *panel);
        panel->accessoryView = accessory.get();
        const ManagedObjectPtr kept = note->shared_from_this();
        platform::AlertPresenter::current().beginPanelSheet(*panel, windowForSheet(),
            [guard, panel, accessory, kept](const platform::FilePanelResponse& response) {
                if (!guard)
                    return;
                const auto* chosen = static_cast<const BXNote*>(kept.get());
                if (response.accepted && !response.urls.isEmpty()
                    && guard->endMainWindowEditing()) {
                    rememberExportFolder(QFileInfo(response.urls.first().toLocalFile()).path());
                    platform::Error error;
                    bool lostCharacters = false;
                    BXNoteExport::Report report;
                    if (!guard->exportNote(*chosen, response.urls.first(), guard->m_formatForExport,
                            &error, &lostCharacters))
                        report.failures.append({ chosen->noteTitle(),
                            error.localizedFailureReason().isEmpty()
                                ? error.localizedDescription()
                                : error.localizedFailureReason() });
                    else if (lostCharacters)
                        report.lostCharacters.append(chosen->noteTitle());
                    BXNoteExport::report(report);
                }
                guard->resetExportSettings();
            });
        return;
    }
    panel->mode = platform::FilePanel::Mode::Open;
    panel->canChooseFiles = false;
    panel->canChooseDirectories = true;
    panel->canCreateDirectories = true;
    panel->prompt = platform::localized(QStringLiteral("Export"));
    panel->message = platform::localized(
        QStringLiteral("Choose a folder destination for the exported pages."));
    panel->directory = exportFolder();
    if (installedAccessoryMaker())
        accessory = installedAccessoryMaker()(
            m_formatForExport, QString(), formatChanged, encodingChanged, *panel);
    panel->accessoryView = accessory.get();
    platform::AlertPresenter::current().beginPanelSheet(*panel, windowForSheet(),
        [guard, panel, accessory, objects](const platform::FilePanelResponse& response) {
            if (!guard)
                return;
            if (response.accepted && !response.urls.isEmpty()) {
                rememberExportFolder(response.urls.first().toLocalFile());
                guard->exportNotes(objects, response.urls.first(), nullptr);
            } else
                guard->resetExportSettings();
        });
}

namespace {

BXDocument::PrintAccessoryMaker& printAccessoryMaker()
{
    static BXDocument::PrintAccessoryMaker maker;
    return maker;
}

} // namespace

void BXDocument::setPrintAccessoryMaker(PrintAccessoryMaker maker)
{
    printAccessoryMaker() = std::move(maker);
}

std::shared_ptr<platform::PrintInfo> BXDocument::printInfo()
{
    // Once per document, so that each document keeps what its user chose since.
    if (!m_printInfo) {
        m_printInfo = std::make_shared<platform::PrintInfo>();
        m_printInfo->setHorizontalPagination(platform::PrintInfo::Pagination::Fit);
        m_printInfo->setHorizontallyCentered(false);
        m_printInfo->setVerticallyCentered(false);
    }
    return m_printInfo;
}

std::optional<platform::PrintOperation> BXDocument::printOperationWithSettings(
    const QVariantMap& settings, platform::Error* error)
{
    const auto info = printInfo();
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    const double leftRight = defaults.doubleForKey(LeftRightPrintMargins);
    const double topBottom = defaults.doubleForKey(TopBottomPrintMargins);
    info->setLeftMargin(leftRight);
    info->setRightMargin(leftRight);
    info->setTopMargin(topBottom);
    info->setBottomMargin(topBottom);
    const bool numbered = defaults.boolForKey(NumberPagesWhenPrinting);
    if (numbered || !settings.isEmpty())
        info->addEntries(settings);
    if (numbered)
        info->setHeaderAndFooter(true);

    platform::PrintOperation operation;
    operation.printInfo = info;
    operation.printView = printableViewForPrintInfo(info);
    if (!operation.printView) {
        platform::Error::set(error,
            platform::Error(platform::BXDocumentErrorDomain, 1,
                platform::localized(QStringLiteral("No printable content available"))));
        return std::nullopt;
    }
    if (const PrintAccessoryMaker& maker = printAccessoryMaker()) {
        QPointer<QObject> view = operation.printView.get();
        operation.makeAccessory
            = [maker, view, info]() -> QWidget* { return view ? maker(view, info) : nullptr; };
    }
    return operation;
}

std::shared_ptr<QObject> BXDocument::printableViewForPrintInfo(
    const std::shared_ptr<platform::PrintInfo>& info) const
{
    // The key window's, else the main window's, which comes first.
    platform::WindowController* controller = keyWindowController();
    if (!controller)
        controller = windowControllers().value(0);
    auto* provider = dynamic_cast<BXPrintViewProvider*>(controller);
    return provider ? provider->printView(info) : nullptr;
}

void BXDocument::printDocument()
{
    platform::Error error;
    const auto operation = printOperationWithSettings({}, &error);
    if (!operation) {
        showError(error);
        return;
    }
    m_sheetForPrinting = true;
    QWidget* window = windowForSheet();
    QPointer<BXDocument> self(this);
    platform::PrintPresenter::current().runPrintOperation(
        *operation, window, [self](bool, const platform::Error& failure) {
            if (!self)
                return;
            if (failure)
                self->showError(failure);
            self->m_sheetForPrinting = false;
        });
}
