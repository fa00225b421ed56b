// Export of 100 notes into a folder as Word 97 documents and as web archives, through the
// format registry as the export runs: each note of about 2 KB of formatted text in a few
// paragraphs, the web archive ones with a small picture too. Files are replaced in place.
#include "platform/foundation/TypeIdentifier.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextFormatRegistry.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <vector>

namespace {

constexpr int kNotes = 100;

std::unique_ptr<QTextDocument> note(int number, bool picture)
{
    using platform::AttributedText;
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    QFont bold = AttributedText::systemFont();
    bold.setBold(true);
    const QTextCharFormat plain = AttributedText::characterFormat(
        { { AttributedText::FontAttributeName, AttributedText::systemFont() } });
    const QTextCharFormat strong
        = AttributedText::characterFormat({ { AttributedText::FontAttributeName, bold } });
    const QTextCharFormat red = AttributedText::characterFormat(
        { { AttributedText::ForegroundColorAttributeName, QColor(200, 30, 30) } });
    cursor.insertText(QStringLiteral("Note %1\n").arg(number), strong);
    while (doc->characterCount() < 2000) {
        cursor.insertText(QStringLiteral("Ordinary words of a sentence in a note, "), plain);
        cursor.insertText(QStringLiteral("some of them bold, "), strong);
        cursor.insertText(QStringLiteral("and a few in red. Crème brûlée € ✓\n"), red);
    }
    if (picture) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(40, 120, 200));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        AttributedText::insertAttachment(cursor, { png, QStringLiteral("picture.png"), {} });
    }
    return doc;
}

void exportHundredNotes(benchmark::State& state, const QString& type, bool pictures)
{
    const std::optional<platform::TextFormat> format
        = platform::TextFormatRegistry::formatForType(type);
    QTemporaryDir folder;
    if (!format || !folder.isValid()) {
        state.SkipWithError("no format or no folder");
        return;
    }
    std::vector<std::unique_ptr<QTextDocument>> notes;
    for (int i = 0; i < kNotes; ++i)
        notes.push_back(note(i, pictures));
    const QString extension = format->extensions.value(0);
    for (auto _ : state) {
        for (int i = 0; i < kNotes; ++i) {
            if (!format->write(*notes[size_t(i)], {},
                    folder.filePath(QStringLiteral("Note %1.%2").arg(i).arg(extension)), nullptr)) {
                state.SkipWithError("a write failed");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}

void exportHundredNotesAsDoc(benchmark::State& state)
{
    exportHundredNotes(state, platform::TypeIdentifier::WordDocument, false);
}

void exportHundredNotesAsWebArchive(benchmark::State& state)
{
    exportHundredNotes(state, platform::TypeIdentifier::WebArchive, true);
}

} // namespace

BENCHMARK(exportHundredNotesAsDoc)->Unit(benchmark::kMillisecond);
BENCHMARK(exportHundredNotesAsWebArchive)->Unit(benchmark::kMillisecond);
