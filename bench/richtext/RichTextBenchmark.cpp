// RTF write and read of formatted notes of 10 KB, 100 KB and 1 MB, next to Qt's own HTML
// path (toHtml / setHtml) over the same documents; our HTML reader (decoding and the nesting
// limit included) over the same pages, over deeply nested blocks and over a paragraph of
// images. The mirror a text view shows of a big note's storage, next to Qt's own copy of a
// document (clone).
#include "platform/text/AttributedText.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfWriter.h"
#include "platform/text/SharedTextStorage.h"

#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace platform;

namespace {

// Paragraphs of mixed runs (plain, bold, italic, coloured) under four paragraph styles.
std::unique_ptr<QTextDocument> formattedNote(qsizetype targetLength)
{
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    std::vector<QTextBlockFormat> styles;
    for (int i = 0; i < 4; ++i) {
        ParagraphStyle style = AttributedText::defaultParagraphStyle();
        style.lineHeightMultiple = 1.0 + 0.1 * i;
        style.headIndent = 12.0 * i;
        style.paragraphSpacing = 4.0 * i;
        style.alignment = i == 3 ? TextAlignment::Center : TextAlignment::Natural;
        QTextBlockFormat format;
        AttributedText::setParagraphStyle(format, style);
        styles.push_back(format);
    }
    std::vector<QTextCharFormat> runs(4);
    for (QTextCharFormat& format : runs) {
        format.setFontFamilies(QStringList { QStringLiteral("Helvetica") });
        format.setFontPointSize(13);
    }
    runs[1].setFontWeight(QFont::Bold);
    runs[2].setFontItalic(true);
    runs[3].setForeground(QColor(200, 10, 10));
    const QString words[] = { QStringLiteral("The quick brown fox "), QStringLiteral("jumps over "),
        QStringLiteral("the lazy dog, "), QStringLiteral("café crème — naïve ") };
    int paragraph = 0;
    cursor.setBlockFormat(styles[0]);
    while (doc->characterCount() < targetLength) {
        for (int run = 0; run < 12; ++run)
            cursor.insertText(words[run % 4], runs[(run + paragraph) % 4]);
        ++paragraph;
        cursor.insertBlock(styles[paragraph % 4], runs[0]);
    }
    return doc;
}

const QTextDocument& note(qsizetype length)
{
    static std::map<qsizetype, std::unique_ptr<QTextDocument>> notes;
    auto& doc = notes[length];
    if (!doc)
        doc = formattedNote(length);
    return *doc;
}

void setLabel(benchmark::State& state, qsizetype bytes)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
}

void RtfWrite(benchmark::State& state)
{
    const QTextDocument& doc = note(state.range(0));
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray rtf = RtfWriter::write(doc);
        size = rtf.size();
        benchmark::DoNotOptimize(rtf.data());
    }
    setLabel(state, size);
}

void HtmlWrite(benchmark::State& state)
{
    const QTextDocument& doc = note(state.range(0));
    qsizetype size = 0;
    for (auto _ : state) {
        const QString html = doc.toHtml();
        size = html.size();
        benchmark::DoNotOptimize(html.data());
    }
    setLabel(state, size);
}

void RtfRead(benchmark::State& state)
{
    const QByteArray rtf = RtfWriter::write(note(state.range(0)));
    for (auto _ : state) {
        auto doc = RtfReader::read(rtf);
        benchmark::DoNotOptimize(doc.get());
    }
    setLabel(state, rtf.size());
}

void HtmlRead(benchmark::State& state)
{
    const QString html = note(state.range(0)).toHtml();
    for (auto _ : state) {
        auto doc = AttributedText::makeDocument();
        doc->setHtml(html);
        benchmark::DoNotOptimize(doc.get());
    }
    setLabel(state, html.size());
}

void HtmlReaderRead(benchmark::State& state)
{
    const QByteArray html = note(state.range(0)).toHtml().toUtf8();
    for (auto _ : state) {
        auto result = HtmlReader::read(html, {});
        benchmark::DoNotOptimize(result->document.get());
    }
    setLabel(state, html.size());
}

// Blocks nested `depth` deep, each holding a word, closed at the end.
void HtmlReaderNested(benchmark::State& state)
{
    const int depth = int(state.range(0));
    const QByteArray html
        = QByteArray("<div>word ").repeated(depth) + QByteArray("</div>").repeated(depth);
    for (auto _ : state) {
        auto result = HtmlReader::read(html, {});
        benchmark::DoNotOptimize(result->document.get());
    }
    setLabel(state, html.size());
}

// 1 MB of list terms left open, each followed by a "<" that starts no tag (found by fuzzing:
// Qt's importer nested everything after such a "<", taking a minute for this page).
void HtmlReaderStrayLessThan(benchmark::State& state)
{
    const QByteArray piece("LLL<dd>LLL>L<\0p", 16);
    const QByteArray html = piece.repeated(1024 * 1024 / piece.size());
    for (auto _ : state) {
        auto result = HtmlReader::read(html, {});
        benchmark::DoNotOptimize(result->document.get());
    }
    setLabel(state, html.size());
}

// One paragraph of `count` linked images, read by our reader and, as the reference, by Qt's
// importer alone (which lays the paragraph out again after each image).
QByteArray imagesPage(int count)
{
    return QByteArray("<p>") + QByteArray("<a href=\"x\"><img src=\"a.png\"></a> ").repeated(count);
}

void HtmlReaderImages(benchmark::State& state)
{
    const QByteArray html = imagesPage(int(state.range(0)));
    for (auto _ : state) {
        auto result = HtmlReader::read(html, {});
        benchmark::DoNotOptimize(result->document.get());
    }
    setLabel(state, html.size());
}

void HtmlReadImages(benchmark::State& state)
{
    const QString html = QString::fromLatin1(imagesPage(int(state.range(0))));
    for (auto _ : state) {
        auto doc = AttributedText::makeDocument();
        doc->setHtml(html);
        benchmark::DoNotOptimize(doc.get());
    }
    setLabel(state, html.size());
}

// A big note's storage copied into a view's mirror, the work of showing it.
void MirrorOfStorage(benchmark::State& state)
{
    const std::unique_ptr<QTextDocument> storage(note(state.range(0)).clone());
    SharedTextStorage* shared = SharedTextStorage::of(storage.get());
    for (auto _ : state)
        benchmark::DoNotOptimize(shared->makeMirror([] { return nullptr; }));
    setLabel(state, state.range(0));
}

// The reference: Qt's own copy of the same document.
void CloneOfStorage(benchmark::State& state)
{
    const QTextDocument& storage = note(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(std::unique_ptr<QTextDocument>(storage.clone()));
    setLabel(state, state.range(0));
}

#define SIZES ->Arg(10 * 1024)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond)
BENCHMARK(RtfWrite) SIZES;
BENCHMARK(HtmlWrite) SIZES;
BENCHMARK(RtfRead) SIZES;
BENCHMARK(HtmlRead) SIZES;
BENCHMARK(HtmlReaderRead) SIZES;
BENCHMARK(HtmlReaderNested)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
#define BIG_SIZES ->Arg(1024 * 1024)->Arg(8 * 1024 * 1024)->Unit(benchmark::kMillisecond)
BENCHMARK(MirrorOfStorage) BIG_SIZES;
BENCHMARK(CloneOfStorage) BIG_SIZES;
BENCHMARK(HtmlReaderStrayLessThan)->Unit(benchmark::kMillisecond);
BENCHMARK(HtmlReaderImages)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(HtmlReadImages)->Arg(1000)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
