// One keystroke in a 100 KB note shown in a note text view: the key event, the copy into the
// note's storage, the undo record, hashtag and spelling marks of the paragraph, and the
// repaint of what it exposes.
#include "mainwindow/BXTextView.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SpellChecker.h"

#include "support/BenchTextViewDelegate.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
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
    view.setSelectedRange({ 5000, 0 });
    int typed = 0;
    for (auto _ : state) {
        const bool space = ++typed % 8 == 0;
        QKeyEvent key(QEvent::KeyPress, space ? Qt::Key_Space : Qt::Key_A, Qt::NoModifier,
            space ? QStringLiteral(" ") : QStringLiteral("a"));
        QApplication::sendEvent(&view, &key);
        QApplication::processEvents();
    }
    state.counters["characters"] = double(storage->characterCount());
}

} // namespace

BENCHMARK(BM_KeystrokeIn100KBNote)->Unit(benchmark::kMicrosecond)->UseRealTime();
