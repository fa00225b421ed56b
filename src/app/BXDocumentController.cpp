#include "app/BXDocumentController.h"

#include "app/BXAboutWindowPresenter.h"
#include "app/BXAppAuthenticationService.h"
#include "app/BXInfoPanelController.h"
#include "app/BXMainMenu.h"
#include "app/BXPreferencesWindowController.h"
#include "app/BXRecentDocumentsWindowController.h"
#include "app/BXVersionCheck.h"
#include "app/BXVersionCheckSchedule.h"
#include "app/BXWelcomeWindowController.h"
#include "app/BXWindowPlacement.h"
#include "document/BXDefaultTextAttributes.h"
#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/BXMainWindowProvider.h"
#include "document/BXWrappedPersistentDocument.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "platform/appkit/Authenticator.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/UrlOpener.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MemoryPressureSource.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/Color.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextArchiving.h"
#include "ui/BXMessageWindowController.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QMainWindow>
#include <QMenuBar>
#include <QWidget>

using platform::Document;

namespace {

// Documents that were untitled when a termination signal came, autosaved elsewhere.
const QString kAutosavedUntitledDocumentsKey = QStringLiteral("AutosavedUntitledDocuments");
// Files whose edits went to a copy at the last quit: maps of "file" and "copy" paths, and the
// "reason" when the file could not take them (none: the file is locked). The name is kept for
// the settings of earlier versions.
const QString kLockedDocumentCopiesKey = QStringLiteral("LockedDocumentCopies");

const QStringList kWebPages { QStringLiteral("help/"), QString(), QStringLiteral("store/"),
    QStringLiteral("downloads/") };
constexpr int kDownloadsPageTag = 3;
// A name from the command line or another launch is shown at most this long.
constexpr qsizetype kLongestNameShown = 120;

} // namespace

const QString BXDocumentController::kWebSiteBase = QStringLiteral("https://brindlex.app/");

BXDocumentController::BXDocumentController(platform::UserDefaults& defaults,
    platform::MemoryPressureSource& memoryPressure, QObject* parent)
    : DocumentController(defaults, parent),
      m_memoryPressure(memoryPressure),
      m_historyMenu(new BXHistoryMenu(this))
{
    setDefaultStringAttributes(BXDocument::stringAttributesFromDefaults(defaults));
    platform::CommandRouter::shared().setApplicationResponder(this);
    // Every window as it opens: see eventFilter().
    qApp->installEventFilter(this);
    m_windowPlacement = std::make_unique<BXWindowPlacement>();
}

BXDocumentController::~BXDocumentController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (platform::CommandRouter::shared().applicationResponder() == this)
        platform::CommandRouter::shared().setApplicationResponder(nullptr);
}

BXDocumentController* BXDocumentController::shared()
{
    return qobject_cast<BXDocumentController*>(DocumentController::shared());
}

bool BXDocumentController::isInstalledLocation(const QString& executablePath, const QString& home)
{
    const QString path = QDir::cleanPath(executablePath);
    const QString homeFolder = QDir::cleanPath(home);
    for (const QString& place :
        { QStringLiteral("/usr/"), QStringLiteral("/opt/"), homeFolder + QStringLiteral("/.local/"),
            homeFolder + QStringLiteral("/Applications/") }) {
        if (path.startsWith(place))
            return true;
    }
    // Any other prefix chosen at install time (make install PREFIX=...) is an installed place
    // too: the install put the desktop entry beside the program, which a build folder lacks.
    const QDir programFolder = QFileInfo(path).dir();
    return programFolder.dirName() == QLatin1String("bin")
        && QFileInfo::exists(programFolder.filePath(QStringLiteral("../share/applications/")
            + QLatin1String(kDesktopFileName) + QStringLiteral(".desktop")));
}

