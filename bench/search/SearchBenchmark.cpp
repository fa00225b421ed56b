// The main window's search over notes files of 10,000 and 50,000 notes of about 2 KB in several
// scripts (accented Latin, Greek, Cyrillic, Japanese): one keystroke of search-as-you-type, from
// the key event in the search field to the filtered list painted, by words (Latin, and mixing
// scripts) and by a regular expression, beside SQLite's own LIKE over the same file as the
// reference; a Find Next that walks every listed note before it wraps inside the shown one; and
// the resident memory of the window with its list filtered by words or by a regular expression,
// and once the field is cleared, above an empty window.

#include "search/SearchNotesFiles.h"
#include "support/ColdRun.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"

#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/CompressedBytes.h"
#include "platform/foundation/Dispatch.h"
#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/StringFolding.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"

#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kNotes = 10000;
constexpr int kManyNotes = 50000;

[[maybe_unused]] const bool kFactory = [] {
    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    return true;
}();

// A document open in its main window, shown, with its state loaded.
struct OpenWindow {
    std::unique_ptr<BXDocument> document = std::make_unique<BXDocument>();
    QPointer<BXMainWindowController> controller;

    bool open(const QUrl& url, platform::FakeScheduler& scheduler)
    {
        if (!document->initWithContentsOfURL(url, BXDocument::NotesDocumentType, nullptr))
            return false;
        document->makeWindowControllers();
        controller = dynamic_cast<BXMainWindowController*>(document->windowControllers().value(0));
        if (!controller)
            return false;
        controller->showWindow();
        QApplication::processEvents();
        scheduler.advance(1);
        QApplication::processEvents();
        return controller->preferencesInited();
    }

    BXMainWindowSearch* search() const { return controller->search(); }
    qsizetype listed() const { return controller->notesController()->arrangedObjects().size(); }

