#include "document/MarkdownExporter.h"
#include "platform/appkit/ApplicationWindowTracker.h"
#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/documents/AlertPresenter.h"
#include "ui/BXPasswordController.h"

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
    platform::ApplicationWindowTracker::install();

    QMainWindow window;
    window.setWindowTitle(QApplication::applicationName());
    window.resize(900, 600);
    window.show();
    return app.exec();
}
