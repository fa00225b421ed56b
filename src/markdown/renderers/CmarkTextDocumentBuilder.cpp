#include "CmarkTextDocumentBuilder.h"

#include "HTMLAttributedString.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextList>

#include <array>
#include <cstring>

namespace markdown {

namespace {

// Options that change the HTML beyond what is built here: source positions become attributes.
constexpr MarkdownOptions kUnsupportedOptions = MarkdownOptions::sourcePos;

// Deep nesting is where the HTML reading cuts elements off; such trees take that way.
constexpr int kMaximumDepth = 32;

// The style sheet's margins and heading sizes, as the HTML reader gives them.
constexpr qreal kBlockMargin = 12;
constexpr qreal kBlockQuoteIndent = 40;

struct HeadingStyle {
    qreal topMargin;
    qreal bottomMargin;
    int sizeAdjustment;
    bool bold;
};

constexpr std::array<HeadingStyle, 6> kHeadingStyles { {
    { 18, 12, 3, true },
    { 16, 12, 2, true },
    { 14, 12, 1, true },
    { 12, 12, 0, true },
    { 12, 4, -1, true },
    { 0, 0, 0, false },
} };

QString literalOf(cmark_node* node)
{
    const char* literal = cmark_node_get_literal(node);
    return literal ? QString::fromUtf8(literal) : QString();
}

// cmark's HTML empties these links' targets unless told otherwise; the HTML reading keeps that.
bool isDangerousUrl(const char* url)
{
    static constexpr std::array<const char*, 4> schemes {
        "javascript:", "vbscript:", "file:", "data:"
    };
    for (const char* scheme : schemes) {
        if (qstrnicmp(url, scheme, qsizetype(std::strlen(scheme))) == 0)
            return true;
    }
    return false;
}

// A link target as it reads back from cmark's HTML: bytes outside URL characters are
// percent-encoded, the rest kept.
QString hrefOf(const char* url)
{
    static constexpr std::string_view safe = "!#$%&'()*+,-./:;=?@_~";
    static constexpr char hex[] = "0123456789ABCDEF";
    QString href;
    for (const char* at = url; *at; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        const bool kept = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
            || (byte >= '0' && byte <= '9') || (byte != 0 && safe.find(char(byte)) != safe.npos);
        if (kept) {
            href += QLatin1Char(char(byte));
        } else {
            href += QLatin1Char('%');
            href += QLatin1Char(hex[byte >> 4]);
            href += QLatin1Char(hex[byte & 0xF]);
        }
    }
    return href;
}

QTextCharFormat familyFormat(const QString& family)
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList { family });
    return format;
}

} // namespace

std::unique_ptr<QTextDocument> CmarkTextDocumentBuilder::build(
    cmark_node* root, MarkdownOptions options)
{
    if ((options.rawValue & kUnsupportedOptions.rawValue) != 0
        || cmark_node_get_type(root) != CMARK_NODE_DOCUMENT)
        return nullptr;
    HTMLAttributedString::substituteStylesheetFamilies();
    CmarkTextDocumentBuilder builder(options);
    // As setHtml does: one edit that leaves nothing to undo.
    builder.m_document->setUndoRedoEnabled(false);
    builder.m_cursor.beginEditBlock();
    const bool built = builder.appendDocument(root);
    builder.m_cursor.endEditBlock();
    if (!built)
        return nullptr;
    builder.m_document->setUndoRedoEnabled(true);
    return std::move(builder.m_document);
}

CmarkTextDocumentBuilder::CmarkTextDocumentBuilder(MarkdownOptions options)
    : m_textFormat(familyFormat(QStringLiteral("Helvetica"))),
      m_codeFormat(familyFormat(QStringLiteral("Menlo"))),
      m_options(options),
      m_document(std::make_unique<QTextDocument>()),
      m_cursor(m_document.get())
{ }

bool CmarkTextDocumentBuilder::appendDocument(cmark_node* root)
{
    QTextBlockFormat paragraphFormat;
    paragraphFormat.setTopMargin(kBlockMargin);
    paragraphFormat.setBottomMargin(kBlockMargin);
    for (cmark_node* child = cmark_node_first_child(root); child; child = cmark_node_next(child)) {
        bool appended = true;
        switch (cmark_node_get_type(child)) {
        case CMARK_NODE_PARAGRAPH:
            appended = appendParagraph(child, paragraphFormat);
            break;
        case CMARK_NODE_HEADING:
            appended = appendHeading(child);
            break;
        case CMARK_NODE_CODE_BLOCK:
            appended = appendCodeBlock(child);
            break;
        case CMARK_NODE_THEMATIC_BREAK:
            appendThematicBreak();
            break;
        case CMARK_NODE_BLOCK_QUOTE:
            appended = appendBlockQuote(child);
            break;
        case CMARK_NODE_LIST:
            appended = appendList(child, 1);
            break;
        default:
            return false;
        }
        if (!appended)
            return false;
    }
    // The line break after the last block's closing tag is text outside every element.
    if (cmark_node_first_child(root))
        appendCollapsed(u"\n", QTextCharFormat());
    return true;
}

