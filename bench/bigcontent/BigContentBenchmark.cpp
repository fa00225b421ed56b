// Big content against a window that must keep answering: the application started as main()
// starts it, in a fresh process, on a notes file holding one big note or on a big text file to
// import. Reported per input: the longest time the main loop went without running a 10 ms
// timer until it quit ("blocked_ms"), the peak resident size ("peak_MB", against "input_MB"), and
// the time from SIGTERM, sent once the work has run for a while, to the process's end ("exit_s";
// the benchmark's own time is that of the whole run).
#include "support/ColdRun.h"
#include "support/ResidentMemory.h"

#include "app/BXApplicationRuntime.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRunSeconds = 15;
constexpr int kExitWaitSeconds = 30;

QString words(qsizetype bytes, bool lines)
{
    const QString line = QStringLiteral("Some words of a long note, and some more of them to fill "
                                        "a line of about eighty.");
    QString text;
    text.reserve(bytes + line.size() + 1);
    while (text.size() < bytes) {
        text += line;
        text += lines ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text;
}

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

bool writeNotesFile(const QString& path, const QString& text)
{
    BXDocument document;
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    {
        std::unique_ptr<QTextDocument> storage = platform::AttributedText::makeDocument();
        storage->setPlainText(text);
        note->setAttributedString(*storage);
    }
    bool saved = false;
    document.saveToURL(QUrl::fromLocalFile(path), BXDocument::NotesDocumentType,
        platform::SaveOperation::SaveAs,
        [&](const platform::Error& error) { saved = error.isNull(); });
    document.close();
    return saved;
}

// The input of one row, made once in the benchmark process; empty when it cannot be made.
QString makeInput(const QString& folder, const QString& row, int megabytes)
{
    const qsizetype bytes = qsizetype(megabytes) * 1024 * 1024;
    const QString path = folder + QStringLiteral("/%1-%2").arg(row).arg(megabytes);
    bool made = false;
    if (row == QLatin1String("note")) {
        made = writeNotesFile(path + QStringLiteral(".brindlex"), words(bytes, true));
        return made ? path + QStringLiteral(".brindlex") : QString();
    }
    if (row == QLatin1String("text"))
        made = writeFile(path + QStringLiteral(".txt"), words(bytes, true));
    else if (row == QLatin1String("line"))
        made = writeFile(path + QStringLiteral(".txt"), words(bytes, false));
    else if (row == QLatin1String("divs"))
        made = writeFile(path + QStringLiteral(".txt"),
            QStringLiteral("<div>x").repeated(bytes / 12)
                + QStringLiteral("</div>").repeated(bytes / 12));
    return made ? path + QStringLiteral(".txt") : QString();
}

// In the child: opens the file as the command line would (a text file is imported into a new
// notes file, the question answered yes) and runs the event loop until told to end, while a
// thread prints the figures twice a second, so a run that never ends still reports them.
const bool registered = ColdRun::add(
    QStringLiteral("big-content"), [](const QStringList& arguments) {
        std::atomic<qint64> lastTick = Clock::now().time_since_epoch().count();
        std::atomic<qint64> longestGap = 0;
        // Once the loop has quit, the time to the end is the exit's, not a blocked loop's.
        std::atomic<bool> quit = false;
        std::atomic<bool> ended = false;
        std::thread reporter([&] {
            while (!ended.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                const qint64 now = Clock::now().time_since_epoch().count();
                const qint64 gap = quit.load() ? longestGap.load()
                                               : std::max(longestGap.load(), now - lastTick.load());
                std::printf("probe %.3f %.1f\n",
                    std::chrono::duration<double, std::milli>(Clock::duration(gap)).count(),
                    double(ResidentMemory::peakBytes()) / (1024.0 * 1024.0));
                std::fflush(stdout);
            }
        });
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const qint64 now = Clock::now().time_since_epoch().count();
            longestGap = std::max(longestGap.load(), now - lastTick.load());
            lastTick = now;
        });
        ticks.start(10);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] {
            const qint64 now = Clock::now().time_since_epoch().count();
            longestGap = std::max(longestGap.load(), now - lastTick.load());
            quit = true;
        });
        {
            QTemporaryDir runtimeFolder;
            QFile::setPermissions(runtimeFolder.path(),
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            // Run from the build folder, which is no installed place.
            qputenv("BRINDLEX_ANY_LOCATION", "1");
            BXApplicationRuntime::configureApplication();
            BXApplicationRuntime runtime(platform::UserDefaults::standard(), runtimeFolder.path());
            lastTick = Clock::now().time_since_epoch().count();
            const std::optional<int> refused
                = runtime.launch({ arguments.value(0) }, QCoreApplication::applicationFilePath());
            // After the launch, which installs the application's own presenters.
            platform::FakeAlertPresenter alerts;
            if (!refused)
                QCoreApplication::exec();
        }
        ended = true;
        reporter.join();
        return std::optional<ColdRun::Measure>(ColdRun::Measure {});
    });

void BM_BigContent(benchmark::State& state, const char* row)
{
    static QTemporaryDir folder;
    const int megabytes = int(state.range(0));
    const QString input = makeInput(folder.path(), QString::fromLatin1(row), megabytes);
    if (input.isEmpty()) {
        state.SkipWithError("cannot make the input");
        return;
    }
    double blocked = 0;
    double peak = 0;
    double exitSeconds = -1;
    for (auto _ : state) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--cold-run=big-content"), input });
        child.waitForStarted();
        child.waitForFinished(kRunSeconds * 1000);
        const Clock::time_point terminated = Clock::now();
        child.terminate();
        if (child.waitForFinished(kExitWaitSeconds * 1000))
            exitSeconds = std::chrono::duration<double>(Clock::now() - terminated).count();
        else
            child.kill(), child.waitForFinished();
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        for (const QByteArray& line : lines) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() == 3 && fields[0] == "probe") {
                blocked = fields[1].toDouble();
                peak = fields[2].toDouble();
            }
        }
    }
    state.counters["input_MB"] = megabytes;
    state.counters["blocked_ms"] = blocked;
    state.counters["peak_MB"] = peak;
    state.counters["exit_s"] = exitSeconds;
}

BENCHMARK_CAPTURE(BM_BigContent, note, "note")
    ->Arg(10)
    ->Arg(50)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
// An empty text file is the reference: what starting and importing cost by themselves.
BENCHMARK_CAPTURE(BM_BigContent, text, "text")
    ->Arg(0)
    ->Arg(10)
    ->Arg(50)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_BigContent, divs, "divs")->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_BigContent, line, "line")
    ->Arg(10)
    ->Arg(50)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
