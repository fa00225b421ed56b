// The search as its user waits for it: the application started as main() starts it, on a notes
// file named on its command line, in a fresh process; keys delivered to the main window as the
// window system delivers them, into its search field clicked a moment before (as long as the
// hand takes from the mouse to the keys); each time taken from the key to the notes
// list painted with the key's result. Rows: the first key (and the first key typed into the field
// the window opens focused on), each further key (the median of a
// word or an expression typed on), the clearing (Escape) back to all notes, the first key until
// the window has settled (the scope bar slid in and nothing painted for a while), and the
// process's resident memory.

#include "search/SearchNotesFiles.h"
#include "support/ColdRun.h"
#include "support/ResidentMemory.h"

#include "app/BXApplicationRuntime.h"
#include "app/BXDocumentController.h"
#include "document/BXDefaults.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "mainwindow/search/BXSearchScopeBarController.h"
#include "platform/documents/Document.h"
#include "platform/foundation/UserDefaults.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace {

// What a row reports as its time.
enum Figure {
    kFirstKey,
    kFurtherKeys,
    kClearing,
    kFirstKeySettled,
    // The time to a usable window; its resident_MB is the whole process's, idle after opening.
    kIdleAfterOpening,
    // The first key into the field as the window opens with it focused, not clicked into.
    kFirstKeyAtLaunch,
};

// How long the window must go without painting to count as settled.
constexpr qint64 kQuietMs = 300;
// How long after a search a list that has not painted is taken to show what it showed.
constexpr qint64 kUnpaintedMs = 100;

// Watches the painting of the main window: when the notes list last painted and when anything
// in the window last did, in milliseconds of `clock`. A paint's time is taken once it is done
// (the call after it on the event loop), so that it holds the drawing.
class PaintWatch final : public QObject {
public:
    PaintWatch(QWidget* window, QWidget* list, const QElapsedTimer& clock)
        : m_window(window), m_list(list), m_clock(clock)
    {
        qApp->installEventFilter(this);
    }
    ~PaintWatch() override { qApp->removeEventFilter(this); }

