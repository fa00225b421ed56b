// Pictures and printing: a keystroke in a note that holds a 5 MB picture, written back into the
// note as the main window does after every edit; opening the image editor on a 12-megapixel
// picture; printing a 100-page note to a PDF file.
#include "document/model/BXNote.h"
#include "document/BXWrappedPersistentDocument.h"
#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/appkit/PrintJob.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SpellChecker.h"

#include "support/BenchTextViewDelegate.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QKeyEvent>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>

namespace {

using platform::AttributedText;

// Noise hardly compresses: a PNG of at least `megabytes` (opaque pixels keep about 3 bytes).
QByteArray noisePng(int megabytes)
{
    const int side = int(std::sqrt(megabytes * 1024.0 * 1024.0 / 3));
    QImage image(side, side, QImage::Format_ARGB32);
    auto* random = QRandomGenerator::global();
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = random->generate() | 0xff000000u;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return bytes;
}

void BM_KeystrokeInNoteWith5MBPicture(benchmark::State& state)
{
    BXWrappedPersistentDocument document;
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    auto text = AttributedText::makeDocument();
    QTextCursor cursor(text.get());
    cursor.insertText(QStringLiteral("A picture of the garden:\n"));
    const QByteArray picture = noisePng(5);
    AttributedText::insertAttachment(cursor, { picture, QStringLiteral("garden.png"), {} });
    cursor.insertText(QStringLiteral("\nAnd some words after it.\n"));
    note->setAttributedString(*text);

    platform::SpellChecker speller(QStringLiteral("en_US"));
    BenchTextViewDelegate delegate;
    BXTextView view(nullptr, &speller);
    view.resize(800, 600);
    view.setDelegate(&delegate);
    QTextDocument* storage = note->textStorage();
    view.setTextStorage(storage);
    // The main window writes every edit back into the note.
    QObject::connect(&view, &BXTextView::textDidChange, &view, [&] {
        document.undoManager()->disableUndoRegistration();
        note->setAttributedString(*storage);
        document.undoManager()->enableUndoRegistration();
    });
    view.show();
    QApplication::setActiveWindow(&view);
    view.setFocus();
    for (int i = 0; i < 50; ++i)
        QApplication::processEvents();
    view.setSelectedRange({ AttributedText::length(*storage) - 2, 0 });
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&view, &key);
        QApplication::processEvents();
    }
    state.counters["picture_bytes"] = double(picture.size());
}

void BM_OpenEditorOn12MegapixelPicture(benchmark::State& state)
{
    QImage picture(4000, 3000, QImage::Format_ARGB32);
    picture.fill(QColor(90, 160, 220));
    QWidget window;
    window.resize(600, 400);
    window.show();
    for (auto _ : state) {
        auto* editor = new BXImageViewController;
        editor->editImage(picture, QSizeF(400, 300), &window, QRect(10, 10, 40, 30), {});
        QApplication::processEvents();
        state.PauseTiming();
        editor->cancelEdit();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

void BM_Print100PageNoteToPdf(benchmark::State& state)
{
    auto text = AttributedText::makeDocument();
    QTextCursor cursor(text.get());
    const QString paragraph = QStringLiteral(
        "Notes from the meeting about the garden: the fence needs paint, the tulips need "
        "planting and somebody should look at the gate before the winter comes.\n");
    BenchTextViewDelegate delegate;
    auto info = std::make_shared<platform::PrintInfo>();
    QTemporaryDir folder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath(QStringLiteral("note.pdf")));
    printer.setPageLayout(info->pageLayout());
    int pages = 0;
    while (pages < 100) {
        for (int i = 0; i < 200; ++i)
            cursor.insertText(paragraph);
        auto view = BXTextView::makePrintView(*text, &delegate, *info);
        pages = platform::PrintJob(*view, info).pageCount(printer);
    }
    info->setHeaderAndFooter(true);
    const auto view = BXTextView::makePrintView(*text, &delegate, *info);
    for (auto _ : state) {
        platform::PrintJob job(*view, info);
        if (!job.print(printer, nullptr))
            state.SkipWithError("printing failed");
    }
    state.counters["pages"] = pages;
}

} // namespace

BENCHMARK(BM_KeystrokeInNoteWith5MBPicture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenEditorOn12MegapixelPicture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Print100PageNoteToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
