// One note in two windows: a keystroke in a 100 KB note shown by the main window and a note
// window (both views updated, marked and the note written back; goal under 5 ms), and opening
// a note window on a 100 KB note.

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QTextDocument>

using platform::AttributedText;

namespace {

QString hundredKilobytes()
{
    QString text = QStringLiteral("Hundred kilobytes\n");
    for (int paragraph = 0; text.size() < 100 * 1024; ++paragraph)
        text += QStringLiteral("Notes from the meeting about #projects/garden%1: the fence needs "
                               "paint, the tulips need planting and somebody should look at the "
                               "gate before the winter comes.\n")
                    .arg(paragraph);
    return text;
}

struct Windows {
    platform::FakeScheduler scheduler;
    BXDocument document;
    QPointer<BXMainWindowController> controller;
    std::shared_ptr<BXNote> note;

    Windows()
    {
        BXDocument::setNoteWindowControllerFactory([](BXDocument&, const BXNote::NotePtr& shown) {
            return BXNoteWindowController::initWithNote(shown);
        });
        note = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
        std::unique_ptr<QTextDocument> text = AttributedText::makeDocument();
        text->setPlainText(hundredKilobytes());
        note->setAttributedString(*text);
        note->setTrashFlag(false);
        controller = new BXMainWindowController;
        document.addWindowController(controller);
        controller->windowDidLoad();
        controller->mainWindow()->show();
        controller->notesController()->setSelectedObjects({ note });
        settle(1);
    }

    ~Windows()
    {
        BXDocument::setNoteWindowControllerFactory({});
        delete controller.data();
    }

    void settle(double seconds)
    {
        scheduler.advance(seconds);
        scheduler.runUntilIdle();
        QApplication::processEvents();
    }

    BXNoteWindowController* openNoteWindow()
    {
        auto* window = dynamic_cast<BXNoteWindowController*>(document.openNoteWindow(note));
        if (window)
            window->showWindow();
        return window;
    }
};

void BM_KeystrokeIn100KBNoteShownInTwoWindows(benchmark::State& state)
{
    Windows windows;
    BXNoteWindowController* window = windows.openNoteWindow();
    windows.settle(10);
    BXTextView* view = window->noteTextView();
    QApplication::setActiveWindow(window->noteWindow());
    view->setFocus();
    view->setSelectedRange({ 5000, 0 });
    int typed = 0;
    for (auto _ : state) {
        const bool space = ++typed % 8 == 0;
        QKeyEvent key(QEvent::KeyPress, space ? Qt::Key_Space : Qt::Key_A, Qt::NoModifier,
            space ? QStringLiteral(" ") : QStringLiteral("a"));
        QApplication::sendEvent(view, &key);
        windows.scheduler.runUntilIdle();
        QApplication::processEvents();
    }
    const qsizetype length = AttributedText::length(*view->mirror());
    if (windows.note->noteText().size() != length
        || AttributedText::length(*windows.controller->noteTextView()->mirror()) != length)
        state.SkipWithError("the typing did not reach the note and the main window");
}

void BM_OpenNoteWindowOn100KBNote(benchmark::State& state)
{
    Windows windows;
    for (auto _ : state) {
        BXNoteWindowController* window = windows.openNoteWindow();
        window->noteTextView()->viewport()->repaint();
        state.PauseTiming();
        window->noteWindow()->close();
        windows.settle(1);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_KeystrokeIn100KBNoteShownInTwoWindows)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_OpenNoteWindowOn100KBNote)->Unit(benchmark::kMillisecond)->UseRealTime();
