// One keystroke in a 100 KB note shown in a note text view: the key event, the copy into the
// note's storage, the undo record, hashtag and spelling marks of the paragraph, and the
// repaint of what it exposes.
#include "mainwindow/editor/BXTextView.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SpellChecker.h"

#include "support/BenchTextViewDelegate.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace {

std::unique_ptr<QTextDocument> hundredKilobyteNote()
{
    auto doc = platform::AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    const QString paragraph = QStringLiteral(
        "Notes from the meeting about #projects/garden: the fence needs paint, the tulips need "
        "planting and somebody should finaly look at the gate before the winter comes.\n");
    while (doc->characterCount() < 100 * 1024)
        cursor.insertText(paragraph);
    return doc;
}

// The caret either well inside the visible text or on the last visible line, where a line the
// typing adds makes the view scroll.
enum CaretPlace { InsideView, AtBottomEdge };

void BM_KeystrokeIn100KBNote(benchmark::State& state)
{
    auto storage = hundredKilobyteNote();
    platform::SpellChecker speller(QStringLiteral("en_US"));
    BenchTextViewDelegate delegate;
    BXTextView view(nullptr, &speller);
    view.resize(800, 600);
    view.setDelegate(&delegate);
    view.setTextStorage(storage.get());
    view.show();
    QApplication::setActiveWindow(&view);
    view.setFocus();
    // Let the first marking and the spelling of the whole note finish.
    for (int i = 0; i < 200; ++i)
        QApplication::processEvents();
    const bool atBottom = state.range(0) == AtBottomEdge;
    const int position = atBottom ? 5000 : 100;
    view.setSelectedRange({ position, 0 });
    view.scrollRangeToVisible({ position, 0 });
    QApplication::processEvents();
    int typed = 0;
    for (auto _ : state) {
        // At the bottom edge a new paragraph and its removal: every other key scrolls.
        const bool second = ++typed % 2 == 0;
        const int keyCode = atBottom ? (second ? Qt::Key_Backspace : Qt::Key_Return)
                                     : (typed % 8 == 0 ? Qt::Key_Space : Qt::Key_A);
        const QString text = keyCode == Qt::Key_Backspace ? QString()
            : keyCode == Qt::Key_Return                   ? QStringLiteral("\r")
            : keyCode == Qt::Key_Space                    ? QStringLiteral(" ")
                                                          : QStringLiteral("a");
        QKeyEvent key(QEvent::KeyPress, keyCode, Qt::NoModifier, text);
        QApplication::sendEvent(&view, &key);
        QApplication::processEvents();
    }
    state.counters["characters"] = double(storage->characterCount());
    state.counters["scrolled"] = view.verticalScrollBar()->value();
}

// A 100 KB note shown for the first time, with a spelling checker that knows no word yet, until
// every paragraph carries its marks.
void BM_FirstSpellingPassOf100KBNote(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    for (auto _ : state) {
        state.PauseTiming();
        auto storage = hundredKilobyteNote();
        auto speller = std::make_unique<platform::SpellChecker>(QStringLiteral("en_US"));
        BXTextView view(nullptr, speller.get());
        view.resize(800, 600);
        view.show();
        QApplication::processEvents();
        state.ResumeTiming();
        view.setTextStorage(storage.get());
        scheduler.runUntilIdle();
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_KeystrokeIn100KBNote)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->ArgName("atBottomEdge")
    ->Arg(InsideView)
    ->Arg(AtBottomEdge);
BENCHMARK(BM_FirstSpellingPassOf100KBNote)->Unit(benchmark::kMillisecond)->UseRealTime();