bool BXDocumentController::applicationWillFinishLaunching(const QString& executablePath)
{
    // Every window, from the first alert on, shows the application's own picture.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/brindlex.png")));
    if (qgetenv(kSkipLocationCheckVariable) != "1"
        && !isInstalledLocation(executablePath, QDir::homePath())) {
        platform::Alert alert;
        alert.style = platform::AlertStyle::Critical;
        alert.messageText
            = platform::localized(QStringLiteral("alertMustBeInApplicationsFolderTitle"));
        alert.informativeText
            = platform::localized(QStringLiteral("alertMustBeInApplicationsFolderMessage"));
        alert.buttonTitles = { platform::localized(QStringLiteral("buttonQuit")) };
        platform::AlertPresenter::current().runModal(alert);
        return false;
    }

    m_versionCheckSchedule = std::make_unique<BXVersionCheckSchedule>(
        BXVersionCheck::sharedInstance(), defaults(), [this] { openURL(kDownloadsPageTag); });
    m_versionCheckSchedule->start();
    // The documents ask the panel whether it shows before they describe their selection.
    BXInfoPanelController::sharedInfoPanelController();

    setDefaultStringAttributes(BXDocument::stringAttributesFromDefaults(defaults()));
    platform::NotificationCenter::defaultCenter().addObserver(this, DefaultFontChanged, nullptr,
        [this](const platform::Notification& note) { handleDefaultFontChange(note.userInfo); });
    platform::NotificationCenter::defaultCenter().addObserver(this,
        BXDocument::ActivateNotification, nullptr,
        [this](const platform::Notification& note) { documentActivateNotification(note.object); });
    connect(
        qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                m_active = true;
            else
                applicationWillResignActive();
        });
    connect(&m_memoryPressure, &platform::MemoryPressureSource::memoryPressure, this,
        &BXDocumentController::releaseMemoryForAllDocuments);
    m_memoryPressure.start();
    if (BXAppAuthenticationService::isProtectionEnabled(defaults()))
        return requireAuthenticationToUnlockApp();
    showFirstWindows();
    return true;
}

void BXDocumentController::showFirstWindows()
{
    reportLockedDocumentCopies();
    reopenAutosavedUntitledDocuments();
    // Files named at launch open in its place; it shows only when none of them opens.
    if (documents().isEmpty() && m_pendingOpens.empty())
        showWelcome();
}

bool BXDocumentController::requireAuthenticationToUnlockApp()
{
    // Nothing shows until the proof: no start window, no reopened or requested document.
    QString cause;
    if (!platform::Authenticator::current().canEvaluate(&cause)) {
        platform::Alert alert;
        alert.style = platform::AlertStyle::Critical;
        alert.messageText = platform::localized(QStringLiteral("alertLockUnavailableTitle"));
        alert.informativeText
            = platform::localizedFormat(QStringLiteral("alertLockUnavailableMessage"), cause);
        alert.buttonTitles = { platform::localized(QStringLiteral("buttonQuit")) };
        platform::AlertPresenter::current().runModal(alert);
        return false;
    }
    m_locked = true;
    BXAppAuthenticationService::authenticateWithMode(
        BXAuthenticationMode::unlockApp, [this](bool success) {
            if (!success) {
                emit quitRequested();
                return;
            }
            m_locked = false;
            showFirstWindows();
            if (m_didFinishLaunching)
                applicationDidFinishLaunching();
        });
    return true;
}

void BXDocumentController::applicationDidFinishLaunching()
{
    m_didFinishLaunching = true;
    if (m_locked)
        return;
    m_launched = true;
    const std::vector<std::function<void()>> opens = std::exchange(m_pendingOpens, {});
    for (const auto& open : opens)
        open();
    // A file that did not open (a cancelled password, a declined import) leaves the user the
    // window a launch without files shows.
    if (!opens.empty() && documents().isEmpty() && !hasVisibleWindows())
        showWelcome();
}

void BXDocumentController::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (m_locked)
        return;
    if (!hasVisibleWindows) {
        showWelcome();
        return;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window == QApplication::activeWindow())
            return;
    }
    if (QWidget* front = platform::CommandRouter::shared().mainWindow()) {
        front->raise();
        front->activateWindow();
    }
}

bool BXDocumentController::hasVisibleWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(),
        [](QWidget* window) { return window->isVisible() && window->isWindow(); });
}

void BXDocumentController::applicationWillResignActive()
{
    // Once per time the application goes inactive, not for every state it passes through.
    if (!std::exchange(m_active, false))
        return;
    releaseMemoryForAllDocuments();
}

