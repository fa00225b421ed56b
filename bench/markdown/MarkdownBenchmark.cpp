// Markdown to HTML, to rich text and to styled text next to cmark's own parse and render of
// the same bytes, styled text to a document, and the Markdown export of a note.
#include "SampleMarkdown.h"
#include "document/transfer/MarkdownExporter.h"
#include "document/transfer/MarkdownImporter.h"
#include "markdown/Markdown.h"
#include "markdown/styler/MarkdownStyler.h"
#include "platform/text/AttributedText.h"
#include "platform/text/HtmlWriter.h"

#include <benchmark/benchmark.h>

#include <QTextDocument>

#include <cmark.h>

#include <cstdlib>

namespace {

const QString& markdownOfSize(qsizetype bytes)
{
    static QString small = sampleMarkdown(10 * 1024);
    static QString large = sampleMarkdown(1024 * 1024);
    return bytes <= 10 * 1024 ? small : large;
}

void BM_CmarkParseAndRender(benchmark::State& state)
{
    const QByteArray bytes = markdownOfSize(state.range(0)).toUtf8();
    for (auto _ : state) {
        char* html
            = cmark_markdown_to_html(bytes.constData(), size_t(bytes.size()), CMARK_OPT_DEFAULT);
        benchmark::DoNotOptimize(html);
        std::free(html);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_MarkdownToHTML(benchmark::State& state)
{
    const markdown::Markdown source(markdownOfSize(state.range(0)));
    for (auto _ : state) {
        std::optional<QString> html = source.toHTML(markdown::MarkdownOptions::defaultOptions);
        benchmark::DoNotOptimize(html);
    }
    state.SetBytesProcessed(state.iterations() * source.markdownString().toUtf8().size());
}

void BM_MarkdownToAttributedText(benchmark::State& state)
{
    const markdown::Markdown source(markdownOfSize(state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<QTextDocument> text
            = source.toAttributedString(markdown::MarkdownOptions::defaultOptions, std::nullopt);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * source.markdownString().toUtf8().size());
}

// The same document read back from HTML, the way any given style sheet takes.
void BM_MarkdownToAttributedTextThroughHtml(benchmark::State& state)
{
    const markdown::Markdown source(markdownOfSize(state.range(0)));
    const QString stylesheet = markdown::MarkdownAttributedStringRenderable::defaultStylesheet;
    for (auto _ : state) {
        std::unique_ptr<QTextDocument> text
            = source.toAttributedString(markdown::MarkdownOptions::defaultOptions, stylesheet);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * source.markdownString().toUtf8().size());
}

void BM_MarkdownToStyledText(benchmark::State& state)
{
    const markdown::Markdown source(markdownOfSize(state.range(0)));
    markdown::MarkdownStyler styler(markdown::MarkdownStylerConfiguration::defaultConfiguration());
    for (auto _ : state) {
        std::optional<platform::MutableAttributedString> text
            = source.toAttributedString(markdown::MarkdownOptions::defaultOptions, styler);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * source.markdownString().toUtf8().size());
}

// The styled text of about 100 KB of Markdown turned into the document a view shows.
void BM_StyledTextToDocument(benchmark::State& state)
{
    markdown::MarkdownStyler styler(markdown::MarkdownStylerConfiguration::defaultConfiguration());
    const std::optional<platform::MutableAttributedString> text
        = markdown::Markdown(sampleMarkdown(state.range(0)))
              .toAttributedString(markdown::MarkdownOptions::defaultOptions, styler);
    for (auto _ : state) {
        std::unique_ptr<QTextDocument> document = text->toTextDocument();
        benchmark::DoNotOptimize(document);
    }
    state.counters["characters"] = double(text->length());
}

void BM_MarkdownFromNote(benchmark::State& state)
{
    const std::unique_ptr<QTextDocument> note = MarkdownImporter::attributedStringFromMarkdown(
        sampleMarkdown(state.range(0)), platform::AttributedText::systemFont());
    for (auto _ : state) {
        std::optional<QString> markdown = MarkdownExporter::markdownFrom(*note);
        benchmark::DoNotOptimize(markdown);
    }
    state.counters["noteCharacters"] = double(note->characterCount());
}

// The rewriting alone, over the HTML the note is written as.
void BM_MarkdownFromNoteHtml(benchmark::State& state)
{
    const std::unique_ptr<QTextDocument> note = MarkdownImporter::attributedStringFromMarkdown(
        sampleMarkdown(state.range(0)), platform::AttributedText::systemFont());
    platform::HtmlWriter::Options options;
    options.dropImages = true;
    const QString html = platform::HtmlWriter::toHtml(*note, options);
    for (auto _ : state) {
        std::optional<QString> markdown = MarkdownExporter::markdownFromHTML(html);
        benchmark::DoNotOptimize(markdown);
    }
    state.counters["htmlCharacters"] = double(html.size());
}

BENCHMARK(BM_CmarkParseAndRender)->Arg(10 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkdownToHTML)->Arg(10 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkdownToAttributedText)
    ->Arg(10 * 1024)
    ->Arg(1024 * 1024)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkdownToAttributedTextThroughHtml)
    ->Arg(10 * 1024)
    ->Arg(1024 * 1024)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkdownToStyledText)->Arg(10 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StyledTextToDocument)->Arg(100 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkdownFromNote)->Arg(100 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkdownFromNoteHtml)->Arg(100 * 1024)->Unit(benchmark::kMillisecond);

} // namespace

// Rich text needs the application object for fonts.
