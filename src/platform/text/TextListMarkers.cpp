#include "TextListMarkers.h"

#include "AttributedText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace platform {

namespace {

// Long enough for any marker this class writes; longer runs between tabs are text.
constexpr int kMaximumMarkerLength = 12;

QString letters(int number, char16_t first)
{
    QString result;
    for (int n = number; n > 0; n = (n - 1) / 26)
        result.prepend(QChar(char16_t(first + (n - 1) % 26)));
    return result;
}

QString roman(int number)
{
    static const std::pair<int, const char*> digits[] = { { 1000, "m" }, { 900, "cm" },
        { 500, "d" }, { 400, "cd" }, { 100, "c" }, { 90, "xc" }, { 50, "l" }, { 40, "xl" },
        { 10, "x" }, { 9, "ix" }, { 5, "v" }, { 4, "iv" }, { 1, "i" } };
    if (number >= 4000)
        return QString::number(number);
    QString result;
    for (const auto& [value, text] : digits) {
        for (; number >= value; number -= value)
            result += QLatin1StringView(text);
    }
    return result;
}

bool isListStop(const TextTab& tab)
{
    return tab.location == TextListMarkers::MarkerLocation
        || tab.location == TextListMarkers::TextLocation;
}

} // namespace

QString TextListMarkers::marker(QTextListFormat::Style style, int number)
{
    switch (style) {
    case QTextListFormat::ListDisc:
        return QStringLiteral("\u2022");
    case QTextListFormat::ListCircle:
        return QStringLiteral("\u25E6");
    case QTextListFormat::ListSquare:
        return QStringLiteral("\u25AA");
    case QTextListFormat::ListDecimal:
        return QString::number(number) + u'.';
    case QTextListFormat::ListLowerAlpha:
        return letters(number, u'a') + u'.';
    case QTextListFormat::ListUpperAlpha:
        return letters(number, u'A') + u'.';
    case QTextListFormat::ListLowerRoman:
        return roman(number) + u'.';
    case QTextListFormat::ListUpperRoman:
        return roman(number).toUpper() + u'.';
    default:
        return {};
    }
}

int TextListMarkers::prefixLength(const QString& paragraph)
{
    if (!paragraph.startsWith(u'\t'))
        return 0;
    const qsizetype second = paragraph.indexOf(u'\t', 1);
    return second > 1 && second <= kMaximumMarkerLength + 1 ? int(second) + 1 : 0;
}

void TextListMarkers::apply(QTextDocument& doc, int start, int end, QTextListFormat::Style style)
{
    const int first = doc.findBlock(start).blockNumber();
    const int last = doc.findBlock(std::max(start, end)).blockNumber();
    const bool plain = marker(style, 1).isEmpty();
    for (int number = first; number <= last; ++number) {
        const QTextBlock block = doc.findBlockByNumber(number);
        if (!block.isValid())
            break;
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + prefixLength(block.text()), QTextCursor::KeepAnchor);
        const QString prefix
            = plain ? QString() : u'\t' + marker(style, number - first + 1) + u'\t';
        // The marker takes the look of the paragraph's text.
        QTextCursor look(block);
        look.movePosition(QTextCursor::NextCharacter);
        cursor.insertText(prefix, look.charFormat());

        QTextBlockFormat format = block.blockFormat();
        ParagraphStyle paragraph = AttributedText::hasParagraphStyle(format)
            ? AttributedText::paragraphStyle(format)
            : AttributedText::defaultParagraphStyle();
        paragraph.tabStops.removeIf(isListStop);
        if (plain) {
            paragraph.headIndent = paragraph.firstLineHeadIndent = 0;
            if (paragraph.tabStops.isEmpty())
                paragraph.tabStops = ParagraphStyle::defaultTabStops();
        } else {
            paragraph.headIndent = TextLocation;
            paragraph.firstLineHeadIndent = 0;
            paragraph.tabStops.removeIf(
                [](const TextTab& tab) { return tab.location < TextLocation; });
            paragraph.tabStops.prepend({ TextTabType::Left, TextLocation });
            paragraph.tabStops.prepend({ TextTabType::Left, MarkerLocation });
        }
        AttributedText::setParagraphStyle(format, paragraph);
        QTextCursor(block).setBlockFormat(format);
    }
}

} // namespace platform