void BXDocumentController::openFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    if (!m_launched) {
        m_pendingOpens.push_back([this, paths] { openFiles(paths); });
        return;
    }
    // The text files of one request are asked about once, together.
    QList<QUrl> imports;
    for (const QString& path : paths) {
        if (!QFileInfo::exists(path)) {
            platform::Alert alert;
            alert.messageText
                = platform::localizedFormat(QStringLiteral("The file “%@” doesn’t exist."),
                    platform::elidedMiddle(QFileInfo(path).fileName(), kLongestNameShown));
            platform::AlertPresenter::current().runModal(alert);
            continue;
        }
        const QUrl url = QUrl::fromLocalFile(path);
        if (isImportable(url))
            imports << url;
        else
            openDocumentWithContentsOfURL(url, true, {});
    }
    if (!imports.isEmpty())
        askToImportMarkdownFiles(imports, {});
}

void BXDocumentController::openHandedFiles(const QStringList& paths, int leftOut)
{
    if (leftOut > 0) {
        const QLocale locale;
        platform::Alert alert;
        alert.messageText
            = platform::localizedFormat(QStringLiteral("%@ of the %@ files were not opened."),
                locale.toString(leftOut), locale.toString(paths.size() + leftOut));
        alert.informativeText = platform::localizedFormat(
            QStringLiteral("Only %@ files can be opened at once. Open the others in smaller "
                           "groups."),
            locale.toString(paths.size()));
        platform::AlertPresenter::current().runModal(alert);
    }
    openFiles(paths);
}

bool BXDocumentController::isImportable(const QUrl& url)
{
    static const QStringList importable { QStringLiteral("md"), QStringLiteral("markdown"),
        QStringLiteral("txt") };
    return importable.contains(QFileInfo(url.toLocalFile()).suffix().toLower());
}

void BXDocumentController::openDocumentWithContentsOfURL(
    const QUrl& url, bool display, OpenCompletion completion)
{
    if (isImportable(url)) {
        askToImportMarkdownFiles({ url }, std::move(completion));
        return;
    }
    DocumentController::openDocumentWithContentsOfURL(url, display, std::move(completion));
}

void BXDocumentController::askToImportMarkdownFiles(
    const QList<QUrl>& urls, OpenCompletion completion)
{
    platform::Alert alert;
    alert.style = platform::AlertStyle::Informational;
    alert.messageText = platform::localized(QStringLiteral("alertImportFileTitle"));
    alert.informativeText = platform::localized(QStringLiteral("alertImportFileMessage"));
    alert.buttonTitles = { platform::localized(QStringLiteral("alertImportFileOK")),
        platform::localized(QStringLiteral("alertImportFileCancel")) };
    alert.cancelButton = 1;
    if (urls.size() > 1) {
        QStringList names;
        for (const QUrl& url : urls)
            names << platform::elidedMiddle(url.fileName(), kLongestNameShown);
        alert.detailedText = names.join(QLatin1Char('\n'));
    }
    if (platform::AlertPresenter::current().runModal(alert).button != 0) {
        if (completion)
            completion(nullptr, false, {});
        return;
    }
    // Into the document in front, else the most recent one, else a new one.
    if (Document* current = currentDocument()) {
        importMarkdownFiles(urls, current, std::move(completion));
        return;
    }
    const QList<QUrl> recent = recentDocumentURLs();
    if (!recent.isEmpty()) {
        openDocumentWithContentsOfURL(recent.first(), true,
            [this, urls, completion](Document* document, bool, const platform::Error& error) {
                if (document)
                    importMarkdownFiles(urls, document, completion);
                else if (completion)
                    completion(nullptr, false, error);
            });
        return;
    }
    platform::Error error;
    Document* untitled = openUntitledDocumentAndDisplay(true, &error);
    if (!untitled) {
        if (completion)
            completion(nullptr, false, error);
        return;
    }
    importMarkdownFiles(urls, untitled, std::move(completion));
}

