#include "app/BXDocumentController.h"
#include "app/BXSingleInstance.h"
#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/MarkdownExporter.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXNoteWindowController.h"
#include "mainwindow/BXPrintPanelAccessoryViewController.h"
#include "platform/appkit/ApplicationWindowTracker.h"
#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/appkit/PamAuthenticator.h"
#include "platform/appkit/PrintDialogPresenter.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/MemoryPressureSource.h"
#include "platform/foundation/UnixSignalNotifier.h"
#include "platform/foundation/UserDefaults.h"
#include "ui/BXPasswordController.h"
#include "ui/BXProgressPanelController.h"
#include "ui/BXSavePanelController.h"
#include "ui/OverlayWindowController.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    QApplication::setOrganizationName(QStringLiteral("Brindlex"));
    QApplication::setApplicationVersion(QStringLiteral(BX_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("brindlex"));
    // The document controller decides when the last window closing ends the application.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Notes, kept in notes files."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
        QStringLiteral("Notes files to open; Markdown and text files to import."),
        QStringLiteral("[files...]"));
    parser.process(app);
    const QStringList paths = BXSingleInstance::absolutePaths(parser.positionalArguments());

    BXSingleInstance instance(BXSingleInstance::defaultRuntimeFolder());
    if (!instance.becomePrimary())
        return instance.handOff(paths) ? 0 : 1;

    MarkdownExporter::registerTextFormat();
    BXDefaults::registerDefaults();

    // The model asks the user through these; they are the windows the user answers in.
    platform::MessageBoxAlertPresenter alertPresenter;
    platform::AlertPresenter::setCurrent(&alertPresenter);
    BXPasswordController::install();
    BXSavePanelController::install();
    platform::ApplicationWindowTracker::install();
    BXProgressPanelController::install();
    platform::PrintDialogPresenter printPresenter;
    platform::PrintPresenter::setCurrent(&printPresenter);
    BXPrintPanelAccessoryViewController::install();
    platform::PamAuthenticator authenticator;
    platform::Authenticator::setCurrent(&authenticator);
    BXDocument::setUndoMessenger(&OverlayWindowController::showInWindowWithMessage);

    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    BXDocument::setNoteWindowControllerFactory([](BXDocument&, const BXNote::NotePtr& note) {
        return BXNoteWindowController::initWithNote(note);
    });

    platform::MemoryPressureSource memoryPressure;
    BXDocumentController controller(platform::UserDefaults::standard(), memoryPressure);
    if (!controller.applicationWillFinishLaunching(QCoreApplication::applicationFilePath()))
        return 1;
    // Every document has been closed or saved by now: windows are not asked again, as quit()
    // would ask them (and a document window answers a close by closing its document).
    QObject::connect(
        &controller, &BXDocumentController::quitRequested, &app, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    QObject::connect(
        &instance, &BXSingleInstance::openRequested, &controller, &BXDocumentController::openFiles);
    QObject::connect(&instance, &BXSingleInstance::reopenRequested, &controller, [&controller] {
        controller.applicationShouldHandleReopen(BXDocumentController::hasVisibleWindows());
    });
    platform::UnixSignalNotifier unixSignals;
    QObject::connect(&unixSignals, &platform::UnixSignalNotifier::terminationRequested, &controller,
        &BXDocumentController::terminateWithoutAsking);

    controller.openFiles(paths);
    platform::dispatchAsyncMain([&controller] { controller.applicationDidFinishLaunching(); });
    return app.exec();
}