    qint64 listPainted = -1;
    qint64 windowPainted = -1;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        // The caret blinking in the field the keys go to never settles.
        if (event->type() != QEvent::Paint || !widget || widget->window() != m_window
            || widget->hasFocus())
            return false;
        const bool list = widget == m_list;
        QMetaObject::invokeMethod(
            this,
            [this, list] {
                const qint64 now = m_clock.elapsed();
                windowPainted = now;
                if (list)
                    listPainted = now;
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    QWidget* m_window;
    QWidget* m_list;
    const QElapsedTimer& m_clock;
};

struct Session {
    QTemporaryDir runtime;
    std::unique_ptr<BXApplicationRuntime> application;
    BXMainWindowController* window = nullptr;

    // Launches on `path` as main() does, until the window is active with its list filled.
    bool launch(const QString& path)
    {
        qputenv(BXDocumentController::kSkipLocationCheckVariable, "1");
        QFile::setPermissions(runtime.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        BXApplicationRuntime::configureApplication();
        platform::UserDefaults::standard().setBool(AutoCheckForUpdates, false);
        application = std::make_unique<BXApplicationRuntime>(
            platform::UserDefaults::standard(), runtime.path());
        if (application->launch({ path }, QCoreApplication::applicationFilePath()))
            return false;
        const auto shown = [this] {
            const QList<platform::Document*> documents = application->controller().documents();
            window = documents.isEmpty() ? nullptr
                                         : qobject_cast<BXMainWindowController*>(
                                             documents.first()->windowControllers().value(0));
            return window && window->preferencesInited() && window->mainWindow()->isVisible()
                && window->notesController()->arrangedObjects().size() > 0;
        };
        if (!QTest::qWaitFor(shown, 60000))
            return false;
        QWidget* main = window->mainWindow();
        main->activateWindow();
        return QTest::qWaitForWindowActive(main, 5000);
    }

    // Waits until the application has nothing left to do for a moment.
    static void settle()
    {
        QTest::qWait(int(kQuietMs));
        QCoreApplication::processEvents();
    }

    ~Session()
    {
        if (!application)
            return;
        for (platform::Document* document : application->controller().documents())
            document->close();
        QCoreApplication::processEvents();
        application.reset();
    }
};

// One key into the search field as the window system delivers it; the milliseconds until the
// notes list is painted with the search for the field's new text done.
qint64 keyToListDrawn(Session& session, int key, const QString& text, qint64* settledMs = nullptr)
{
    QElapsedTimer clock;
    BXMainWindowController* window = session.window;
    PaintWatch watch(window->mainWindow(), window->notesTableView()->viewport(), clock);
    clock.start();
    QWindow* handle = window->mainWindow()->windowHandle();
    qt_handleKeyEvent(handle, QEvent::KeyPress, key, Qt::NoModifier, text);
    qt_handleKeyEvent(handle, QEvent::KeyRelease, key, Qt::NoModifier, text);
    const QString typed = window->search()->searchField()->text();
    const auto done = [&] {
        return window->search()->searchString() == typed && !window->search()->searchInProgress();
    };
    // The list painted after the search was done, at the earliest; a search that leaves the
    // list's rows as they were paints nothing, and the list is final once it is done.
    qint64 searched = -1;
    while (searched < 0 || watch.listPainted < searched) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (searched < 0 && done())
            searched = clock.elapsed();
        if (searched >= 0 && watch.listPainted < searched
            && clock.elapsed() - searched > kUnpaintedMs)
            break;
        if (clock.elapsed() > 60000)
            return -1;
    }
    const qint64 drawn = std::max(watch.listPainted, searched);
    if (settledMs) {
        const auto settled = [&] {
            return !window->isSearchScopeBarHidden() == !typed.isEmpty()
                && !window->searchScopeBarController()->scopeBarAnimating()
                && clock.elapsed() - watch.windowPainted >= kQuietMs;
        };
        while (!settled() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        *settledMs = watch.windowPainted;
    }
    return drawn;
}

[[maybe_unused]] const bool kWindowSearch
    = ColdRun::add(QStringLiteral("search-window"), [](const QStringList& arguments) {
          const Figure figure = Figure(arguments.value(1).toInt());
          const bool expression = arguments.value(2) == QLatin1String("expression");
          const QString text = arguments.value(3);
          Session session;
          QElapsedTimer opening;
          opening.start();
          if (!session.launch(arguments.value(0)))
              return std::optional<ColdRun::Measure>();
          const double openSeconds = double(opening.nsecsElapsed()) / 1e9;
          BXMainWindowController* window = session.window;
          Session::settle();
          const qint64 idle = ResidentMemory::bytes();
          if (figure == kIdleAfterOpening) {
              return std::optional(ColdRun::Measure { openSeconds, idle,
                  double(window->notesController()->arrangedObjects().size()),
                  ResidentMemory::peakBytes() });
          }
          window->search()->changeSearchMode(expression ? BXMainWindowSearch::kRegularExpressionMode
                                                        : BXMainWindowSearch::kWordsMode);
          // The field takes the keys as a click into it gives them, after one into the note;
          // or as the window opened with them.
          BXSearchField* field = window->search()->searchField();
          if (figure != kFirstKeyAtLaunch) {
              QWidget* note = window->noteTextView()->viewport();
              QTest::mouseClick(note, Qt::LeftButton, {}, note->rect().center());
              if (!QTest::qWaitFor([field] { return !field->hasFocus(); }, 5000))
                  return std::optional<ColdRun::Measure>();
              QTest::mouseClick(field, Qt::LeftButton);
          }
          if (!QTest::qWaitFor([field] { return field->hasFocus(); }, 5000))
              return std::optional<ColdRun::Measure>();
          // The hand goes from the mouse to the keys.
          Session::settle();

          qint64 settled = -1;
          const qint64 first = keyToListDrawn(session, text.at(0).toUpper().unicode(), text.left(1),
              figure == kFirstKeySettled ? &settled : nullptr);
          Session::settle();
          std::vector<qint64> further;
          for (qsizetype i = 1; i < text.size(); ++i) {
              further.push_back(
                  keyToListDrawn(session, text.at(i).toUpper().unicode(), text.mid(i, 1)));
              Session::settle();
          }
          const qint64 searchShown = ResidentMemory::bytes();
          const double listed = double(window->notesController()->arrangedObjects().size());
          const qint64 cleared = keyToListDrawn(session, Qt::Key_Escape, QString());
          if (first < 0 || cleared < 0 || further.empty()
              || std::find(further.cbegin(), further.cend(), -1) != further.cend()
              || window->search()->searchString() != QString())
              return std::optional<ColdRun::Measure>();
          std::sort(further.begin(), further.end());
          const qint64 milliseconds[]
              = { first, further.at(further.size() / 2), cleared, settled, 0, first };
          return std::optional(ColdRun::Measure { double(milliseconds[figure]) / 1e3,
              searchShown - idle, listed, ResidentMemory::peakBytes() });
      });

// The arguments: the number of notes, the figure, 0 words or 1 a regular expression. "notes" is
// what the search listed, "resident_MB" what the process grew by from idle after opening to the
// search shown (for kIdleAfterOpening the whole process idle after opening).
void BM_SearchInWindow(benchmark::State& state)
{
    const bool expression = state.range(2) == 1;
    ColdRun::iterate(state, QStringLiteral("search-window"),
        { searchNotesFile(int(state.range(0))).toLocalFile(), QString::number(state.range(1)),
            expression ? QStringLiteral("expression") : QStringLiteral("words"),
            expression ? QStringLiteral("gar.en") : QStringLiteral("garden") });
}

} // namespace

BENCHMARK(BM_SearchInWindow)
    ->ArgNames({ "notes", "figure", "expression" })
    ->ArgsProduct(
        { { 10000, 50000 }, { kFirstKey, kFurtherKeys, kClearing, kFirstKeySettled }, { 0, 1 } })
    ->Args({ 10000, kFirstKeyAtLaunch, 0 })
    ->Args({ 10000, kIdleAfterOpening, 0 })
    ->Args({ 50000, kIdleAfterOpening, 0 })
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
