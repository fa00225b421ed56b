// HTML export of whole notes: our writer against Qt's own toHtml on the same formatted text,
// for notes of 10 KB, 100 KB and 1 MB (runs of bold, italic, colour, headings and lists).
#include "platform/text/HtmlWriter.h"

#include <benchmark/benchmark.h>

#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <memory>

namespace {

std::unique_ptr<QTextDocument> formattedNote(qsizetype characters)
{
    auto doc = std::make_unique<QTextDocument>();
    QTextCursor cursor(doc.get());
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    QTextCharFormat red;
    red.setForeground(QColor(200, 30, 30));
    QTextBlockFormat heading;
    heading.setHeadingLevel(2);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    for (int paragraph = 0; doc->characterCount() < characters; ++paragraph) {
        if (paragraph % 10 == 0) {
            cursor.insertBlock(heading, plain);
            cursor.insertText(QStringLiteral("Section heading"));
            cursor.insertBlock(QTextBlockFormat(), plain);
        } else if (paragraph % 10 == 5) {
            cursor.insertBlock(QTextBlockFormat(), plain);
            cursor.createList(bullets);
            cursor.insertText(QStringLiteral("first item & more"));
            cursor.insertBlock();
            cursor.insertText(QStringLiteral("second <item>"));
            cursor.insertBlock(QTextBlockFormat(), plain);
            cursor.setBlockFormat(QTextBlockFormat());
        }
        cursor.insertText(QStringLiteral("Ordinary words of a sentence in a note, "), plain);
        cursor.insertText(QStringLiteral("some of them bold, "), bold);
        cursor.insertText(QStringLiteral("some italic, "), italic);
        cursor.insertText(QStringLiteral("and a few in red. "), red);
        cursor.insertBlock();
    }
    return doc;
}

void ourWriter(benchmark::State& state)
{
    const auto doc = formattedNote(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::HtmlWriter::write(*doc, {}));
    state.SetBytesProcessed(state.iterations() * doc->characterCount() * 2);
}

void qtToHtml(benchmark::State& state)
{
    const auto doc = formattedNote(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(doc->toHtml().toUtf8());
    state.SetBytesProcessed(state.iterations() * doc->characterCount() * 2);
}

} // namespace

BENCHMARK(ourWriter)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(qtToHtml)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
