// Export of 100 notes in each word-processor format (DOCX, OpenDocument text, Word 2003 XML),
// each note a few paragraphs of formatted text with a list, a link and, for the packaged formats,
// a small picture; and reading the 100 files back.
#include "platform/text/AttributedText.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextFormatRegistry.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <memory>
#include <vector>

namespace {

constexpr int kNotes = 100;

std::unique_ptr<QTextDocument> formattedNote(int number)
{
    auto doc = platform::AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat red;
    red.setForeground(QColor(200, 30, 30));
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.com/%1").arg(number));
    for (int paragraph = 0; paragraph < 8; ++paragraph) {
        cursor.insertText(
            QStringLiteral("Note %1, paragraph %2: ordinary words, ").arg(number).arg(paragraph),
            plain);
        cursor.insertText(QStringLiteral("some bold, "), bold);
        cursor.insertText(QStringLiteral("some red, "), red);
        cursor.insertText(QStringLiteral("and a link."), link);
        cursor.insertBlock(QTextBlockFormat(), plain);
    }
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    cursor.createList(bullets);
    cursor.insertText(QStringLiteral("first item"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("second item"));
    cursor.insertBlock(QTextBlockFormat(), plain);
    cursor.setBlockFormat(QTextBlockFormat());
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(QColor(number % 255, 100, 150));
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    platform::AttributedText::insertAttachment(
        cursor, { png.data(), QStringLiteral("p.png"), QSizeF(32, 24) });
    return doc;
}

const std::vector<std::unique_ptr<QTextDocument>>& notes()
{
    static const auto all = [] {
        std::vector<std::unique_ptr<QTextDocument>> list;
        for (int i = 0; i < kNotes; ++i)
            list.push_back(formattedNote(i));
        return list;
    }();
    return all;
}

const char* const kTypes[] = { "org.openxmlformats.wordprocessingml.document",
    "org.oasis-open.opendocument.text", "com.microsoft.word.wordml" };

void writeHundredNotes(benchmark::State& state)
{
    const platform::TextFormat format
        = *platform::TextFormatRegistry::formatForType(QString::fromLatin1(kTypes[state.range(0)]));
    state.SetLabel(format.extensions.first().toStdString());
    QTemporaryDir folder;
    for (auto _ : state) {
        for (int i = 0; i < kNotes; ++i) {
            const QString path
                = folder.filePath(QStringLiteral("%1.%2").arg(i).arg(format.extensions.first()));
            if (!format.write(*notes()[size_t(i)], {}, path, nullptr))
                state.SkipWithError("write failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}

void readHundredNotes(benchmark::State& state)
{
    const platform::TextFormat format
        = *platform::TextFormatRegistry::formatForType(QString::fromLatin1(kTypes[state.range(0)]));
    state.SetLabel(format.extensions.first().toStdString());
    QTemporaryDir folder;
    QStringList paths;
    for (int i = 0; i < kNotes; ++i) {
        paths << folder.filePath(QStringLiteral("%1.%2").arg(i).arg(format.extensions.first()));
        format.write(*notes()[size_t(i)], {}, paths.last(), nullptr);
    }
    for (auto _ : state) {
        for (const QString& path : std::as_const(paths)) {
            const auto read = platform::TextDocumentReader::readFile(path, {});
            if (!read)
                state.SkipWithError("read failed");
            benchmark::DoNotOptimize(read);
        }
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}

} // namespace

BENCHMARK(writeHundredNotes)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(readHundredNotes)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
