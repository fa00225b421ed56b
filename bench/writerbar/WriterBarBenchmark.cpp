// The main window's writer bar following the caret in a 100 KB note whose runs vary in font,
// size and colour: one arrow-key caret move with the bar reading the attributes back and the
// window painted, and the bar's refresh alone.

#include "support/BenchNotesFile.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXWriterBar.h"

#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;

namespace {

// A note of about 100 KB whose every sentence has a font, size and colour of its own.
std::unique_ptr<QTextDocument> styledNote()
{
    std::unique_ptr<QTextDocument> text = AttributedText::makeDocument();
    QTextCursor cursor(text.get());
    const QStringList families { QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Sans") };
    int sentence = 0;
    cursor.insertText(QStringLiteral("Styled\n"));
    while (text->characterCount() < 100 * 1024) {
        QTextCharFormat format;
        format.setFontFamilies({ families.at(sentence % 2) });
        format.setFontPointSize(11 + sentence % 7);
        format.setForeground(QColor::fromHsv(sentence * 37 % 360, 200, 150));
        cursor.insertText(
            QStringLiteral("The garden fence needs paint before the winter. "), format);
        if (++sentence % 8 == 0)
            cursor.insertText(QStringLiteral("\n"));
    }
    return text;
}

struct Window {
    platform::FakeScheduler scheduler;
    BenchMainWindow opened;
    BXTextView* view = nullptr;

    bool open()
    {
        static const BenchNotesFile file(QStringLiteral("Bench.brindlex"), [](BXDocument& made) {
            BXNote::NotePtr note
                = BXNote::newNoteInManagedObjectContext(made.managedObjectContext(), {}, {});
            note->setAttributedString(*styledNote());
            note->setTrashFlag(false);
        });
        if (!opened.open(file.url))
            return false;
        BXMainWindowController* controller = opened.controller;
        QApplication::setActiveWindow(controller->mainWindow());
        scheduler.advance(1);
        QApplication::processEvents();
        view = controller->noteTextView();
        view->setFocus();
        view->setSelectedRange({ 50000, 0 });
        scheduler.advance(1);
        QApplication::processEvents();
        return AttributedText::length(*view->mirror()) > 100000 && controller->bars()->writerBar();
    }
};

void BM_CaretMoveWithWriterBarIn100KBNote(benchmark::State& state)
{
    Window window;
    if (!window.open()) {
        state.SkipWithError("the note was not shown");
        return;
    }
    int refreshes = 0;
    QObject::connect(window.view, &platform::TextView::selectionChanged, [&] { ++refreshes; });
    int moves = 0;
    for (auto _ : state) {
        // Right and back again, across run boundaries, so the caret stays in one place.
        QKeyEvent key(QEvent::KeyPress, ++moves % 2 ? Qt::Key_Right : Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(window.view, &key);
        // The caret and the bar's controls painted again.
        QApplication::processEvents();
    }
    // Every move must have reached the bar.
    if (refreshes != moves || window.view->selectedRange().location != 50000 + moves % 2)
        state.SkipWithError("the caret did not move");
    state.counters["characters"] = double(AttributedText::length(*window.view->mirror()));
}
BENCHMARK(BM_CaretMoveWithWriterBarIn100KBNote)->Unit(benchmark::kMillisecond);

void BM_WriterBarRefresh(benchmark::State& state)
{
    Window window;
    if (!window.open()) {
        state.SkipWithError("the note was not shown");
        return;
    }
    BXWriterBar* bar = window.opened.controller->bars()->writerBar();
    for (auto _ : state)
        bar->refresh();
}
BENCHMARK(BM_WriterBarRefresh)->Unit(benchmark::kMicrosecond);

} // namespace
