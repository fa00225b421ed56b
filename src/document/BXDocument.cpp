#include "BXDocument.h"

#include "BXCategory.h"
#include "BXDefaults.h"
#include "BXDocumentPreference.h"
#include "BXFileNames.h"
#include "BXNote.h"
#include "BXNoteCopier.h"
#include "BXNoteExport.h"
#include "BXNoteImport.h"
#include "BXPasswordPrompt.h"
#include "PasswordHash.h"
#include "ValueTransformerRegistration.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/ProgressPanel.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextDocument>

using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;
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
    for (platform::WindowController* controller : windowControllers()) {
        if (QWidget* window = controller->window())
            return window;
    }
    return nullptr;
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
    platform::ProgressPanel::Ref panel = files.paths.size() >= BXNoteImport::PanelThreshold
        ? platform::ProgressPanel::make()
        : nullptr;
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

void BXDocument::deleteNotes(const QList<ManagedObjectPtr>& notes)
{
    ManagedObjectContext* main = managedObjectContext();
    for (BXNote* note : notesOf(notes)) {
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

std::optional<QString> BXDocument::exportNote(
    const BXNote& note, const QUrl& url, const QString& type, platform::Error* error)
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
    if (!BXNoteExport::write(
            BXNoteExport::snapshotOf(note), type, m_encodingForExport, target, &writeError)) {
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
        QList<BXNoteExport::Failure> failures;
        qsizetype exported = 0;
        for (qsizetype i = 0; i < snapshots.size(); ++i) {
            platform::Error error;
            if (!BXNoteExport::write(snapshots.at(i), format, encoding,
                    QDir(folderPath).filePath(names.at(i)), &error)) {
                platform::log(QStringLiteral("Failed to export note:'%@' to URL: %@"), names.at(i),
                    QUrl::fromLocalFile(folderPath).toString());
                failures.append({ snapshots.at(i).title,
                    error.localizedFailureReason().isEmpty() ? error.localizedDescription()
                                                             : error.localizedFailureReason() });
                continue;
            }
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
        return failures;
    };
    platform::ProgressPanel::Ref panel
        = notes.size() >= BXNoteCopier::PanelThreshold ? platform::ProgressPanel::make() : nullptr;
    if (!panel) {
        BXNoteExport::reportFailures(writeAll(nullptr, exportedFilesNames));
        return;
    }
    panel->runWithWindow(windowForSheet(),
        [writeAll](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            running->postWindowTitle(platform::localized(QStringLiteral("Export")));
            running->postMessage(platform::localized(QStringLiteral("Exporting to file:")));
            const QList<BXNoteExport::Failure> failures = writeAll(running.get(), nullptr);
            running->endProgress();
            platform::dispatchAsyncMain([failures] { BXNoteExport::reportFailures(failures); });
        },
        {});
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
                if (response.accepted && !response.urls.isEmpty()) {
                    platform::Error error;
                    if (!guard->exportNote(
                            *chosen, response.urls.first(), guard->m_formatForExport, &error))
                        BXNoteExport::reportFailures({ { chosen->noteTitle(),
                            error.localizedFailureReason().isEmpty()
                                ? error.localizedDescription()
                                : error.localizedFailureReason() } });
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
    if (installedAccessoryMaker())
        accessory = installedAccessoryMaker()(
            m_formatForExport, QString(), formatChanged, encodingChanged, *panel);
    panel->accessoryView = accessory.get();
    platform::AlertPresenter::current().beginPanelSheet(*panel, windowForSheet(),
        [guard, panel, accessory, objects](const platform::FilePanelResponse& response) {
            if (!guard)
                return;
            if (response.accepted && !response.urls.isEmpty())
                guard->exportNotes(objects, response.urls.first(), nullptr);
            else
                guard->resetExportSettings();
        });
}
