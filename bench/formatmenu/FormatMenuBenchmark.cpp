// The Format menu and the ruler over a 100 KB note: one validation pass over every item of the
// menu and its submenus, as opening them does, and a caret move with the ruler following it.
#include "mainwindow/editor/BXFormatMenu.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/appkit/RulerView.h"
#include "platform/text/AttributedText.h"

#include "support/BenchTextViewDelegate.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

std::unique_ptr<QTextDocument> hundredKilobyteNote()
{
    auto doc = platform::AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    const QString paragraph = QStringLiteral(
        "Notes from the meeting about the garden: the fence needs paint, the tulips need "
        "planting and somebody should look at the gate before the winter comes.\n");
    while (doc->characterCount() < 100 * 1024)
        cursor.insertText(paragraph);
    return doc;
}

// A window with a note text view over a 100 KB note, focused, with its ruler shown.
struct Window {
    Window() : storage(hundredKilobyteNote())
    {
        window.resize(800, 600);
        auto* layout = new QVBoxLayout(&window);
        view = new BXTextView(&window);
        layout->addWidget(view);
        view->setDelegate(&delegate);
        view->setTextStorage(storage.get());
        view->setRulerVisible(true);
        window.show();
        QApplication::setActiveWindow(&window);
        view->setFocus();
        for (int i = 0; i < 50; ++i)
            QApplication::processEvents();
    }

    std::unique_ptr<QTextDocument> storage;
    BenchTextViewDelegate delegate;
    QWidget window;
    BXTextView* view = nullptr;
};

void validate(QMenu* menu)
{
    emit menu->aboutToShow();
    for (QAction* action : menu->actions()) {
        if (action->menu())
            validate(action->menu());
    }
}

void BM_FormatMenuValidationPass(benchmark::State& state)
{
    Window shown;
    BXFormatMenu format(&shown.window);
    QMenu* menu = format.formatPopupMenuIfNeeded();
    shown.view->setSelectedRange({ 5000, 20 });
    for (auto _ : state)
        validate(menu);
}

void BM_CaretMoveWithRulerIn100KBNote(benchmark::State& state)
{
    Window shown;
    int position = 100;
    for (auto _ : state) {
        position = position == 100 ? 2000 : 100;
        shown.view->setSelectedRange({ position, 0 });
        QApplication::processEvents();
    }
    state.counters["tab stops"] = double(shown.view->rulerView()->shownStyle().tabStops.size());
}

} // namespace

BENCHMARK(BM_FormatMenuValidationPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaretMoveWithRulerIn100KBNote)->Unit(benchmark::kMillisecond);
