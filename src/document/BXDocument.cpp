#include "BXDocument.h"

#include "BXCategory.h"
#include "BXDefaults.h"
#include "BXDocumentPreference.h"
#include "BXFileNames.h"
#include "BXNote.h"
#include "BXPasswordPrompt.h"
#include "PasswordHash.h"
#include "ValueTransformerRegistration.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"

#include <QCoreApplication>
#include <QTextDocument>

using platform::ManagedObjectContext;
using platform::NotificationCenter;
using platform::TypeIdentifier;
using platform::UndoManager;

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
}

BXDocument::~BXDocument()
{
    NotificationCenter::defaultCenter().removeObserver(this);
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
    // Shown over the main window once that window exists; until then only announced.
    platform::dispatchAfter(
        kUndoMessageDelay, this, [this, message] { emit undoMessageReady(message); });
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
}

void BXDocument::cleanup()
{
    if (m_clean)
        return;
    // The main window's and the note windows' state is written here once they exist.
    m_clean = true;
}

void BXDocument::close()
{
    cleanup();
    BXWrappedPersistentDocument::close();
}

void BXDocument::canCloseDocument(std::function<void(bool shouldClose)> decision)
{
    cleanup();
    BXWrappedPersistentDocument::canCloseDocument(std::move(decision));
    platform::dispatchAfter(kCleanupRearmDelay, this, [this] { m_clean = false; });
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
    // The sheet goes on the main window once there is one; until then it is application-modal.
    m_passwordController->setPasswordForWindow(nullptr, this);
}

void BXDocument::passwordSet(const std::optional<QString>& password)
{
    setRequirePassword(password.has_value(), password);
    // Dropped on a later turn: this runs inside the controller's own sheet handler.
    if (m_passwordController)
        platform::dispatchAsyncMain(
            [prompt = std::shared_ptr<BXPasswordPrompt>(std::move(m_passwordController))] {});
}

QString BXDocument::preferredExportTypeForNote(const BXNote& note)
{
    // Readable stored styles are what make a note rich; without them it exports its plain text.
    const std::unique_ptr<QTextDocument> styled = note.textStyle();
    if (!styled)
        return TypeIdentifier::PlainText;
    return platform::AttributedText::containsAttachments(*styled) ? TypeIdentifier::Rtfd
                                                                  : TypeIdentifier::Rtf;
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
