// Lists of 5,000, 10,000 and 20,000 items through the list conversion every office, HTML and
// Markdown reader and writer shares (both ways), through the DOC and OpenDocument writers, the
// HTML reader and the Markdown import; and pages of about 1 MB of repeated table cells or
// paragraphs through the HTML reader. Each row's time should grow with its size, not with its
// square.
#include "document/transfer/MarkdownImporter.h"
#include "platform/text/AttributedText.h"
#include "platform/text/ConversionDocument.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/TextFormatRegistry.h"
#include "platform/text/TextListConversion.h"
#include "platform/text/TextListMarkers.h"

#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace platform;

namespace {

// A note of `items` numbered items, as typed ones are kept.
const QTextDocument& numberedNote(int items)
{
    static std::map<int, std::unique_ptr<QTextDocument>> notes;
    auto& doc = notes[items];
    if (!doc) {
        doc = AttributedText::makeDocument();
        QTextCursor cursor(doc.get());
        for (int item = 0; item < items; ++item) {
            if (item > 0)
                cursor.insertBlock();
            cursor.insertText(QStringLiteral("item %1 of the list").arg(item));
        }
        TextListMarkers::apply(*doc, 0, doc->characterCount() - 1, QTextListFormat::ListDecimal);
    }
    return *doc;
}

void setRange(benchmark::internal::Benchmark* rows)
{
    for (int items : { 5000, 10000, 20000 })
        rows->Arg(items);
}

void ListsToQt(benchmark::State& state)
{
    const QTextDocument& note = numberedNote(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TextListConversion::toQtLists(note));
    state.SetComplexityN(state.range(0));
}

void ListsFromQt(benchmark::State& state)
{
    const auto lists = TextListConversion::toQtLists(numberedNote(int(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        // As a reader hands it over: its lists untracked.
        const auto copy = ConversionDocument::copyOf(*lists);
        state.ResumeTiming();
        TextListConversion::fromQtLists(*copy);
    }
    state.SetComplexityN(state.range(0));
}

void writeList(benchmark::State& state, const char* type)
{
    const TextFormat format = *TextFormatRegistry::formatForType(QString::fromLatin1(type));
    const QTextDocument& note = numberedNote(int(state.range(0)));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("list.") + format.extensions.first());
    for (auto _ : state) {
        if (!format.write(note, {}, path, nullptr))
            state.SkipWithError("write failed");
    }
    state.SetComplexityN(state.range(0));
}

void DocWriteList(benchmark::State& state)
{
    writeList(state, "com.microsoft.word.doc");
}

void OdtWriteList(benchmark::State& state)
{
    writeList(state, "org.oasis-open.opendocument.text");
}

void readPage(benchmark::State& state, const QByteArray& page)
{
    for (auto _ : state) {
        if (!HtmlReader::read(page, {}))
            state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(state.iterations() * page.size());
    state.SetComplexityN(page.size());
}

void HtmlReadList(benchmark::State& state)
{
    QByteArray page = "<ol>";
    for (int item = 0; item < state.range(0); ++item)
        page += "<li>item " + QByteArray::number(item) + "</li>";
    readPage(state, page + "</ol>");
}

void MarkdownReadList(benchmark::State& state)
{
    QString markdown;
    for (int item = 0; item < state.range(0); ++item)
        markdown += QStringLiteral("%1. item\n").arg(item + 1);
    for (auto _ : state) {
        if (!MarkdownImporter::attributedStringFromMarkdown(markdown, QFont()))
            state.SkipWithError("read failed");
    }
    state.SetComplexityN(state.range(0));
}

// Cells without their closing tags, as a fuzzer wrote them.
void HtmlReadTableCells(benchmark::State& state)
{
    readPage(state, "<table>" + QByteArray("<tr><td>a<td>b").repeated(int(state.range(0))));
}

void HtmlReadParagraphs(benchmark::State& state)
{
    readPage(state, QByteArray("<p>a paragraph").repeated(int(state.range(0))));
}

} // namespace

BENCHMARK(ListsToQt)->Apply(setRange)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(ListsFromQt)->Apply(setRange)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(DocWriteList)->Apply(setRange)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(OdtWriteList)->Apply(setRange)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(HtmlReadList)->Apply(setRange)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(MarkdownReadList)->Apply(setRange)->Unit(benchmark::kMillisecond)->Complexity();
// About 250 KB, 500 KB and 1 MB of markup.
BENCHMARK(HtmlReadTableCells)
    ->Arg(18000)
    ->Arg(36000)
    ->Arg(72000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(HtmlReadParagraphs)
    ->Arg(18000)
    ->Arg(36000)
    ->Arg(72000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