// A block that receives no text lends its format to the next one in the HTML reading; such
// blocks take that way.
bool CmarkTextDocumentBuilder::appendParagraph(
    cmark_node* paragraph, const QTextBlockFormat& format)
{
    startBlock(format, m_textFormat);
    const int start = m_cursor.position();
    return appendInlines(paragraph, m_textFormat) && m_cursor.position() != start;
}

bool CmarkTextDocumentBuilder::appendHeading(cmark_node* heading)
{
    const int level = cmark_node_get_heading_level(heading);
    if (level < 1 || level > int(kHeadingStyles.size()))
        return false;
    const HeadingStyle& style = kHeadingStyles[size_t(level - 1)];
    QTextBlockFormat blockFormat;
    if (style.topMargin > 0)
        blockFormat.setTopMargin(style.topMargin);
    if (style.bottomMargin > 0)
        blockFormat.setBottomMargin(style.bottomMargin);
    blockFormat.setHeadingLevel(level);
    QTextCharFormat charFormat = m_textFormat;
    if (style.bold) {
        charFormat.setProperty(QTextFormat::FontSizeAdjustment, style.sizeAdjustment);
        charFormat.setFontWeight(QFont::Bold);
    }
    startBlock(blockFormat, charFormat);
    const int start = m_cursor.position();
    return appendInlines(heading, charFormat) && m_cursor.position() != start;
}

// Preformatted text keeps its whitespace; each line break starts a block that takes over the
// bottom margin, and the code's final line break leaves an empty last block.
bool CmarkTextDocumentBuilder::appendCodeBlock(cmark_node* codeBlock)
{
    const QString code = literalOf(codeBlock);
    if (code.isEmpty())
        return false;
    QTextBlockFormat blockFormat;
    blockFormat.setTopMargin(kBlockMargin);
    blockFormat.setBottomMargin(kBlockMargin);
    blockFormat.setNonBreakableLines(true);
    startBlock(blockFormat, m_codeFormat);
    m_pending.clear();
    for (const QChar unit : code) {
        if (unit == u'\r')
            continue;
        if (unit != u'\n' && unit != QChar::ParagraphSeparator) {
            m_pending += unit;
            continue;
        }
        if (!m_pending.isEmpty()) {
            m_cursor.insertText(m_pending, m_codeFormat);
            m_pending.clear();
        }
        QTextBlockFormat lineFormat = m_cursor.blockFormat();
        if (lineFormat.hasProperty(QTextFormat::BlockBottomMargin)) {
            QTextBlockFormat withoutBottom = lineFormat;
            withoutBottom.clearProperty(QTextFormat::BlockBottomMargin);
            m_cursor.setBlockFormat(withoutBottom);
        }
        lineFormat.clearProperty(QTextFormat::BlockTopMargin);
        m_cursor.insertBlock(lineFormat, m_codeFormat);
    }
    if (!m_pending.isEmpty())
        m_cursor.insertText(m_pending, m_codeFormat);
    m_whitespace = Whitespace::Keep;
    return true;
}

void CmarkTextDocumentBuilder::appendThematicBreak()
{
    QTextBlockFormat format;
    format.setTopMargin(0);
    format.setBottomMargin(0);
    format.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength());
    if (m_atFirstBlock)
        m_cursor.mergeBlockFormat(format);
    else
        m_cursor.insertBlock(format, QTextCharFormat());
    m_atFirstBlock = false;
    m_whitespace = Whitespace::Drop;
}

// Only the first paragraph shares the quote's own block, and with it the quote level.
bool CmarkTextDocumentBuilder::appendBlockQuote(cmark_node* blockQuote)
{
    QTextBlockFormat format;
    format.setTopMargin(kBlockMargin);
    format.setBottomMargin(kBlockMargin);
    format.setLeftMargin(kBlockQuoteIndent);
    format.setRightMargin(kBlockQuoteIndent);
    QTextBlockFormat firstFormat = format;
    firstFormat.setProperty(QTextFormat::BlockQuoteLevel, 1);
    cmark_node* child = cmark_node_first_child(blockQuote);
    if (!child)
        return false;
    for (; child; child = cmark_node_next(child)) {
        if (cmark_node_get_type(child) != CMARK_NODE_PARAGRAPH)
            return false;
        if (!appendParagraph(child, cmark_node_previous(child) ? format : firstFormat))
            return false;
    }
    return true;
}

