#include "CmarkTextDocumentBuilder.h"

#include "HTMLAttributedString.h"
#include "MarkdownAttributedStringRenderable.h"
#include "platform/text/ConversionDocument.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextList>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace markdown {

namespace {

// Options that change the HTML beyond what is built here: source positions become attributes.
constexpr MarkdownOptions kUnsupportedOptions = MarkdownOptions::sourcePos;

// What a hard line break reads as.
constexpr QChar kLineSeparator = QChar::LineSeparator;

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

// Noncharacters that Qt's documents mark frames with and the HTML reading marks images with
// (taking one out of a page that holds them all): text holding them takes the HTML way.
bool isMark(QChar unit)
{
    return unit.unicode() >= 0xFDD0 && unit.unicode() <= 0xFDEF;
}

bool hasMark(QStringView text)
{
    return std::any_of(text.cbegin(), text.cend(), isMark);
}

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
            || (byte >= '0' && byte <= '9') || safe.find(char(byte)) != safe.npos;
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
    bool built = true;
    for (cmark_node* child = cmark_node_first_child(root); child && built;
         child = cmark_node_next(child))
        built = builder.appendBlock(child);
    // The line break after the last block's closing tag is text outside every element.
    if (built && cmark_node_first_child(root))
        built = builder.appendCollapsed(u"\n", QTextCharFormat());
    builder.flushText();
    builder.m_cursor.endEditBlock();
    if (!built)
        return nullptr;
    builder.m_document->setUndoRedoEnabled(true);
    return std::move(builder.m_document);
}

CmarkTextDocumentBuilder::CmarkTextDocumentBuilder(MarkdownOptions options)
    : m_textFormat(familyFormat(MarkdownAttributedStringRenderable::defaultTextFamily)),
      m_codeFormat(familyFormat(MarkdownAttributedStringRenderable::defaultCodeFamily)),
      m_options(options),
      // Qt's own lists re-mark every item each time one joins, which makes long lists
      // quadratic to build; the document's lists keep no roster of their items.
      m_document(std::make_unique<platform::ConversionDocument>()),
      m_cursor(m_document.get())
{ }

bool CmarkTextDocumentBuilder::appendBlocks(cmark_node* parent)
{
    cmark_node* child = cmark_node_first_child(parent);
    if (!child || ++m_depth > kMaximumDepth)
        return false;
    for (; child; child = cmark_node_next(child)) {
        if (!appendBlock(child))
            return false;
    }
    --m_depth;
    return true;
}

bool CmarkTextDocumentBuilder::appendBlock(cmark_node* node)
{
    switch (cmark_node_get_type(node)) {
    case CMARK_NODE_PARAGRAPH: {
        Element paragraph;
        paragraph.topMargin = kBlockMargin;
        paragraph.bottomMargin = kBlockMargin;
        paragraph.charFormat = m_textFormat;
        return appendTextBlock(node, paragraph);
    }
    case CMARK_NODE_HEADING: {
        const int level = cmark_node_get_heading_level(node);
        if (level < 1 || level > int(kHeadingStyles.size()))
            return false;
        const HeadingStyle& style = kHeadingStyles[size_t(level - 1)];
        Element heading;
        heading.topMargin = style.topMargin;
        heading.bottomMargin = style.bottomMargin;
        heading.headingLevel = level;
        heading.charFormat = m_textFormat;
        if (style.bold) {
            heading.charFormat.setProperty(QTextFormat::FontSizeAdjustment, style.sizeAdjustment);
            heading.charFormat.setFontWeight(QFont::Bold);
        }
        return appendTextBlock(node, heading);
    }
    case CMARK_NODE_CODE_BLOCK:
        return appendCodeBlock(node);
    case CMARK_NODE_THEMATIC_BREAK:
        return appendThematicBreak();
    case CMARK_NODE_BLOCK_QUOTE:
        return appendBlockQuote(node);
    case CMARK_NODE_LIST:
        return appendList(node);
    default:
        return false;
    }
}

