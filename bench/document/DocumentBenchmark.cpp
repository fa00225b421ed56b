// A note's rich text being stored (RTF, plain text and title from a 100 KB formatted text),
// and a notes file of 10,000 notes opened up to the point where the list has every note:
// again and again in this process, and cold, in a fresh process each time (with the growth of
// its resident size).

#include "document/model/BXNote.h"
#include "document/BXWrappedPersistentDocument.h"

#include "platform/predicate/SortDescriptor.h"
#include "platform/text/AttributedText.h"

#include "support/ColdRun.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>

using platform::AttributedText;

namespace {

constexpr int kNotes = 10000;

// About 100 KB of text in paragraphs with bold, italic and coloured runs.
std::unique_ptr<QTextDocument> formattedText()
{
    std::unique_ptr<QTextDocument> text = AttributedText::makeDocument();
    QTextCursor cursor(text.get());
    int paragraph = 0;
    while (text->characterCount() < 100 * 1024) {
        QTextCharFormat plain;
        plain.setFontPointSize(13);
        QTextCharFormat bold = plain;
        bold.setFontWeight(QFont::Bold);
        QTextCharFormat italic = plain;
        italic.setFontItalic(true);
        italic.setForeground(QColor(200, 30, 30));
        cursor.insertText(
            QStringLiteral("Paragraph %1 begins with plain words, ").arg(paragraph), plain);
        cursor.insertText(QStringLiteral("then some bold ones, "), bold);
        cursor.insertText(QStringLiteral("then coloured italics über façade "), italic);
        cursor.insertText(QString(120, QLatin1Char('x')), plain);
        cursor.insertBlock();
        ++paragraph;
    }
    return text;
}

void BM_SetAttributedString100KB(benchmark::State& state)
{
    BXWrappedPersistentDocument document;
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    const std::unique_ptr<QTextDocument> text = formattedText();
    for (auto _ : state)
        note->setAttributedString(*text);
    state.counters["text_units"] = double(AttributedText::length(*text));
    state.counters["rtf_bytes"] = double(note->noteStyles().size());
}
BENCHMARK(BM_SetAttributedString100KB)->Unit(benchmark::kMillisecond);

const QUrl& tenThousandNotes()
{
    static QTemporaryDir folder;
    static const QUrl url = [] {
        const QUrl file = QUrl::fromLocalFile(folder.path() + QStringLiteral("/Many.brindlex"));
        BXWrappedPersistentDocument document;
        for (int i = 0; i < kNotes; ++i) {
            BXNote::NotePtr note
                = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
            note->setNoteStyles(QByteArray(6 * 1024, 'r'));
            note->updateNoteText(QStringLiteral("Note %1\n").arg(i) + QString(2000, 't'));
        }
        document.saveToURL(file, BXWrappedPersistentDocument::NotesDocumentType,
            platform::SaveOperation::SaveAs, [](const platform::Error& error) {
                if (error)
                    qFatal("%s", qPrintable(error.toString()));
            });
        document.close();
        return file;
    }();
    return url;
}

// Opens the document and reads every note's title, as the notes list does; nullopt when the
// file does not open. The document stays open until `whileOpen` has run.
std::optional<qsizetype> openForTheList(
    const QUrl& url, const std::function<void(qsizetype)>& whileOpen = {})
{
    BXWrappedPersistentDocument document;
    if (!document.initWithContentsOfURL(
            url, BXWrappedPersistentDocument::NotesDocumentType, nullptr))
        return std::nullopt;
    platform::FetchRequest request(BXNote::entityName());
    request.setPropertiesToFetch({ QStringLiteral("noteTitle"), QStringLiteral("noteCreated"),
        QStringLiteral("noteModified"), QStringLiteral("trashFlag") });
    const auto notes = document.managedObjectContext()->fetchObjects(request, nullptr);
    if (!notes)
        return std::nullopt;
    for (const platform::ManagedObjectPtr& note : *notes)
        benchmark::DoNotOptimize(note->valueForKey(QStringLiteral("noteTitle")));
    if (whileOpen)
        whileOpen(notes->size());
    document.close();
    return notes->size();
}

void BM_OpenTenThousandNoteFileForTheList(benchmark::State& state)
{
    const QUrl url = tenThousandNotes();
    for (auto _ : state) {
        if (openForTheList(url) != kNotes) {
            state.SkipWithError("open failed or wrong count");
            break;
        }
    }
}
BENCHMARK(BM_OpenTenThousandNoteFileForTheList)->Unit(benchmark::kMillisecond);

[[maybe_unused]] const bool kColdList
    = ColdRun::add(QStringLiteral("document-list"), [](const QStringList& arguments) {
          const ColdRun::Meter meter;
          std::optional<ColdRun::Measure> measure;
          openForTheList(QUrl::fromLocalFile(arguments.value(0)),
              [&](qsizetype count) { measure = meter.stop(double(count)); });
          return measure;
      });

void BM_OpenTenThousandNoteFileForTheList_Cold(benchmark::State& state)
{
    ColdRun::iterate(
        state, QStringLiteral("document-list"), { tenThousandNotes().toLocalFile() }, kNotes);
}
BENCHMARK(BM_OpenTenThousandNoteFileForTheList_Cold)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

} // namespace
