#include "document/BXNoteInfo.h"

#include "document/model/BXNote.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/text/AttributedText.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <unicode/udat.h>

#include <cmath>

using platform::AttributedText;
using platform::localized;

namespace {

QFont systemFont(bool bold)
{
    QFont font = QGuiApplication::font();
    font.setBold(bold);
    return font;
}

// The platform's small size is two points under the regular one.
QFont labelFont()
{
    QFont font = QGuiApplication::font();
    font.setPointSizeF(std::max(6.0, font.pointSizeF() - 2));
    return font;
}

QColor labelColor()
{
    return QGuiApplication::palette().color(QPalette::WindowText);
}

QColor secondaryLabelColor()
{
    return QGuiApplication::palette().color(QPalette::PlaceholderText);
}

std::shared_ptr<QTextDocument> headingOnly(const QString& text)
{
    auto document = std::shared_ptr<QTextDocument>(AttributedText::makeDocument().release());
    QTextCharFormat format;
    format.setFont(systemFont(true));
    format.setForeground(labelColor());
    QTextCursor(document.get()).insertText(text, format);
    return document;
}

struct Layout {
    QTextBlockFormat block;
    QTextCharFormat text;
    QTextCharFormat heading;
    QTextBlockFormat headingBlock;
};

Layout makeLayout(const QStringList& labels)
{
    const QFont font = labelFont();
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString& label : labels)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    const qreal blank = metrics.horizontalAdvance(QLatin1Char(' '));
    Layout layout;
    layout.block.setTabPositions({ QTextOption::Tab(widest, QTextOption::RightTab),
        QTextOption::Tab(widest + blank, QTextOption::LeftTab) });
    // Wrapped lines start under the values, the first line at the margin.
    layout.block.setLeftMargin(widest + blank);
    layout.block.setTextIndent(-(widest + blank));
    layout.text.setFont(font);
    layout.text.setForeground(labelColor());
    layout.heading.setFont(font);
    layout.heading.setForeground(secondaryLabelColor());
    // Five points above the baseline, in Qt's percentage of the font's height.
    layout.heading.setBaselineOffset(500.0 / std::max<qreal>(1.0, metrics.height()));
    layout.headingBlock.setAlignment(Qt::AlignHCenter);
    return layout;
}

void appendLine(QTextCursor& cursor, const Layout& layout, const QString& label,
    const QString& value, bool first)
{
    if (!first)
        cursor.insertBlock(layout.block, layout.text);
    else
        cursor.setBlockFormat(layout.block);
    cursor.insertText(QLatin1Char('\t') + label + QLatin1Char('\t') + value, layout.text);
}

void appendHeading(QTextCursor& cursor, const Layout& layout, const QString& text, bool first)
{
    if (!first)
        cursor.insertBlock(layout.headingBlock, layout.heading);
    else
        cursor.setBlockFormat(layout.headingBlock);
    cursor.insertText(text, layout.heading);
}

} // namespace

QString BXNoteInfo::formatNumber(double value, const QLocale& locale)
{
    const double rounded = std::round(value * 100.0) / 100.0;
    return locale.toString(rounded, 'f', QLocale::FloatingPointShortest);
}

QString BXNoteInfo::formatDate(const QDateTime& date, const QLocale& locale)
{
    if (!date.isValid())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = locale.name().toUtf8();
    UDateFormat* format = udat_open(
        UDAT_NONE, UDAT_FULL_RELATIVE, name.constData(), nullptr, -1, nullptr, -1, &status);
    if (U_FAILURE(status))
        return locale.toString(date.date(), QLocale::LongFormat);
    UChar buffer[256];
    const int32_t length
        = udat_format(format, UDate(date.toMSecsSinceEpoch()), buffer, 256, nullptr, &status);
    udat_close(format);
    if (U_FAILURE(status))
        return locale.toString(date.date(), QLocale::LongFormat);
    return QString(reinterpret_cast<const QChar*>(buffer), length);
}