// A block that receives no text lends its format to the next element in the HTML reading;
// such blocks take that way.
bool CmarkTextDocumentBuilder::appendTextBlock(cmark_node* node, const Element& element)
{
    openBlock(element);
    return appendInlines(node, element.charFormat) && !m_hasBlock;
}

// Preformatted text keeps its whitespace; each line break starts a block with the current
// one's format, which hands on its bottom margin, so the code's final line break leaves an
// empty last block. A new line's character format is the code's, or after an empty line that
// line's block format.
bool CmarkTextDocumentBuilder::appendCodeBlock(cmark_node* codeBlock)
{
    QString code = literalOf(codeBlock);
    code.remove(u'\r');
    if (code.isEmpty() || hasMark(code))
        return false;
    Element pre;
    pre.topMargin = kBlockMargin;
    pre.bottomMargin = kBlockMargin;
    pre.isPreformatted = true;
    pre.charFormat = m_codeFormat;
    openBlock(pre);
    const QTextBlockFormat format = m_blockWaiting ? m_waitingBlockFormat : m_cursor.blockFormat();
    QTextCharFormat lineCharFormat
        = m_blockWaiting ? m_waitingBlockCharFormat : m_cursor.blockCharFormat();
    const auto isLineBreak
        = [](QChar unit) { return unit == u'\n' || unit == QChar::ParagraphSeparator; };
    const auto lastBreak = std::find_if(code.crbegin(), code.crend(), isLineBreak);
    const qsizetype lastLineStart = code.crend() - lastBreak;
    if (lastLineStart > 0 && format.hasProperty(QTextFormat::BlockBottomMargin)) {
        QTextBlockFormat firstFormat = format;
        firstFormat.clearProperty(QTextFormat::BlockBottomMargin);
        if (m_blockWaiting)
            m_waitingBlockFormat = firstFormat;
        else
            m_cursor.setBlockFormat(firstFormat);
    }
    placeBlock();
    QTextBlockFormat middleFormat = format;
    middleFormat.clearProperty(QTextFormat::BlockTopMargin);
    QTextBlockFormat lastFormat = middleFormat;
    middleFormat.clearProperty(QTextFormat::BlockBottomMargin);
    qsizetype lineStart = 0;
    for (qsizetype at = 0; at <= code.size(); ++at) {
        if (at < code.size() && !isLineBreak(code.at(at)))
            continue;
        if (at > lineStart) {
            m_cursor.insertText(code.mid(lineStart, at - lineStart), m_codeFormat);
            lineCharFormat = m_codeFormat;
        }
        if (at == code.size())
            break;
        lineStart = at + 1;
        m_cursor.insertBlock(
            lineStart == lastLineStart ? lastFormat : middleFormat, lineCharFormat);
    }
    m_hasBlock = false;
    m_whitespace = Whitespace::Keep;
    return true;
}

bool CmarkTextDocumentBuilder::appendThematicBreak()
{
    // Merged into a list item's empty block, a rule loses the item in the HTML reading.
    if (m_hasBlock && !m_lists.empty())
        return false;
    flushText();
    QTextBlockFormat format;
    format.setTopMargin(0);
    format.setBottomMargin(0);
    format.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength());
    if (m_hasBlock && m_blockWaiting) {
        m_waitingBlockFormat.merge(format);
        placeBlock();
    } else if (m_hasBlock) {
        m_cursor.mergeBlockFormat(format);
    } else {
        m_cursor.insertBlock(format, QTextCharFormat());
    }
    m_hasBlock = false;
    m_whitespace = Whitespace::Drop;
    return true;
}

bool CmarkTextDocumentBuilder::appendBlockQuote(cmark_node* blockQuote)
{
    Element quote;
    quote.topMargin = kBlockMargin;
    quote.bottomMargin = kBlockMargin;
    quote.sideMargin = kBlockQuoteIndent;
    quote.isQuote = true;
    quote.charFormat = m_textFormat;
    openBlock(quote);
    m_sideMargin += kBlockQuoteIndent;
    const bool appended = appendBlocks(blockQuote);
    m_sideMargin -= kBlockQuoteIndent;
    return appended;
}

