// The info panel's description of one note of about 100 KB: while the panel shows it is
// rebuilt after every pause in typing, so it must stay well under the 10 ms target.

#include "document/model/BXNote.h"
#include "document/BXNoteInfo.h"
#include "document/BXWrappedPersistentDocument.h"

#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QTextDocument>

namespace {

void BM_NoteInfo100KB(benchmark::State& state)
{
    BXWrappedPersistentDocument document;
    const BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    QString body;
    for (int paragraph = 0; body.size() < 100 * 1024; ++paragraph)
        body += QStringLiteral(
            "Paragraph %1 holds a dozen words of ordinary prose, and a few more.\n")
                    .arg(paragraph);
    std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
    text->setPlainText(body);
    note->setAttributedString(*text);
    note->textStorage();
    const QList<platform::ManagedObjectPtr> notes { note };
    for (auto _ : state)
        benchmark::DoNotOptimize(BXNoteInfo::forNotes(notes));
}

} // namespace

BENCHMARK(BM_NoteInfo100KB)->Unit(benchmark::kMillisecond);