    ~OpenWindow()
    {
        // The window keeps its search in the file; the next benchmark starts without one.
        if (controller) {
            controller->search()->setSearchMode(BXMainWindowSearch::kWordsMode);
            controller->search()->resetSearchIgnoringString(false);
        }
        document->close();
        document.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

void sendKey(QWidget* target, Qt::Key key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// Opens the notes file of the benchmark's size and puts the focus in its search field; null,
// with the benchmark skipped, when the file does not open.
BXSearchField* openWithFocusedSearch(
    benchmark::State& state, OpenWindow& window, platform::FakeScheduler& scheduler)
{
    if (!window.open(searchNotesFile(int(state.range(0))), scheduler)) {
        state.SkipWithError("the notes file does not open");
        return nullptr;
    }
    BXSearchField* field = window.search()->searchField();
    QApplication::setActiveWindow(window.controller->mainWindow());
    field->setFocus();
    return field;
}

// Types `text` one key at a time and erases it again back to its first character, over and
// over: each iteration is one key from the second on, until the list it filters is painted.
// The first key (which reads the notes' texts from the store) and the notes shown meanwhile
// change off the clock.
// The benchmark's argument is the number of notes.
void typeAndErase(benchmark::State& state, int mode, const QString& text)
{
    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    OpenWindow window;
    BXSearchField* field = openWithFocusedSearch(state, window, scheduler);
    if (!field)
        return;
    window.search()->changeSearchMode(mode);
    QWidget* list = window.controller->notesTableView()->viewport();
    field->setText(text.left(1));
    scheduler.advance(1);
    qsizetype typed = 1;
    bool erasing = false;
    qsizetype fewest = state.range(0);
    for (auto _ : state) {
        if (erasing)
            sendKey(field, Qt::Key_Backspace, QString());
        else
            sendKey(field, Qt::Key_unknown, text.at(typed));
        typed += erasing ? -1 : 1;
        list->repaint();
        state.PauseTiming();
        fewest = std::min(fewest, window.listed());
        if (typed == text.size() || typed == 1)
            erasing = typed != 1;
        scheduler.advance(0.5);
        state.ResumeTiming();
    }
    if (input.beepCount() > 0)
        state.SkipWithError("a search was refused");
    state.counters["fewest_listed"] = double(fewest);
}

void BM_KeystrokeSearchWords(benchmark::State& state)
{
    typeAndErase(state, BXMainWindowSearch::kWordsMode, QStringLiteral("Élan café"));
}

void BM_KeystrokeSearchMixedScripts(benchmark::State& state)
{
    typeAndErase(state, BXMainWindowSearch::kWordsMode, QStringLiteral("θάλασσα река"));
}

void BM_KeystrokeSearchRegularExpression(benchmark::State& state)
{
    typeAndErase(
        state, BXMainWindowSearch::kRegularExpressionMode, QStringLiteral("ri.er|l.ntern"));
}

// A word typed into the field from empty at 40 ms a key with the event loop running, each key
// posted when its time comes as the window system would queue it: how long after the last key
// the list is final (filtered by the whole word). The field is cleared between iterations, off
// the clock. The benchmark's argument is the number of notes.
void BM_TypingAtFortyMsPerKey(benchmark::State& state)
{
    constexpr int kInterval = 40;
    const QString word = QStringLiteral("lantern");
    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    OpenWindow window;
    BXSearchField* field = openWithFocusedSearch(state, window, scheduler);
    if (!field)
        return;
    const auto listFinal = [&] {
        return window.search()->searchString() == word && !window.search()->searchInProgress();
    };
    for (auto _ : state) {
        field->clear();
        scheduler.advance(1);
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        qsizetype posted = 0;
        const qint64 lastKeyDue = qint64(word.size() - 1) * kInterval;
        while (posted < word.size() || !listFinal()) {
            for (; posted < word.size() && clock.elapsed() >= posted * kInterval; ++posted) {
                const QString key = word.at(posted);
                QApplication::postEvent(
                    field, new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key));
                QApplication::postEvent(
                    field, new QKeyEvent(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, key));
            }
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        window.controller->notesTableView()->viewport()->repaint();
        state.SetIterationTime(
            std::max(0.0, double(clock.nsecsElapsed()) / 1e9 - double(lastKeyDue) / 1e3));
    }
    state.counters["listed"] = double(window.listed());
}

// The reference: SQLite's LIKE over the same notes file, one query per key of the same words,
// which neither folds diacritics nor anything beyond ASCII's case.
void BM_RawSqlLike(benchmark::State& state, const QString& text)
{
    sqlite3* db = nullptr;
    const QString store = searchNotesFile(int(state.range(0))).toLocalFile()
        + QStringLiteral("/StoreContent/persistentStore");
    if (sqlite3_open_v2(store.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK) {
        state.SkipWithError("the notes file does not open");
        sqlite3_close(db);
        return;
    }
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db,
        "SELECT Z_PK FROM ZNOTE WHERE ZTRASHFLAG = 0 AND (ZNOTETEXT LIKE ?1 OR ZNOTENAME LIKE ?1)",
        -1, &query, nullptr);
    qsizetype typed = 1;
    qsizetype fewest = state.range(0);
    for (auto _ : state) {
        const QByteArray pattern = "%" + text.left(typed).toUtf8() + "%";
        sqlite3_bind_text(query, 1, pattern.constData(), int(pattern.size()), SQLITE_TRANSIENT);
        qsizetype rows = 0;
        while (sqlite3_step(query) == SQLITE_ROW)
            ++rows;
        sqlite3_reset(query);
        fewest = std::min(fewest, rows);
        typed = typed % text.size() + 1;
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    state.counters["fewest_listed"] = double(fewest);
}

// Find Next after the only match: every other note is searched, then the shown note again.
void BM_FindNextThroughAllNotes(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    OpenWindow window;
    if (!window.open(searchNotesFile(kNotes), scheduler)) {
        state.SkipWithError("the notes file does not open");
        return;
    }
    const int mode = int(state.range(0));
    const QString pattern
        = mode == BXMainWindowSearch::kWordsMode ? kRareWord : QStringLiteral("quok+a");
    BXMainWindowSearch* search = window.search();
    search->setSearchMode(mode);
    search->setSearchString(pattern);
    BXNotesArrayController* notes = window.controller->notesController();
    // Shown anew, as a click in the list shows it.
    for (const int row : { 1, 0 }) {
        notes->setSelectionIndex(row);
        scheduler.advance(1);
        QApplication::processEvents();
    }
    const std::shared_ptr<BXNote> first = window.controller->selectedNote();
    BXTextView* view = window.controller->noteTextView();
    if (!first || !first->noteText().contains(kRareWord)
        || !view->setSelectedRange({ first->noteText().size(), 0 })) {
        state.SkipWithError("the first note is not shown with the word");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        view->setSelectedRange({ first->noteText().size(), 0 });
        state.ResumeTiming();
        const bool found = search->findStringInNotes(pattern, false, false, true, true, false);
        if (!found || window.controller->selectedNote() != first) {
            state.SkipWithError("the walk did not come back to the first note");
            return;
        }
    }
    state.counters["notes"] = double(window.listed());
}

[[maybe_unused]] const bool kFilteredMemory
    = ColdRun::add(QStringLiteral("search-filtered-memory"), [](const QStringList& arguments) {
          platform::FakeScheduler scheduler;
          platform::FakeUserInput input;
          OpenWindow empty;
          if (!empty.open(QUrl::fromLocalFile(arguments.value(1)), scheduler))
              return std::optional<ColdRun::Measure>();
          const ColdRun::Meter meter;
          OpenWindow window;
          if (!window.open(QUrl::fromLocalFile(arguments.value(0)), scheduler))
              return std::optional<ColdRun::Measure>();
          window.search()->changeSearchMode(arguments.value(4).toInt());
          // Typed a key at a time, as the user searches.
          const QString text = arguments.value(2);
          for (qsizetype typed = 1; typed <= text.size(); ++typed) {
              window.search()->searchField()->setText(text.left(typed));
              scheduler.advance(0.1);
              QApplication::processEvents();
          }
          if (arguments.value(3) == QLatin1String("cleared")) {
              window.search()->searchField()->clear();
              scheduler.advance(1);
              QApplication::processEvents();
          }
          if (input.beepCount() > 0)
              return std::optional<ColdRun::Measure>();
          return std::optional(meter.stop(double(window.listed())));
      });

// The window over the notes (the first argument), above an already open empty window: 0
// unfiltered for comparison (its time is the time to a usable window, its peak_MB the peak
// of opening it), 1 with its list filtered by a word most notes hold, 2 filtered and then
// cleared, 3 and 4 the same by a regular expression.
void BM_ResidentMemory(benchmark::State& state)
{
    const qint64 row = state.range(1);
    const bool regex = row >= 3;
    ColdRun::iterate(state, QStringLiteral("search-filtered-memory"),
        { searchNotesFile(int(state.range(0))).toLocalFile(), emptyNotesFile().toLocalFile(),
            row == 0    ? QString()
                : regex ? QStringLiteral("gar.en")
                        : QStringLiteral("garden"),
            row == 2 || row == 4 ? QStringLiteral("cleared") : QString(),
            QString::number(regex ? BXMainWindowSearch::kRegularExpressionMode
                                  : BXMainWindowSearch::kWordsMode) });
}

// What a search could keep of each note while it is shown, measured apart from the window on the
// notes of the files above (the argument pairs: the representation, the number of notes). Each
// iteration is one key: every note searched for "Élan café" (about half the notes hold it), or
// by the regular expression "ri.er|l.ntern", on every thread of the pool where the
// representation allows. "kept_B_per_note" is what the representation holds per note beyond the
// store:
//   0 words, folded copies: each text folded into UTF-8 and kept, beside the note text itself,
//     which the search reads and holds;
//   1 words, compressed pieces: the folded UTF-8 compressed in pieces of 1 KB, unpacked until the
//     words are found;
//   2 words, the store's folding: nothing kept, the store folds every stored text as it reads it
//     (one query);
//   3 expression, folded copies: each text folded for diacritics and kept as UTF-16 beside the note
//     text;
//   4 expression, compressed UTF-16: that copy compressed, unpacked for each match;
//   5 expression, compressed UTF-8: the folded UTF-8 compressed, unpacked and decoded for each
//     match.
enum Representation {
    kFoldedCopies,
    kCompressedPieces,
    kStoreFolding,
    kExpressionCopies,
    kExpressionCompressedUtf16,
    kExpressionCompressedUtf8,
};

std::string utf8Of(QStringView text)
{
    QStringEncoder encoder(QStringConverter::Utf8);
    std::string bytes(size_t(encoder.requiredSpace(text.size())), '\0');
    bytes.resize(size_t(encoder.appendToBuffer(bytes.data(), text) - bytes.data()));
    return bytes;
}

std::string foldedBytes(const QString& text, int options, bool utf16)
{
    QString buffer;
    const QStringView folded = platform::StringFolding::fold(text, options, buffer);
    return utf16 ? std::string(reinterpret_cast<const char*>(folded.utf16()),
               size_t(folded.size()) * sizeof(char16_t))
                 : utf8Of(folded);
}

void BM_SearchRepresentation(benchmark::State& state)
{
    using platform::ComparisonPredicate;
    const auto representation = Representation(state.range(0));
    const int count = int(state.range(1));
    const bool expression = representation >= kExpressionCopies;
    const int options = expression
        ? ComparisonPredicate::DiacriticInsensitive
        : ComparisonPredicate::CaseInsensitive | ComparisonPredicate::DiacriticInsensitive;
    const QString words = QStringLiteral("Élan café");
    const std::string part = foldedBytes(words, options, false);
    const platform::PredicateRef matching = platform::Predicate::predicateWithFormat(
        QStringLiteral("SELF MATCHES[cd] %@"), { QStringLiteral("(?s:.*)(ri.er|l.ntern)(?s:.*)") });
    const auto& comparison = static_cast<const ComparisonPredicate&>(*matching);

    // The notes' texts, as the files hold them.
    QRandomGenerator random(7);
    std::vector<QString> texts;
    std::vector<std::string> copies;
    std::vector<platform::CompressedBytes> packed;
    double kept = 0;
    for (int i = 0; i < count; ++i) {
        texts.push_back(searchNoteText(i, random));
        const bool utf16
            = representation == kExpressionCopies || representation == kExpressionCompressedUtf16;
        std::string folded = foldedBytes(texts.back(), options, utf16);
        if (representation == kFoldedCopies || representation == kExpressionCopies) {
            kept += double(folded.size()) + double(texts.back().size()) * 2;
            copies.push_back(std::move(folded));
        } else if (representation != kStoreFolding) {
            packed.emplace_back(folded);
            kept += double(packed.back().byteSize());
        }
    }
    if (representation != kFoldedCopies && representation != kExpressionCopies)
        texts.clear();

    std::unique_ptr<BXDocument> document;
    platform::FetchRequest request(BXNote::entityName());
    if (representation == kStoreFolding) {
        document = std::make_unique<BXDocument>();
        if (!document->initWithContentsOfURL(
                searchNotesFile(count), BXDocument::NotesDocumentType, nullptr)) {
            state.SkipWithError("the notes file does not open");
            return;
        }
        request.setResultType(platform::FetchRequest::ResultType::Count);
        request.setPredicate(platform::Predicate::predicateWithFormat(
            QStringLiteral("noteText CONTAINS[cd] %@ OR noteName CONTAINS[cd] %@"),
            { words, words }));
    }
    const auto occurs = [&](std::string_view text) {
        return memmem(text.data(), text.size(), part.data(), part.size()) != nullptr;
    };
    const auto matches
        = [&](QStringView subject) { return comparison.matchesFoldedSubject(subject, nullptr); };
    const auto utf16 = [](std::string_view bytes) {
        return QStringView(
            reinterpret_cast<const char16_t*>(bytes.data()), qsizetype(bytes.size() / 2));
    };
    std::atomic<int> found = 0;
    const auto searchNote = [&](size_t i) {
        thread_local std::string buffer;
        thread_local QString decoded;
        bool match = false;
        switch (representation) {
        case kFoldedCopies:
            match = occurs(copies[i]);
            break;
        case kCompressedPieces:
            match = packed[i].unpackUntil(
                buffer, [&](std::string_view unpacked) { return occurs(unpacked); });
            break;
        case kExpressionCopies:
            match = matches(utf16(copies[i]));
            break;
        case kExpressionCompressedUtf16:
            match = matches(utf16(packed[i].unpack(buffer)));
            break;
        case kExpressionCompressedUtf8: {
            const std::string_view bytes = packed[i].unpack(buffer);
            decoded = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
            match = matches(decoded);
            break;
        }
        case kStoreFolding:
            break;
        }
        found += match;
    };
    for (auto _ : state) {
        found = 0;
        if (representation == kStoreFolding) {
            found = int(document->managedObjectContext()->countForFetchRequest(request, nullptr));
            continue;
        }
        constexpr qsizetype kRun = 64;
        platform::dispatchApply((count + kRun - 1) / kRun, [&](qsizetype run) {
            for (qsizetype i = run * kRun; i < std::min(qsizetype(count), (run + 1) * kRun); ++i)
                searchNote(size_t(i));
        });
    }
    if (document)
        document->close();
    state.counters["found"] = double(found);
    state.counters["kept_B_per_note"] = kept / count;
}

} // namespace

// The CPU column is the whole process's: the search runs on every thread of the pool.
BENCHMARK(BM_KeystrokeSearchWords)
    ->Arg(kNotes)
    ->Arg(kManyNotes)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_KeystrokeSearchRegularExpression)
    ->Arg(kNotes)
    ->Arg(kManyNotes)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_KeystrokeSearchMixedScripts)
    ->Arg(kNotes)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_TypingAtFortyMsPerKey)
    ->Arg(kNotes)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_RawSqlLike, words, QStringLiteral("Élan café"))
    ->Arg(kNotes)
    ->Arg(kManyNotes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RawSqlLike, mixed_scripts, QStringLiteral("θάλασσα река"))
    ->Arg(kNotes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNextThroughAllNotes)
    ->Arg(BXMainWindowSearch::kWordsMode)
    ->Arg(BXMainWindowSearch::kRegularExpressionMode)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchRepresentation)
    ->ArgsProduct({ { kFoldedCopies, kCompressedPieces, kStoreFolding, kExpressionCopies,
                        kExpressionCompressedUtf16, kExpressionCompressedUtf8 },
        { kNotes, kManyNotes } })
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_ResidentMemory)
    ->ArgsProduct({ { kNotes, kManyNotes }, { 0, 1, 2, 3, 4 } })
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2);
