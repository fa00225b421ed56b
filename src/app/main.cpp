#include "app/BXApplicationRuntime.h"
#include "app/BXSingleInstance.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

void describeCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Notes, kept in notes files."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
        QStringLiteral("Notes files to open; Markdown and text files to import."),
        QStringLiteral("[files...]"));
}

// --help and --version print and exit here, before anything opens the window system, so they
// answer on a console or in a build job with no display at all.
void answerTextOnlyRequests(int& argc, char** argv)
{
    const QCoreApplication console(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    // Options of the window system (-platform, -style) are unknown here; the full parse later
    // reports any that are unknown to both.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp();
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("Brindlex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BX_VERSION));
    answerTextOnlyRequests(argc, argv);

    QApplication app(argc, argv);
    BXApplicationRuntime::configureApplication();

    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);

    BXApplicationRuntime runtime(
        platform::UserDefaults::standard(), BXSingleInstance::defaultRuntimeFolder());
    if (const std::optional<int> status
        = runtime.launch(BXSingleInstance::absolutePaths(parser.positionalArguments()),
            QCoreApplication::applicationFilePath()))
        return *status;
    return app.exec();
}