void BXDocumentController::importMarkdownFiles(
    const QList<QUrl>& urls, Document* document, OpenCompletion completion)
{
    auto* notes = qobject_cast<BXDocument*>(document);
    if (!notes) {
        if (completion)
            completion(nullptr, false,
                platform::Error(platform::kCocoaErrorDomain, platform::FileReadUnknownError));
        return;
    }
    const QPointer<BXDocument> guard(notes);
    notes->importNotesAtURLs(urls, {}, [guard, completion](QList<platform::ManagedObjectPtr> made) {
        if (guard && !made.isEmpty()) {
            platform::dispatchAfter(kSelectImportedNotesDelay, guard, [guard, made] {
                if (BXMainWindowProvider* window = guard->mainWindowController())
                    window->selectNotes(made, true);
            });
        }
        if (completion)
            completion(guard, true, {});
    });
}

void BXDocumentController::addDocument(Document* document)
{
    // Only once a document is there: a failed open leaves the start window to the user, and
    // the window may be the one whose double-click asked for the document (it goes later).
    closeStartWindows();
    DocumentController::addDocument(document);
}

void BXDocumentController::removeDocument(Document* document)
{
    DocumentController::removeDocument(document);
    quitWhenIdle();
}

void BXDocumentController::handleDefaultFontChange(const QVariantMap& userInfo)
{
    setDefaultStringAttributes(
        BXDefaultTextAttributes::changed(defaultStringAttributes(), userInfo));
}

void BXDocumentController::documentActivateNotification(const void* document)
{
    for (Document* open : documents()) {
        if (open == document && !open->windowControllers().isEmpty())
            m_historyMenu->controllerActivated(open->windowControllers().first());
    }
}

void BXDocumentController::releaseMemoryForAllDocuments()
{
    for (Document* document : documents()) {
        if (!qobject_cast<BXDocument*>(document) || document->windowControllers().isEmpty())
            continue;
        // Only main window controllers that can free their notes are asked.
        QObject* controller = document->windowControllers().first();
        if (controller->metaObject()->indexOfMethod("releaseMemoryForInactiveNotes()") >= 0)
            QMetaObject::invokeMethod(controller, "releaseMemoryForInactiveNotes");
    }
}

void BXDocumentController::showWelcome()
{
    const QList<QUrl> recent = recentDocumentURLs();
    const bool anyRecentFile = std::any_of(recent.cbegin(), recent.cend(),
        [](const QUrl& url) { return QFileInfo::exists(url.toLocalFile()); });
    if (defaults().boolForKey(ShowWelcome) && !anyRecentFile) {
        if (!m_welcomeWindowController)
            m_welcomeWindowController = std::make_unique<BXWelcomeWindowController>(*this);
        m_welcomeWindowController->showWindow();
        return;
    }
    if (!m_recentDocumentsWindowController)
        m_recentDocumentsWindowController
            = std::make_unique<BXRecentDocumentsWindowController>(*this);
    m_recentDocumentsWindowController->showWindow();
}

BXRecentDocumentsWindowController* BXDocumentController::recentDocumentsWindowController() const
{
    return m_recentDocumentsWindowController.get();
}

BXWelcomeWindowController* BXDocumentController::welcomeWindowController() const
{
    return m_welcomeWindowController.get();
}

void BXDocumentController::controllerWillCloseWindow(QObject* controller)
{
    // The window is still closing: the controller goes once its close has run.
    if (controller == m_welcomeWindowController.get())
        m_welcomeWindowController.release()->deleteLater();
    else if (controller == m_recentDocumentsWindowController.get())
        m_recentDocumentsWindowController.release()->deleteLater();
    else if (controller == m_acknowledgmentsController.get())
        m_acknowledgmentsController.release()->deleteLater();
    else if (controller == m_preferencesWindowController.get())
        m_preferencesWindowController.release()->deleteLater();
    quitWhenIdle();
}

void BXDocumentController::closeStartWindows()
{
    if (auto welcome = std::exchange(m_welcomeWindowController, nullptr))
        welcome.release()->deleteLater();
    if (auto recents = std::exchange(m_recentDocumentsWindowController, nullptr))
        recents.release()->deleteLater();
}

