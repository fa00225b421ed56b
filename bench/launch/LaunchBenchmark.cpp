#include "app/BXDocumentController.h"
#include "app/BXRecentDocumentsWindowController.h"
#include "app/BXWelcomeWindowController.h"
#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "platform/appkit/ApplicationWindowTracker.h"
#include "platform/foundation/MemoryPressureSource.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace {

// Launch as main() does it, up to the start window on screen.
void BM_LaunchToStartWindowShown(benchmark::State& state)
{
    platform::FakeAlertPresenter presenter;
    QTemporaryDir folder;
    for (auto _ : state) {
        platform::UserDefaults defaults(folder.filePath(QStringLiteral("settings.conf")));
        BXDefaults::registerDefaults(defaults);
        platform::MemoryPressureSource memoryPressure;
        BXDocumentController controller(defaults, memoryPressure);
        if (!controller.applicationWillFinishLaunching(
                QDir::homePath() + QStringLiteral("/.local/bin/brindlex"))
            || !controller.welcomeWindowController()
            || !QTest::qWaitForWindowExposed(controller.welcomeWindowController()->window())) {
            state.SkipWithError("no start window");
            return;
        }
    }
}
BENCHMARK(BM_LaunchToStartWindowShown)->Unit(benchmark::kMillisecond);

QString makeLargeFile(const QString& path, int notes)
{
    BXDocument document;
    for (int i = 0; i < notes; ++i) {
        BXNote::NotePtr note
            = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
        std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
        text->setPlainText(QStringLiteral("Note %1\nSome words of note %1.").arg(i));
        note->setAttributedString(*text);
    }
    bool saved = false;
    document.saveToURL(QUrl::fromLocalFile(path), BXDocument::NotesDocumentType,
        platform::SaveOperation::SaveAs,
        [&](const platform::Error& error) { saved = error.isNull(); });
    document.close();
    return saved ? path : QString();
}

// A notes file of as many notes as the argument named on the command line, to its main window
// shown with the notes list filled.
void BM_LargeFileToFilledMainWindow(benchmark::State& state)
{
    platform::FakeAlertPresenter presenter;
    platform::ApplicationWindowTracker::install();
    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    QTemporaryDir folder;
    const int notes = int(state.range(0));
    const QString path = makeLargeFile(folder.filePath(QStringLiteral("Large.brindlex")), notes);
    if (path.isEmpty()) {
        state.SkipWithError("cannot make the notes file");
        return;
    }
    for (auto _ : state) {
        platform::UserDefaults defaults(folder.filePath(QStringLiteral("settings.conf")));
        platform::MemoryPressureSource memoryPressure;
        BXDocumentController controller(defaults, memoryPressure);
        controller.applicationDidFinishLaunching();
        controller.openFiles({ path });
        const auto filled = [&] {
            if (controller.documents().isEmpty())
                return false;
            auto* main = qobject_cast<BXMainWindowController*>(
                controller.documents().first()->windowControllers().value(0));
            return main && main->mainWindow()->isVisible()
                && main->notesTableView()->model()->rowCount() == notes;
        };
        if (!QTest::qWaitFor(filled, 30000)) {
            state.SkipWithError("the main window never filled");
            return;
        }
        state.PauseTiming();
        controller.documents().first()->close();
        QCoreApplication::processEvents();
        // The closed document's objects go now, not inside the next launch's timing.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LargeFileToFilledMainWindow)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
