// Import and export end to end, as the commands run them: 1,000 Markdown files imported into a
// saved notes file under the progress panel, 1,000 notes exported as RTF into a folder, 100
// notes in each other registered format, a cold import of 10,000 files with the growth of
// the process's resident size, and the peak resident size of cold imports of one Markdown page
// holding large pictures (data: URIs), against the page's size.

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "document/transfer/MarkdownExporter.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextFormatRegistry.h"
#include "ui/BXProgressPanelController.h"

#include "support/ColdRun.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <chrono>
#include <functional>

namespace {

using platform::ManagedObjectPtr;

// Handles events until `done` holds; completions arrive through the main queue.
void waitFor(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
}

void setUp()
{
    MarkdownExporter::registerTextFormat();
    BXProgressPanelController::install();
}

// A folder of `count` small Markdown files.
QString markdownFolder(const QString& parent, int count)
{
    const QString folder = parent + QStringLiteral("/md%1").arg(count);
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile file(folder + QStringLiteral("/Note %1.md").arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the files to import");
        file.write(QStringLiteral("# Note %1\n\nSome *emphasis*, some **strong** words and a "
                                  "[link](https://example.com).\n\n- one\n- two\n")
                       .arg(i)
                       .toUtf8());
    }
    return folder;
}

std::unique_ptr<BXDocument> savedDocument(const QString& folder)
{
    auto document = std::make_unique<BXDocument>();
    bool saved = false;
    document->saveToURL(QUrl::fromLocalFile(folder + QStringLiteral("/Bench.brindlex")),
        BXDocument::NotesDocumentType, platform::SaveOperation::SaveAs,
        [&saved](const platform::Error& error) {
            if (error)
                qFatal("%s", qPrintable(error.toString()));
            saved = true;
        });
    waitFor([&saved] { return saved; });
    return document;
}

// Imports `folder` and waits for the completion; the number of new notes.
qsizetype importFolder(BXDocument& document, const QString& folder)
{
    qsizetype imported = -1;
    document.importNotesAtURLs({ QUrl::fromLocalFile(folder) }, {},
        [&imported](QList<ManagedObjectPtr> notes) { imported = notes.size(); });
    waitFor([&imported] { return imported >= 0; });
    return imported;
}

void BM_ImportThousandMarkdownFiles(benchmark::State& state)
{
    setUp();
    QTemporaryDir folder;
    const QString files = markdownFolder(folder.path(), 1000);
    int run = 0;
    for (auto _ : state) {
        const QString place = folder.path() + QStringLiteral("/run%1").arg(run++);
        QDir().mkpath(place);
        std::unique_ptr<BXDocument> document = savedDocument(place);
        const auto start = std::chrono::steady_clock::now();
        const qsizetype imported = importFolder(*document, files);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        document->close();
        if (imported != 1000) {
            state.SkipWithError("the import did not bring in 1,000 notes");
            break;
        }
    }
}
BENCHMARK(BM_ImportThousandMarkdownFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

QList<ManagedObjectPtr> richNotes(BXDocument& document, int count)
{
    QList<ManagedObjectPtr> notes;
    for (int i = 0; i < count; ++i) {
        BXNote::NotePtr note
            = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
        std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
        QTextCursor cursor(text.get());
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral("Note %1\n").arg(i), bold);
        cursor.insertText(QString(600, QLatin1Char('w')) + QStringLiteral(" café"));
        note->setAttributedString(*text);
        notes << note;
    }
    return notes;
}

// Exports `notes` as `type` into a fresh folder: without a window the panel is modal, so the
// export has ended when this returns. Whether every note left a file.
bool exportAll(BXDocument& document, const QList<ManagedObjectPtr>& notes, const QString& type,
    const QString& folder)
{
    QDir().mkpath(folder);
    document.setFormatForExport(type);
    document.exportNotes(notes, QUrl::fromLocalFile(folder), nullptr);
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).size()
        == notes.size();
}

void BM_ExportThousandNotesAsRtf(benchmark::State& state)
{
    setUp();
    QTemporaryDir folder;
    BXDocument document;
    const QList<ManagedObjectPtr> notes = richNotes(document, 1000);
    int run = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool done = exportAll(document, notes, QStringLiteral("public.rtf"),
            folder.path() + QStringLiteral("/rtf%1").arg(run++));
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!done) {
            state.SkipWithError("not every note was exported");
            break;
        }
    }
    document.close();
}
BENCHMARK(BM_ExportThousandNotesAsRtf)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

