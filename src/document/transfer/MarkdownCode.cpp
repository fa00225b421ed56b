#include "document/transfer/MarkdownCode.h"

#include "markdown/styler/FontTraits.h"

#include "platform/text/AttributedText.h"
#include "platform/text/TextListMarkers.h"

#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <vector>

namespace {

using platform::AttributedText;
using platform::TextRange;

// Noncharacters: no text means anything by them, so any already there are dropped, and the
// HTML on the way neither escapes nor splits them. (The text engine marks frames with the first
// two of their range, so these come from its end.)
constexpr char16_t kOpen = 0xFDEE;
constexpr char16_t kClose = 0xFDEF;

QString placeholder(qsizetype index)
{
    return QChar(kOpen) + QString::number(index) + QChar(kClose);
}

class MonospaceTest {
public:
    bool operator()(const QTextCharFormat& format)
    {
        const QString family = format.fontFamilies().toStringList().value(0);
        if (family.isEmpty())
            return false;
        const auto known = m_answers.constFind(family);
        if (known != m_answers.constEnd())
            return *known;
        QFont font;
        font.setFamilies({ family });
        const bool monospaced
            = markdown::FontTraits::traits(font) & markdown::FontTraits::monospace;
        m_answers.insert(family, monospaced);
        return monospaced;
    }

private:
    QHash<QString, bool> m_answers;
};

enum class Line { Code, BlankInCode, Other };

// A paragraph of a code block: text wholly in a monospaced face, outside lists and headings.
// An empty paragraph typed in such a face may be a blank line inside a block.
Line kindOf(const QTextBlock& block, MonospaceTest& monospaced)
{
    if (block.textList() || !platform::TextListMarkers::itemLists(block).isEmpty()
        || block.blockFormat().headingLevel() > 0)
        return Line::Other;
    if (block.length() <= 1)
        return monospaced(block.charFormat()) ? Line::BlankInCode : Line::Other;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        if (AttributedText::isAttachment(format) || !monospaced(format))
            return Line::Other;
    }
    return Line::Code;
}

// A fence longer than any run of backticks in the code, so none of them ends it.
QString fenceFor(const QString& code, qsizetype shortest)
{
    qsizetype longest = 0;
    qsizetype run = 0;
    for (const QChar c : code) {
        run = c == u'`' ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return QString(std::max(shortest, longest + 1), u'`');
}

QString inlineCode(const QString& text)
{
    const QString fence = fenceFor(text, 1);
    // A space keeps a backtick at either end from joining the fence.
    const bool pad = text.startsWith(u'`') || text.endsWith(u'`');
    return pad ? fence + u' ' + text + u' ' + fence : fence + text + fence;
}

struct Piece {
    TextRange range;
    QString markdown;
};

void collectInlineCode(const QTextBlock& block, MonospaceTest& monospaced, std::vector<Piece>& out)
{
    // A list item's marker run is no code, whatever its face.
    const qsizetype textStart = block.position()
        + (platform::TextListMarkers::itemLists(block).isEmpty()
                ? 0
                : platform::TextListMarkers::prefixLength(block.text()));
    TextRange open { -1, 0 };
    QString text;
    const auto close = [&] {
        if (open.location >= 0 && !text.trimmed().isEmpty())
            out.push_back({ open, inlineCode(text) });
        open = { -1, 0 };
        text.clear();
    };
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const qsizetype end = fragment.position() + fragment.length();
        if (end <= textStart || AttributedText::isAttachment(format) || !monospaced(format)) {
            close();
            continue;
        }
        const qsizetype start = std::max<qsizetype>(fragment.position(), textStart);
        if (open.location < 0)
            open.location = start;
        open.length = end - open.location;
        text += fragment.text().mid(start - fragment.position());
    }
    close();
}

} // namespace

std::unique_ptr<QTextDocument> MarkdownCode::withPlaceholders(
    const QTextDocument& original, QStringList* code)
{
    // A clone keeps what the HTML writer reads beyond the attributes: heading levels, lists.
    std::unique_ptr<QTextDocument> copy(original.clone());
    const QString plain = AttributedText::string(*copy);
    for (qsizetype at = plain.size() - 1; at >= 0; --at) {
        if (plain.at(at) == QChar(kOpen) || plain.at(at) == QChar(kClose))
            AttributedText::replaceCharacters(*copy, { at, 1 }, QString());
    }
    const QTextDocument& text = *copy;
    MonospaceTest monospaced;
    std::vector<Piece> pieces;
    std::vector<QTextBlock> blockLines;
    const auto closeBlock = [&] {
        // Blank lines before the first and after the last line of code are not the block's.
        while (!blockLines.empty() && blockLines.back().length() <= 1)
            blockLines.pop_back();
        if (!blockLines.empty()) {
            QStringList lines;
            for (const QTextBlock& line : blockLines)
                lines << QString(line.text()).replace(QChar::LineSeparator, u'\n');
            const QString body = lines.join(u'\n');
            const QString fence = fenceFor(body, 3);
            const qsizetype start = blockLines.front().position();
            const qsizetype end = blockLines.back().position() + blockLines.back().length() - 1;
            pieces.push_back({ { start, end - start }, fence + u'\n' + body + u'\n' + fence });
        }
        blockLines.clear();
    };
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        const Line kind = kindOf(block, monospaced);
        if (kind == Line::Code || (kind == Line::BlankInCode && !blockLines.empty())) {
            blockLines.push_back(block);
            continue;
        }
        closeBlock();
        if (kind == Line::Other)
            collectInlineCode(block, monospaced, pieces);
    }
    closeBlock();

    // From the end, so that each range still points at its text.
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        AttributedText::replaceCharacters(
            *copy, piece->range, placeholder(std::distance(piece, pieces.rend()) - 1));
    }
    code->clear();
    for (const Piece& piece : pieces)
        code->append(piece.markdown);
    return copy;
}

QString MarkdownCode::restored(const QString& markdown, const QStringList& code)
{
    QString out;
    out.reserve(markdown.size());
    qsizetype copied = 0;
    for (qsizetype open = markdown.indexOf(QChar(kOpen)); open >= 0;
         open = markdown.indexOf(QChar(kOpen), open + 1)) {
        const qsizetype close = markdown.indexOf(QChar(kClose), open + 1);
        if (close < 0)
            break;
        bool number = false;
        const qsizetype index = markdown.mid(open + 1, close - open - 1).toLongLong(&number);
        if (!number || index < 0 || index >= code.size())
            continue;
        out += QStringView(markdown).mid(copied, open - copied);
        out += code.at(index);
        copied = close + 1;
        open = close;
    }
    out += QStringView(markdown).mid(copied);
    return out;
}