// Only a list outside every other list has margins; they go to its first and last items.
bool CmarkTextDocumentBuilder::appendList(cmark_node* list)
{
    if (!cmark_node_first_child(list) || ++m_depth > kMaximumDepth)
        return false;
    OpenList open;
    open.format.setStyle(cmark_node_get_list_type(list) == CMARK_ORDERED_LIST
            ? QTextListFormat::ListDecimal
            : QTextListFormat::ListDisc);
    open.format.setIndent(int(m_lists.size()) + 1);
    open.margin = m_lists.empty() ? kBlockMargin : 0;
    m_lists.push_back(open);
    m_whitespace = Whitespace::Drop;
    const bool isTight = cmark_node_get_list_tight(list);
    for (cmark_node* item = cmark_node_first_child(list); item; item = cmark_node_next(item)) {
        if (!appendItem(item, isTight, !cmark_node_next(item)))
            return false;
    }
    m_lists.pop_back();
    --m_depth;
    return true;
}

// A tight list's paragraphs are no elements: their text is the item's own. Text after one of
// the item's blocks would make a block of its own, so such items take the HTML way.
bool CmarkTextDocumentBuilder::appendItem(cmark_node* item, bool isTight, bool isLast)
{
    if (cmark_node_get_type(item) != CMARK_NODE_ITEM || !cmark_node_first_child(item))
        return false;
    Element element;
    element.isItem = true;
    element.charFormat = m_textFormat;
    openBlock(element, isLast);
    for (cmark_node* child = cmark_node_first_child(item); child; child = cmark_node_next(child)) {
        if (!isTight || cmark_node_get_type(child) != CMARK_NODE_PARAGRAPH) {
            if (!appendBlock(child))
                return false;
            continue;
        }
        if (cmark_node_previous(child) || !appendInlines(child, m_textFormat) || m_hasBlock)
            return false;
        // The line break before the next block's tag.
        if (cmark_node_next(child) && !appendCollapsed(u"\n", m_textFormat))
            return false;
    }
    return true;
}

bool CmarkTextDocumentBuilder::appendInlines(cmark_node* parent, const QTextCharFormat& format)
{
    if (++m_depth > kMaximumDepth)
        return false;
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
            appendText(QStringView(&kLineSeparator, 1), format);
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
            if (!appendInlines(child, styled))
                return false;
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
    --m_depth;
    return true;
}

bool CmarkTextDocumentBuilder::appendLink(cmark_node* link, QTextCharFormat format)
{
    const char* url = cmark_node_get_url(link);
    if (!url || isDangerousUrl(url))
        return false;
    format.setAnchor(true);
    // An empty target reads as an anchor that links nowhere, in the text's own look.
    if (*url) {
        format.setAnchorHref(hrefOf(url));
        format.setForeground(QGuiApplication::palette().link());
        format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    }
    const char* title = cmark_node_get_title(link);
    if (title && *title) {
        const QString toolTip = QString::fromUtf8(title);
        if (hasMark(toolTip))
            return false;
        format.setToolTip(toolTip);
    }
    return appendInlines(link, format);
}

