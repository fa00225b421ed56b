#include "document/BXDocument.h"
#include "document/MarkdownExporter.h"
#include "platform/appkit/ApplicationWindowTracker.h"
#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/documents/AlertPresenter.h"
#include "ui/BXPasswordController.h"
#include "ui/BXProgressPanelController.h"
#include "ui/BXSavePanelController.h"
#include "ui/OverlayWindowController.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Log.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    QApplication::setOrganizationName(QStringLiteral("Brindlex"));
    MarkdownExporter::registerTextFormat();

    // The model asks the user through these; they are the windows the user answers in.
    platform::MessageBoxAlertPresenter alertPresenter;
    platform::AlertPresenter::setCurrent(&alertPresenter);
    BXPasswordController::install();
    BXProgressPanelController::install();
    BXSavePanelController::install();
    platform::ApplicationWindowTracker::install();
    BXDocument::setUndoMessenger(&OverlayWindowController::showInWindowWithMessage);

    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });

    // The notes file named on the command line, else a new untitled document.
    BXDocument document;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const QUrl url = QUrl::fromLocalFile(QFileInfo(arguments.at(1)).absoluteFilePath());
        platform::Error error;
        if (!document.initWithContentsOfURL(url, BXDocument::NotesDocumentType, &error)) {
            platform::log(
                QStringLiteral("Could not open %@: %@"), url.toLocalFile(), error.toString());
            return 1;
        }
    }
    document.makeWindowControllers();
    // Until the application can quit on its own, it quits with its document.
    QObject::connect(&document, &platform::Document::didClose, &app, &QApplication::quit);
    return app.exec();
}