BXNoteInfo BXNoteInfo::forNotes(
    const QList<platform::ManagedObjectPtr>& notes, const QLocale& locale)
{
    BXNoteInfo result;
    if (notes.isEmpty()) {
        result.headInfo = headingOnly(localized(QStringLiteral("no note selected")));
        return result;
    }
    if (notes.size() > 1) {
        result.headInfo = headingOnly(
            platform::format(localized(QStringLiteral("%lu notes selected")), notes.size()));
        result.noteIcon = QStringLiteral("MultiNotes");
        return result;
    }
    const auto note = std::dynamic_pointer_cast<BXNote>(notes.first());
    if (!note)
        return result;

    const QString created = localized(QStringLiteral("Created:"));
    const QString modified = localized(QStringLiteral("Modified:"));
    const QString characters = localized(QStringLiteral("Characters:"));
    const QString words = localized(QStringLiteral("Words:"));
    const QString paragraphs = localized(QStringLiteral("Paragraphs:"));
    const Layout layout
        = makeLayout({ created, modified, characters, words, paragraphs, characters, words });

    // Counts over the note's text: words within each paragraph, for the averages too.
    const QTextDocument& text = *note->textStorage();
    QList<std::pair<qsizetype, qsizetype>> paragraphSizes; // length with break, words
    AttributedText::enumerateParagraphs(
        text, [&](platform::TextRange, platform::TextRange enclosing, bool*) {
            paragraphSizes.append({ enclosing.length, 0 });
        });
    qsizetype wordCount = 0;
    qsizetype paragraphIndex = 0;
    qsizetype paragraphEnd = paragraphSizes.isEmpty() ? 0 : paragraphSizes.first().first;
    AttributedText::enumerateWords(text, [&](platform::TextRange word, bool*) {
        ++wordCount;
        while (paragraphIndex + 1 < paragraphSizes.size() && word.location >= paragraphEnd) {
            ++paragraphIndex;
            paragraphEnd += paragraphSizes[paragraphIndex].first;
        }
        if (!paragraphSizes.isEmpty())
            ++paragraphSizes[paragraphIndex].second;
    });
    double averageLength = 0;
    double averageWords = 0;
    // No paragraphs: averages of 0 rather than a division by zero.
    if (!paragraphSizes.isEmpty()) {
        for (const auto& [length, count] : paragraphSizes) {
            averageLength += double(length);
            averageWords += double(count);
        }
        averageLength /= double(paragraphSizes.size());
        averageWords /= double(paragraphSizes.size());
    }

    result.statistics = std::shared_ptr<QTextDocument>(AttributedText::makeDocument().release());
    QTextCursor stats(result.statistics.get());
    appendHeading(stats, layout, localized(QStringLiteral("Statistics")), true);
    appendLine(stats, layout, characters, locale.toString(AttributedText::length(text)), false);
    appendLine(stats, layout, words, locale.toString(wordCount), false);
    appendLine(stats, layout, paragraphs, locale.toString(paragraphSizes.size()), false);
    appendHeading(stats, layout, QString(), false);
    appendHeading(stats, layout, localized(QStringLiteral("Averages per Paragraph")), false);
    appendLine(stats, layout, characters, formatNumber(averageLength, locale), false);
    appendLine(stats, layout, words, formatNumber(averageWords, locale), false);

    result.info = std::shared_ptr<QTextDocument>(AttributedText::makeDocument().release());
    QTextCursor dates(result.info.get());
    appendLine(dates, layout, created, formatDate(note->noteCreated(), locale), true);
    appendLine(dates, layout, modified, formatDate(note->noteModified(), locale), false);

    QString title = note->noteTitle();
    if (title.isEmpty())
        title = localized(QStringLiteral("<New note>"));
    result.headInfo = headingOnly(title);
    const QString tags = note->categoryNamesSeparatedBy(QStringLiteral("; "));
    if (!tags.isEmpty()) {
        QTextCharFormat tagFormat;
        tagFormat.setFont(labelFont());
        tagFormat.setForeground(secondaryLabelColor());
        QTextCursor head(result.headInfo.get());
        head.movePosition(QTextCursor::End);
        head.insertText(QStringLiteral("\n") + tags, tagFormat);
    }
    result.noteIcon = QStringLiteral("Note");
    return result;
}