void CmarkTextDocumentBuilder::openBlock(const Element& element, bool isLastItem)
{
    flushText();
    QTextBlockFormat block;
    QTextCharFormat charFormat;
    if (m_hasBlock && m_blockWaiting) {
        block = m_waitingBlockFormat;
        charFormat = m_waitingBlockCharFormat;
    } else if (m_hasBlock) {
        block = m_cursor.blockFormat();
        charFormat = m_cursor.blockCharFormat();
    }
    if (element.topMargin > block.topMargin())
        block.setTopMargin(element.topMargin);
    qreal bottomMargin = element.bottomMargin;
    if (element.isItem && isLastItem)
        bottomMargin = qMax(bottomMargin, m_lists.back().margin);
    if (block.bottomMargin() != bottomMargin)
        block.setBottomMargin(bottomMargin);
    const qreal sideMargin = m_sideMargin + element.sideMargin;
    if (block.leftMargin() != sideMargin)
        block.setLeftMargin(sideMargin);
    if (block.rightMargin() != sideMargin)
        block.setRightMargin(sideMargin);
    // Blocks inside a list that are not its items are indented by the list depth; a waiting
    // block is never an item. The block's own list is asked: the list keeps no roster of its items.
    if (!element.isItem && !m_lists.empty()
        && (!m_hasBlock || m_blockWaiting || !m_lists.back().list
            || m_cursor.block().textList() != m_lists.back().list))
        block.setIndent(int(m_lists.size()));
    if (element.headingLevel)
        block.setHeadingLevel(element.headingLevel);
    if (element.isQuote)
        block.setProperty(QTextFormat::BlockQuoteLevel, 1);
    charFormat.merge(element.charFormat);
    if (element.isPreformatted)
        block.setNonBreakableLines(true);
    const bool merged = m_hasBlock;
    const bool placed = merged && !m_blockWaiting;
    if (!merged && !element.isPreformatted)
        m_whitespace = Whitespace::Drop;
    m_hasBlock = true;
    if (!element.isItem) {
        if (placed) {
            m_cursor.setBlockFormat(block);
            m_cursor.setBlockCharFormat(charFormat);
        } else {
            m_blockWaiting = true;
            m_waitingBlockFormat = block;
            m_waitingBlockCharFormat = charFormat;
        }
        return;
    }
    // An item's block joins its list, which the first item creates with the list's top margin.
    OpenList& open = m_lists.back();
    if (!open.list && open.margin > block.topMargin())
        block.setTopMargin(open.margin);
    if (placed) {
        m_cursor.setBlockFormat(block);
        m_cursor.setBlockCharFormat(charFormat);
        if (open.list)
            open.list->add(m_cursor.block());
        else
            open.list = m_cursor.createList(open.format);
    } else {
        if (open.list)
            block.setObjectIndex(open.list->objectIndex());
        m_blockWaiting = true;
        m_waitingBlockFormat = block;
        m_waitingBlockCharFormat = charFormat;
        placeBlock();
        if (!open.list)
            open.list = m_cursor.createList(open.format);
    }
    if (merged) {
        QTextBlockFormat indent;
        indent.setIndent(0);
        m_cursor.mergeBlockFormat(indent);
    }
}

void CmarkTextDocumentBuilder::placeBlock()
{
    if (!m_blockWaiting)
        return;
    if (m_atDocumentStart) {
        m_cursor.setBlockFormat(m_waitingBlockFormat);
        m_cursor.setBlockCharFormat(m_waitingBlockCharFormat);
    } else {
        m_cursor.insertBlock(m_waitingBlockFormat, m_waitingBlockCharFormat);
    }
    m_blockWaiting = false;
    m_atDocumentStart = false;
}

bool CmarkTextDocumentBuilder::appendCollapsed(QStringView text, const QTextCharFormat& format)
{
    m_collapsed.resize(0);
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar unit = text.at(at);
        // A paragraph separator would start a block of its own.
        if (unit == QChar::ParagraphSeparator || isMark(unit))
            return false;
        if (!unit.isSpace() || unit == QChar::Nbsp) {
            m_whitespace = Whitespace::Keep;
            continue;
        }
        m_collapsed += text.mid(runStart, at - runStart);
        runStart = at + 1;
        if (m_whitespace == Whitespace::Keep)
            m_collapsed += u' ';
        m_whitespace = Whitespace::Drop;
    }
    if (runStart == 0) {
        appendText(text, format);
    } else {
        m_collapsed += text.mid(runStart);
        appendText(m_collapsed, format);
    }
    return true;
}

void CmarkTextDocumentBuilder::appendText(QStringView text, const QTextCharFormat& format)
{
    if (text.isEmpty())
        return;
    if (!m_waitingText.isEmpty() && format != m_waitingFormat)
        flushText();
    if (m_waitingText.isEmpty())
        m_waitingFormat = format;
    m_waitingText += text;
    m_hasBlock = false;
}

void CmarkTextDocumentBuilder::flushText()
{
    if (m_waitingText.isEmpty())
        return;
    placeBlock();
    m_cursor.insertText(m_waitingText, m_waitingFormat);
    m_waitingText.resize(0);
}

} // namespace markdown
