#include "BXApplicationRuntime.h"

#include "app/BXDocumentController.h"
#include "app/BXSingleInstance.h"
#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/transfer/MarkdownExporter.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXPrintPanelAccessoryViewController.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "platform/appkit/ApplicationWindowTracker.h"
#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/appkit/PamAuthenticator.h"
#include "platform/appkit/PrintDialogPresenter.h"
#include "platform/appkit/accessibility/AccessibleWidgets.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FreedMemory.h"
#include "platform/foundation/MemoryPressureSource.h"
#include "platform/foundation/UnixSignalNotifier.h"
#include "platform/foundation/UserDefaults.h"
#include "ui/BXPasswordController.h"
#include "ui/BXProgressPanelController.h"
#include "ui/BXSavePanelController.h"
#include "ui/OverlayWindowController.h"

#include <QApplication>

// The windows the user answers in, installed for the runtime's life; the ones they replaced
// come back after it, so a test's fakes outlive a scenario.
struct BXApplicationRuntime::Presenters {
    Presenters()
        : previousAlerts(platform::AlertPresenter::setCurrent(&alerts)),
          previousPrint(platform::PrintPresenter::setCurrent(&print)),
          previousAuthenticator(platform::Authenticator::setCurrent(&authenticator))
    {
        BXPasswordController::install();
        BXSavePanelController::install();
        platform::ApplicationWindowTracker::install();
        BXProgressPanelController::install();
        BXPrintPanelAccessoryViewController::install();
        BXDocument::setUndoMessenger(&OverlayWindowController::showInWindowWithMessage);
        BXDocument::setWindowControllerFactory(
            [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
        BXDocument::setNoteWindowControllerFactory([](BXDocument&, const BXNote::NotePtr& note) {
            return BXNoteWindowController::initWithNote(note);
        });
    }

    ~Presenters()
    {
        platform::Authenticator::setCurrent(previousAuthenticator);
        platform::PrintPresenter::setCurrent(previousPrint);
        platform::AlertPresenter::setCurrent(previousAlerts);
    }

    platform::MessageBoxAlertPresenter alerts;
    platform::PrintDialogPresenter print;
    platform::PamAuthenticator authenticator;
    platform::AlertPresenter* previousAlerts;
    platform::PrintPresenter* previousPrint;
    platform::Authenticator* previousAuthenticator;
    platform::UnixSignalNotifier unixSignals;
};

BXApplicationRuntime::BXApplicationRuntime(
    platform::UserDefaults& defaults, const QString& runtimeFolder)
    : m_defaults(defaults), m_instance(std::make_unique<BXSingleInstance>(runtimeFolder))
{ }

BXApplicationRuntime::~BXApplicationRuntime()
{
    // Documents and their windows go before the presenters they ask.
    m_controller.reset();
    m_presenters.reset();
}

void BXApplicationRuntime::configureApplication()
{
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    QApplication::setOrganizationName(QStringLiteral("Brindlex"));
    QGuiApplication::setDesktopFileName(QLatin1String(BXDocumentController::kDesktopFileName));
    // The document controller decides when the last window closing ends the application.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::FreedMemory::returnPromptly();
    platform::AccessibleWidgets::install();
}

std::optional<int> BXApplicationRuntime::launch(
    const QStringList& paths, const QString& executablePath)
{
    if (!m_instance->becomePrimary())
        return m_instance->handOff(paths) ? 0 : 1;

    MarkdownExporter::registerTextFormat();
    BXDefaults::registerDefaults(m_defaults);
    m_presenters = std::make_unique<Presenters>();
    m_memoryPressure = std::make_unique<platform::MemoryPressureSource>();
    m_controller = std::make_unique<BXDocumentController>(m_defaults, *m_memoryPressure);
    BXDocumentController* controller = m_controller.get();
    // Connected before the first alert, which may be waiting for the user when the session ends.
    QObject::connect(&m_presenters->unixSignals,
        &platform::UnixSignalNotifier::terminationRequested, controller,
        &BXDocumentController::terminateWithoutAsking);
    // Every document has been closed or saved by now: windows are not asked again, as quit()
    // would ask them (and a document window answers a close by closing its document).
    QObject::connect(
        controller, &BXDocumentController::quitRequested, qApp,
        [controller] { QCoreApplication::exit(controller->lostNotesAtTermination() ? 1 : 0); },
        Qt::QueuedConnection);
    // Queued before the launch steps, which show the start window only when no file will open.
    controller->openFiles(paths);
    if (!controller->applicationWillFinishLaunching(executablePath))
        return 1;

    QObject::connect(m_instance.get(), &BXSingleInstance::openRequested, controller,
        &BXDocumentController::openHandedFiles);
    QObject::connect(
        m_instance.get(), &BXSingleInstance::reopenRequested, controller, [controller] {
            controller->applicationShouldHandleReopen(BXDocumentController::hasVisibleWindows());
        });

    platform::dispatchAsyncMain([controller] { controller->applicationDidFinishLaunching(); });
    return std::nullopt;
}