void BXDocumentController::openURL(int tag)
{
    if (tag < 0 || tag >= kWebPages.size())
        return;
    platform::UrlOpener::current().openUrl(QUrl(kWebSiteBase + kWebPages[tag]));
}

BXPreferencesWindowController* BXDocumentController::showPreferencesPanel()
{
    if (!m_preferencesWindowController) {
        m_preferencesWindowController
            = std::make_unique<BXPreferencesWindowController>(defaults(), [this] {
                  if (m_versionCheckSchedule)
                      m_versionCheckSchedule->checkVersion(true);
              });
        connect(m_preferencesWindowController.get(),
            &BXPreferencesWindowController::controllerWillCloseWindow, this,
            [this](BXPreferencesWindowController* closing) { controllerWillCloseWindow(closing); });
    }
    m_preferencesWindowController->showWindow();
    return m_preferencesWindowController.get();
}

BXMessageWindowController* BXDocumentController::showAcknowledgments()
{
    if (!m_acknowledgmentsController) {
        m_acknowledgmentsController = std::make_unique<BXMessageWindowController>(
            QUrl(QStringLiteral("qrc:/documents/Acknowledgments.rtf")));
        m_acknowledgmentsController->window()->setWindowTitle(
            platform::localized(QStringLiteral("Acknowledgments")));
        connect(m_acknowledgmentsController.get(),
            &BXMessageWindowController::controllerWillCloseWindow, this,
            [this](BXMessageWindowController* closing) { controllerWillCloseWindow(closing); });
    }
    m_acknowledgmentsController->showWindow();
    return m_acknowledgmentsController.get();
}

BXMessageWindowController* BXDocumentController::acknowledgmentsController() const
{
    return m_acknowledgmentsController.get();
}

void BXDocumentController::terminate()
{
    // Every document answers first (saved, or the user asked) and only then does any close,
    // so a Cancel keeps every window. Each request starts a new pass; a pass whose document
    // is kept open just ends.
    auto pending = std::make_shared<QList<QPointer<Document>>>();
    for (Document* document : documents())
        pending->append(document);
    reviewNextDocument(pending, 0);
}

void BXDocumentController::reviewNextDocument(
    std::shared_ptr<QList<QPointer<Document>>> pending, qsizetype next)
{
    while (next < pending->size() && (!pending->at(next) || pending->at(next)->isClosed()))
        ++next;
    if (next == pending->size()) {
        closeNextDocument(pending);
        return;
    }
    pending->at(next)->canCloseDocument([this, pending, next](bool close) {
        if (close)
            platform::dispatchAsyncMain(
                [this, pending, next] { reviewNextDocument(pending, next + 1); });
    });
}

void BXDocumentController::closeNextDocument(std::shared_ptr<QList<QPointer<Document>>> pending)
{
    while (!pending->isEmpty() && (!pending->first() || pending->first()->isClosed()))
        pending->removeFirst();
    if (pending->isEmpty()) {
        closeStartWindows();
        quitWhenIdle();
        return;
    }
    Document* document = pending->first();
    // The main window closes as the user would close it, so its state is kept; the document
    // asks nothing again unless it changed since it answered. Once the document is closed the
    // next one follows. The document is the context: removing a closed document cuts its
    // connections to this.
    connect(
        document, &Document::didClose, document,
        [this, pending] {
            platform::dispatchAsyncMain([this, pending] { closeNextDocument(pending); });
        },
        Qt::SingleShotConnection);
    if (platform::WindowController* main = document->windowControllers().value(0)) {
        main->close();
        return;
    }
    document->canCloseDocument([document = QPointer<Document>(document)](bool close) {
        if (close && document)
            document->close();
    });
}