// Every format the build registers, each recorded as "<type>_ms"; the time is their sum.
void BM_ExportHundredNotesInEachFormat(benchmark::State& state)
{
    setUp();
    QTemporaryDir folder;
    BXDocument document;
    const QList<ManagedObjectPtr> notes = richNotes(document, 100);
    for (auto _ : state) {
        double total = 0;
        for (const platform::TextFormat& format : platform::TextFormatRegistry::formats()) {
            const auto start = std::chrono::steady_clock::now();
            const bool done = exportAll(document, notes, format.typeIdentifier,
                folder.path() + QLatin1Char('/') + format.typeIdentifier);
            const double seconds
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            total += seconds;
            state.counters[(format.typeIdentifier + QStringLiteral("_ms")).toStdString()]
                = done ? seconds * 1000 : -1;
        }
        state.SetIterationTime(total);
    }
    document.close();
}
BENCHMARK(BM_ExportHundredNotesInEachFormat)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

[[maybe_unused]] const bool kColdImport
    = ColdRun::add(QStringLiteral("import-10000"), [](const QStringList& arguments) {
          setUp();
          QTemporaryDir place;
          std::unique_ptr<BXDocument> document = savedDocument(place.path());
          const ColdRun::Meter meter;
          const qsizetype imported = importFolder(*document, arguments.value(0));
          const ColdRun::Measure measure = meter.stop(double(imported));
          document->close();
          return std::optional<ColdRun::Measure>(measure);
      });

void BM_ImportTenThousandFiles_Cold(benchmark::State& state)
{
    static QTemporaryDir folder;
    static const QString files = markdownFolder(folder.path(), 10000);
    ColdRun::iterate(state, QStringLiteral("import-10000"), { files }, 10000);
}
BENCHMARK(BM_ImportTenThousandFiles_Cold)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// A Markdown page of `textMegabytes` of words around `pictures` pictures of `pictureMegabytes`
// each, written into the page: a PNG with random bytes after its end, which readers ignore.
QString picturePage(const QString& folder, int pictures, int pictureMegabytes, int textMegabytes)
{
    const QString path = folder
        + QStringLiteral("/page-%1x%2-%3.md")
              .arg(pictures)
              .arg(pictureMegabytes)
              .arg(textMegabytes);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the page to import");
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(8, 8, QImage::Format_RGB32).save(&buffer, "PNG");
    QByteArray picture = png;
    picture.resize(qsizetype(pictureMegabytes) * 1000 * 1000);
    QRandomGenerator random(1);
    random.fillRange(reinterpret_cast<quint32*>(picture.data() + png.size()),
        (picture.size() - png.size()) / qsizetype(sizeof(quint32)));
    const QByteArray line = "Some words of a long note, and some more of them to fill a line.\n";
    const QByteArray words
        = line.repeated(qsizetype(textMegabytes) * 1000 * 1000 / (pictures + 1) / line.size());
    file.write(words);
    for (int i = 0; i < pictures; ++i) {
        file.write("\n![picture](data:image/png;base64,");
        file.write(picture.toBase64());
        file.write(")\n\n");
        file.write(words);
    }
    return path;
}

[[maybe_unused]] const bool kColdPicturePage
    = ColdRun::add(QStringLiteral("import-picture-page"), [](const QStringList& arguments) {
          setUp();
          QTemporaryDir place;
          std::unique_ptr<BXDocument> document = savedDocument(place.path());
          const ColdRun::Meter meter;
          const qsizetype imported = importFolder(*document, arguments.value(0));
          const ColdRun::Measure measure = meter.stop(double(imported));
          document->close();
          return std::optional<ColdRun::Measure>(measure);
      });

// Arguments: pictures, megabytes each, megabytes of words. The page limits keep four of five
// 60 MB pictures, and no picture over 64 MB; "peak_MB" is to be read against the page's size.
void BM_ImportPicturePage_Cold(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString page
        = picturePage(folder.path(), int(state.range(0)), int(state.range(1)), int(state.range(2)));
    state.counters["page_MB"] = double(QFileInfo(page).size()) / (1024.0 * 1024.0);
    ColdRun::iterate(state, QStringLiteral("import-picture-page"), { page }, 1);
}
BENCHMARK(BM_ImportPicturePage_Cold)
    ->Args({ 1, 60, 4 })
    ->Args({ 1, 70, 5 })
    ->Args({ 5, 60, 20 })
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

} // namespace
