#include "document/MarkdownExporter.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    QApplication::setOrganizationName(QStringLiteral("Brindlex"));
    MarkdownExporter::registerTextFormat();
    QMainWindow window;
    window.setWindowTitle(QApplication::applicationName());
    window.resize(900, 600);
    window.show();
    return app.exec();
}