void BXDocumentController::terminateWithoutAsking()
{
    auto remaining = std::make_shared<int>(int(documents().size()));
    auto copies = std::make_shared<QVariantList>();
    const auto finish = [this, remaining, copies, untitled = std::make_shared<QVariantList>()](
                            Document* document) {
        if (document && document->fileURL().isEmpty()
            && !document->autosavedContentsFileURL().isEmpty())
            untitled->append(document->autosavedContentsFileURL().toString());
        if (--*remaining > 0)
            return;
        defaults().setArray(kAutosavedUntitledDocumentsKey, *untitled);
        if (!copies->isEmpty())
            defaults().setArray(kLockedDocumentCopiesKey, *copies);
        emit quitRequested();
    };
    if (documents().isEmpty()) {
        defaults().removeObject(kAutosavedUntitledDocumentsKey);
        emit quitRequested();
        return;
    }
    for (Document* document : documents()) {
        const QPointer<Document> guard(document);
        if (document->hasRefusedEdits()) {
            // Edits of a locked file that the user has not decided on yet: kept in a copy,
            // which the next start names.
            const QString original = document->fileURL().toLocalFile();
            document->saveRefusedEditsElsewhere(
                [this, finish, copies, guard, original](const platform::Error& error) {
                    if (!error && guard)
                        copies->append(QVariantMap { { QStringLiteral("file"), original },
                            { QStringLiteral("copy"), guard->fileURL().toLocalFile() } });
                    else
                        m_lostNotes = true;
                    finish(guard);
                });
            continue;
        }
        document->autosaveWithImplicitCancellability(
            false, [this, finish, copies, guard](const platform::Error& error) {
                // A file that could not take the notes, or is gone: they are kept in the
                // autosave folder and offered at the next start.
                if (!guard || guard->fileURL().isEmpty() || (!error && !guard->isFileGone())) {
                    if (error)
                        m_lostNotes = true;
                    finish(guard);
                    return;
                }
                const QString original = guard->fileURL().toLocalFile();
                const platform::Error cause = error
                    ? error
                    : platform::Error(platform::kCocoaErrorDomain, platform::FileNoSuchFileError,
                        platform::localized(QStringLiteral("The file was deleted or replaced.")));
                guard->saveElsewhere(
                    [this, finish, copies, guard, original, cause](const platform::Error& kept) {
                        if (!kept && guard)
                            copies->append(QVariantMap { { QStringLiteral("file"), original },
                                { QStringLiteral("copy"), guard->fileURL().toLocalFile() },
                                { QStringLiteral("reason"),
                                    cause.localizedFailureReason().isEmpty()
                                        ? cause.localizedDescription()
                                        : cause.localizedFailureReason() } });
                        else {
                            m_lostNotes = true;
                            platform::log(QStringLiteral("the notes of “%@” could not be kept: %@"),
                                original, kept.toString());
                        }
                        finish(guard);
                    });
            });
    }
}

void BXDocumentController::reportLockedDocumentCopies()
{
    const QVariantList copies = defaults().arrayForKey(kLockedDocumentCopiesKey);
    defaults().removeObject(kLockedDocumentCopiesKey);
    for (const QVariant& entry : copies) {
        const QVariantMap copy = entry.toMap();
        const QString kept = copy.value(QStringLiteral("copy")).toString();
        const QString reason = copy.value(QStringLiteral("reason")).toString();
        platform::Alert alert;
        alert.style = platform::AlertStyle::Informational;
        alert.messageText
            = platform::localizedFormat(QStringLiteral("Your changes to “%@” were kept in a copy."),
                QFileInfo(copy.value(QStringLiteral("file")).toString()).completeBaseName());
        alert.informativeText = reason.isEmpty()
            ? platform::localizedFormat(
                QStringLiteral("The file is locked, so the application kept the changes you "
                               "made before it quit in “%@”."),
                kept)
            : platform::localizedFormat(
                QStringLiteral("They could not be saved in the file when the application quit "
                               "(%@). They open now in a window of their own; save them to "
                               "keep them. The copy is “%@”."),
                reason, kept);
        platform::AlertPresenter::current().runModal(alert);
        // Reopened as the untitled document it now is, as an untitled document's autosave is.
        if (!reason.isEmpty() && QFileInfo::exists(kept))
            DocumentController::reopenDocumentForURL(
                {}, QUrl::fromLocalFile(kept), true, [kept](Document* document, bool, auto&) {
                    if (document)
                        document->setAutosavedContentsFileURL(QUrl::fromLocalFile(kept));
                });
    }
}

