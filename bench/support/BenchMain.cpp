#include "document/BXDefaults.h"
#include "document/ValueTransformerRegistration.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

// Every benchmark program runs headless with throw-away settings and data folders, and with
// the application's defaults and named transformers in place, as the application has them.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    BXDefaults::registerDefaults();
    registerNamedValueTransformers();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
