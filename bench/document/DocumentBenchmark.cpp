// A note's rich text being stored (RTF, plain text and title from a 100 KB formatted text),
// and a notes file of 10,000 notes opened up to the point where the list has every note.

#include "document/BXNote.h"
#include "document/BXWrappedPersistentDocument.h"

#include "platform/predicate/SortDescriptor.h"
#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

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

void BM_OpenTenThousandNoteFileForTheList(benchmark::State& state)
{
    const QUrl url = tenThousandNotes();
    for (auto _ : state) {
        BXWrappedPersistentDocument document;
        if (!document.initWithContentsOfURL(
                url, BXWrappedPersistentDocument::NotesDocumentType, nullptr)) {
            state.SkipWithError("open failed");
            break;
        }
        platform::FetchRequest request(BXNote::entityName());
        request.setPropertiesToFetch({ QStringLiteral("noteTitle"), QStringLiteral("noteCreated"),
            QStringLiteral("noteModified"), QStringLiteral("trashFlag") });
        const auto notes = document.managedObjectContext()->fetchObjects(request, nullptr);
        if (!notes || notes->size() != kNotes) {
            state.SkipWithError("wrong count");
            break;
        }
        for (const platform::ManagedObjectPtr& note : *notes)
            benchmark::DoNotOptimize(note->valueForKey(QStringLiteral("noteTitle")));
        document.close();
    }
}
BENCHMARK(BM_OpenTenThousandNoteFileForTheList)->Unit(benchmark::kMillisecond);

} // namespace