// Tight lists only: their items are the paragraph's own block. A top-level list's margins go
// to its first and last items; nested lists have none.
bool CmarkTextDocumentBuilder::appendList(cmark_node* list, int level)
{
    if (level > kMaximumDepth || !cmark_node_get_list_tight(list))
        return false;
    QTextListFormat listFormat;
    listFormat.setStyle(cmark_node_get_list_type(list) == CMARK_ORDERED_LIST
            ? QTextListFormat::ListDecimal
            : QTextListFormat::ListDisc);
    listFormat.setIndent(level);
    QTextList* textList = nullptr;
    for (cmark_node* item = cmark_node_first_child(list); item; item = cmark_node_next(item)) {
        cmark_node* paragraph = cmark_node_first_child(item);
        if (!paragraph || cmark_node_get_type(paragraph) != CMARK_NODE_PARAGRAPH)
            return false;
        cmark_node* nested = cmark_node_next(paragraph);
        if (nested && (cmark_node_get_type(nested) != CMARK_NODE_LIST || cmark_node_next(nested)))
            return false;
        QTextBlockFormat blockFormat;
        if (level == 1 && !cmark_node_previous(item))
            blockFormat.setTopMargin(kBlockMargin);
        if (level == 1 && !cmark_node_next(item))
            blockFormat.setBottomMargin(kBlockMargin);
        if (textList) {
            blockFormat.setObjectIndex(textList->objectIndex());
            startBlock(blockFormat, m_textFormat);
        } else {
            const bool firstBlock = m_atFirstBlock;
            startBlock(blockFormat, m_textFormat);
            textList = m_cursor.createList(listFormat);
            // The document's first block is an item merged into it, which sets the indent.
            if (firstBlock) {
                QTextBlockFormat indent;
                indent.setIndent(0);
                m_cursor.mergeBlockFormat(indent);
            }
        }
        const int start = m_cursor.position();
        if (!appendInlines(paragraph, m_textFormat) || m_cursor.position() == start)
            return false;
        if (nested) {
            // The line break between the item's text and the nested list's tag.
            appendCollapsed(u"\n", m_textFormat);
            if (!appendList(nested, level + 1))
                return false;
        }
    }
    return textList != nullptr;
}

bool CmarkTextDocumentBuilder::appendInlines(cmark_node* parent, const QTextCharFormat& format)
{
    for (cmark_node* child = cmark_node_first_child(parent); child;
         child = cmark_node_next(child)) {
        switch (cmark_node_get_type(child)) {
        case CMARK_NODE_TEXT:
            if (!appendCollapsed(literalOf(child), format))
                return false;
            break;
        case CMARK_NODE_SOFTBREAK:
            if (!m_options.contains(MarkdownOptions::hardBreaks)) {
                appendCollapsed(u"\n", format);
                break;
            }
            [[fallthrough]];
        case CMARK_NODE_LINEBREAK:
            m_cursor.insertText(QString(QChar::LineSeparator), format);
            m_whitespace = Whitespace::Drop;
            break;
        case CMARK_NODE_CODE: {
            QTextCharFormat codeFormat = format;
            codeFormat.setFontFamilies(m_codeFormat.fontFamilies().toStringList());
            if (!appendCollapsed(literalOf(child), codeFormat))
                return false;
            break;
        }
        case CMARK_NODE_EMPH:
        case CMARK_NODE_STRONG: {
            QTextCharFormat styled = format;
            if (cmark_node_get_type(child) == CMARK_NODE_EMPH)
                styled.setFontItalic(true);
            else
                styled.setFontWeight(QFont::Bold);
            if (++m_depth > kMaximumDepth || !appendInlines(child, styled))
                return false;
            --m_depth;
            break;
        }
        case CMARK_NODE_LINK:
            if (!appendLink(child, format))
                return false;
            break;
        default:
            return false;
        }
    }
    return true;
}

bool CmarkTextDocumentBuilder::appendLink(cmark_node* link, QTextCharFormat format)
{
    const char* url = cmark_node_get_url(link);
    if (!url || isDangerousUrl(url))
        return false;
    format.setAnchor(true);
    format.setAnchorHref(hrefOf(url));
    format.setForeground(QGuiApplication::palette().link());
    format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    const char* title = cmark_node_get_title(link);
    if (title && *title)
        format.setToolTip(QString::fromUtf8(title));
    if (++m_depth > kMaximumDepth || !appendInlines(link, format))
        return false;
    --m_depth;
    return true;
}

void CmarkTextDocumentBuilder::startBlock(
    const QTextBlockFormat& blockFormat, const QTextCharFormat& charFormat)
{
    if (m_atFirstBlock) {
        m_cursor.setBlockFormat(blockFormat);
        m_cursor.setBlockCharFormat(charFormat);
        m_atFirstBlock = false;
    } else {
        m_cursor.insertBlock(blockFormat, charFormat);
    }
    m_whitespace = Whitespace::Drop;
}

bool CmarkTextDocumentBuilder::appendCollapsed(QStringView text, const QTextCharFormat& format)
{
    m_pending.clear();
    for (QChar unit : text) {
        // A paragraph separator would start a block of its own.
        if (unit == QChar::ParagraphSeparator)
            return false;
        if (unit.isSpace() && unit != QChar::Nbsp) {
            if (m_whitespace == Whitespace::Drop)
                continue;
            m_whitespace = Whitespace::Drop;
            unit = u' ';
        } else {
            m_whitespace = Whitespace::Keep;
        }
        m_pending += unit;
    }
    if (!m_pending.isEmpty())
        m_cursor.insertText(m_pending, format);
    return true;
}

} // namespace markdown