void BXDocumentController::reopenAutosavedUntitledDocuments()
{
    const QVariantList autosaved = defaults().arrayForKey(kAutosavedUntitledDocumentsKey);
    defaults().removeObject(kAutosavedUntitledDocumentsKey);
    for (const QVariant& entry : autosaved) {
        const QUrl contents(entry.toString());
        if (!QFileInfo::exists(contents.toLocalFile()))
            continue;
        DocumentController::reopenDocumentForURL({}, contents, true, {});
    }
}

void BXDocumentController::quitWhenIdle()
{
    // On a later turn: a start window closing because a document opens must not end the
    // application.
    platform::dispatchAsyncMain([self = QPointer<BXDocumentController>(this)] {
        // Once: the last document's close and the end of a Quit both come here.
        if (self && !self->m_quitRequested && self->documents().isEmpty()
            && !self->m_welcomeWindowController && !self->m_recentDocumentsWindowController) {
            self->m_quitRequested = true;
            emit self->quitRequested();
        }
    });
}

std::unique_ptr<Document> BXDocumentController::makeDocumentOfType(const QString& type)
{
    auto document = std::make_unique<BXDocument>();
    document->setFileType(type.isEmpty() ? BXWrappedPersistentDocument::NotesDocumentType : type);
    return document;
}

void BXDocumentController::displayDocument(Document* document)
{
    auto* notes = qobject_cast<BXDocument*>(document);
    if (notes && notes->windowControllers().isEmpty()) {
        // The document shows its main window itself, once its saved state is back.
        notes->makeWindowControllers();
        auto* controller
            = qobject_cast<BXMainWindowController*>(notes->windowControllers().value(0));
        if (controller)
            installMainMenu(controller->mainWindow());
        return;
    }
    for (platform::WindowController* controller : document->windowControllers()) {
        if (QWidget* window = controller->window()) {
            installMainMenu(qobject_cast<QMainWindow*>(window));
            window->show();
            window->raise();
            window->activateWindow();
        }
    }
}

bool BXDocumentController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Show || event->spontaneous() || !watched->isWidgetType())
        return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow() || window->windowType() != Qt::Window)
        return false;
    // A document's windows, its note windows too, have the application's menus.
    const platform::WindowController* controller = platform::WindowController::forWindow(window);
    if (controller && controller->document())
        installMainMenu(qobject_cast<QMainWindow*>(window));
    return false;
}

void BXDocumentController::installMainMenu(QMainWindow* window)
{
    if (window && !window->findChild<QMenuBar*>())
        window->setMenuBar(BXMainMenu::build(*this));
}

bool BXDocumentController::respondsTo(const QString& action) const
{
    static const QStringList actions { QStringLiteral("newDocument:"),
        QStringLiteral("openDocument:"), QStringLiteral("showWelcome:"), QStringLiteral("openURL:"),
        QStringLiteral("terminate:"), QStringLiteral("checkVersion:"),
        QStringLiteral("showAboutPanel:"), QStringLiteral("showPreferencesPanel:"),
        QStringLiteral("showAcknowledgments:") };
    return actions.contains(action);
}

std::optional<bool> BXDocumentController::validate(platform::Command& command) const
{
    if (command.action == QLatin1String("openURL:"))
        return command.tag >= 0 && command.tag < kWebPages.size();
    return std::nullopt;
}

void BXDocumentController::perform(const platform::Command& command)
{
    if (command.action == QLatin1String("newDocument:"))
        newDocument();
    else if (command.action == QLatin1String("openDocument:"))
        openDocument();
    else if (command.action == QLatin1String("showWelcome:"))
        showWelcome();
    else if (command.action == QLatin1String("openURL:"))
        openURL(command.tag);
    else if (command.action == QLatin1String("terminate:"))
        terminate();
    else if (command.action == QLatin1String("checkVersion:") && m_versionCheckSchedule)
        m_versionCheckSchedule->checkVersion(true);
    else if (command.action == QLatin1String("showAboutPanel:"))
        BXAboutWindowPresenter::present();
    else if (command.action == QLatin1String("showPreferencesPanel:"))
        showPreferencesPanel();
    else if (command.action == QLatin1String("showAcknowledgments:"))
        showAcknowledgments();
}
