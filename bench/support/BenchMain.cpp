#include "document/BXDefaults.h"
#include "document/transformers/ValueTransformerRegistration.h"
#include "platform/foundation/FreedMemory.h"

#include "ColdRun.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

// Every benchmark program runs headless with throw-away settings and data folders, and with
// the application's defaults, named transformers and heap policy in place, as the application
// has them.
// Started again by a benchmark to measure a cold run, it runs that one task instead.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    platform::FreedMemory::returnPromptly();
    BXDefaults::registerDefaults();
    registerNamedValueTransformers();
    if (const std::optional<int> status = ColdRun::runRequested(argc, argv))
        return *status;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
