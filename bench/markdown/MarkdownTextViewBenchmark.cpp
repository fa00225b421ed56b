// The Markdown text view rendering a long note: parse, style, convert to the view's document
// and lay it out.
#include "SampleMarkdown.h"
#include "markdown/styler/MarkdownStyler.h"
#include "markdown/textviews/MarkdownTextView.h"

#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>

namespace {

void BM_MarkdownTextViewRender(benchmark::State& state)
{
    const QString source = sampleMarkdown(state.range(0));
    const auto styler = std::make_shared<markdown::MarkdownStyler>(
        markdown::MarkdownStylerConfiguration::defaultConfiguration());
    for (auto _ : state) {
        markdown::MarkdownTextView view(QRect(0, 0, 800, 600), styler);
        view.setString(source);
        benchmark::DoNotOptimize(view.document()->documentLayout()->documentSize());
    }
    state.SetBytesProcessed(state.iterations() * source.toUtf8().size());
}

} // namespace

BENCHMARK(BM_MarkdownTextViewRender)->Arg(100 * 1024)->Unit(benchmark::kMillisecond);
