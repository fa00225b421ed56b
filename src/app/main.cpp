#include "document/BXDocument.h"
#include "document/MarkdownExporter.h"
#include "mainwindow/BXPrintPanelAccessoryViewController.h"
#include "platform/appkit/ApplicationWindowTracker.h"
#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/appkit/PrintDialogPresenter.h"
#include "platform/documents/AlertPresenter.h"
#include "ui/BXPasswordController.h"
#include "ui/BXProgressPanelController.h"
#include "ui/BXSavePanelController.h"
#include "ui/OverlayWindowController.h"

#include <QApplication>
#include <QMainWindow>

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
    BXSavePanelController::install();
    platform::ApplicationWindowTracker::install();
    BXProgressPanelController::install();
    platform::PrintDialogPresenter printPresenter;
    platform::PrintPresenter::setCurrent(&printPresenter);
    BXPrintPanelAccessoryViewController::install();
    BXDocument::setUndoMessenger(&OverlayWindowController::showInWindowWithMessage);

    QMainWindow window;
    window.setWindowTitle(QApplication::applicationName());
    window.resize(900, 600);
    window.show();
    return app.exec();
}
