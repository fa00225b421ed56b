#include "app/BXApplicationRuntime.h"
#include "app/BXSingleInstance.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    BXApplicationRuntime::configureApplication();
    QApplication::setApplicationVersion(QStringLiteral(BX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Notes, kept in notes files."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
        QStringLiteral("Notes files to open; Markdown and text files to import."),
        QStringLiteral("[files...]"));
    parser.process(app);

    BXApplicationRuntime runtime(
        platform::UserDefaults::standard(), BXSingleInstance::defaultRuntimeFolder());
    if (const std::optional<int> status
        = runtime.launch(BXSingleInstance::absolutePaths(parser.positionalArguments()),
            QCoreApplication::applicationFilePath()))
        return *status;
    return app.exec();
}
