#include "AttributedStringVisitor.h"

#include <cmark.h>

namespace markdown {

using platform::MutableAttributedString;

namespace {

const QString kParagraphSeparator(QChar::ParagraphSeparator);
const QString kLineSeparator(QChar::LineSeparator);
const QString kBullet = QStringLiteral("\u2022");

bool isNewline(QChar c)
{
    const char16_t unit = c.unicode();
    return (unit >= 0x0A && unit <= 0x0D) || unit == 0x85 || unit == 0x2028 || unit == 0x2029;
}

// A code or HTML block's lines: newlines trimmed from both ends, every single newline inside
// becoming U+2028 (so a blank line inside the block stays an empty line).
QString blockLines(const QString& literal)
{
    qsizetype from = 0;
    qsizetype to = literal.size();
    while (from < to && isNewline(literal[from]))
        ++from;
    while (to > from && isNewline(literal[to - 1]))
        --to;
    QString lines = literal.mid(from, to - from);
    for (QChar& c : lines) {
        if (isNewline(c))
            c = QChar::LineSeparator;
    }
    return lines;
}

// Blocks that end with U+2029 when a sibling follows them.
bool separatesFromSuccessor(cmark_node_type type)
{
    switch (type) {
    case CMARK_NODE_BLOCK_QUOTE:
    case CMARK_NODE_LIST:
    case CMARK_NODE_ITEM:
    case CMARK_NODE_CODE_BLOCK:
    case CMARK_NODE_HTML_BLOCK:
    case CMARK_NODE_PARAGRAPH:
    case CMARK_NODE_HEADING:
        return true;
    default:
        return false;
    }
}

// Node types that cmark's iterator enters without leaving.
bool isLeaf(cmark_node_type type)
{
    switch (type) {
    case CMARK_NODE_CODE_BLOCK:
    case CMARK_NODE_HTML_BLOCK:
    case CMARK_NODE_THEMATIC_BREAK:
    case CMARK_NODE_TEXT:
    case CMARK_NODE_SOFTBREAK:
    case CMARK_NODE_LINEBREAK:
    case CMARK_NODE_CODE:
    case CMARK_NODE_HTML_INLINE:
        return true;
    default:
        return false;
    }
}

QString literalOf(cmark_node* node)
{
    const char* literal = cmark_node_get_literal(node);
    return literal ? QString::fromUtf8(literal) : QString();
}

} // namespace

AttributedStringVisitor::AttributedStringVisitor(Styler& styler, MarkdownOptions options,
    ListItemPrefixGenerator::Builder listPrefixGeneratorBuilder)
    : m_styler(styler),
      m_options(options),
      m_listPrefixGeneratorBuilder(std::move(listPrefixGeneratorBuilder))
{ }

MutableAttributedString AttributedStringVisitor::childrenText(const Node& node)
{
    if (m_depth >= maximumNestingDepth)
        return flattenedText(node);
    ++m_depth;
    MutableAttributedString joined;
    for (const MutableAttributedString& child : visitChildren(node))
        joined.append(child);
    --m_depth;
    return joined;
}

MutableAttributedString AttributedStringVisitor::flattenedText(const Node& node) const
{
    QString text;
    cmark_iter* iterator = cmark_iter_new(node.cmarkNode());
    cmark_node* root = node.cmarkNode();
    for (cmark_event_type event = cmark_iter_next(iterator); event != CMARK_EVENT_DONE;
         event = cmark_iter_next(iterator)) {
        cmark_node* current = cmark_iter_get_node(iterator);
        if (current == root)
            continue;
        const auto type = cmark_node_type(cmark_node_get_type(current));
        if (event == CMARK_EVENT_ENTER) {
            switch (type) {
            case CMARK_NODE_TEXT:
            case CMARK_NODE_CODE:
            case CMARK_NODE_HTML_INLINE:
            case CMARK_NODE_CUSTOM_INLINE:
            case CMARK_NODE_CUSTOM_BLOCK:
                text += literalOf(current);
                break;
            case CMARK_NODE_CODE_BLOCK:
            case CMARK_NODE_HTML_BLOCK:
                text += blockLines(literalOf(current));
                break;
            case CMARK_NODE_SOFTBREAK:
                text += softBreakText();
                break;
            case CMARK_NODE_LINEBREAK:
                text += kLineSeparator;
                break;
            case CMARK_NODE_THEMATIC_BREAK:
                text += QStringLiteral("\u200B\n");
                break;
            default:
                break;
            }
        }
        if ((event == CMARK_EVENT_EXIT || isLeaf(type)) && separatesFromSuccessor(type)
            && cmark_node_next(current))
            text += kParagraphSeparator;
    }
    cmark_iter_free(iterator);
    MutableAttributedString flattened(text);
    if (!text.isEmpty())
        m_styler.styleText(flattened);
    return flattened;
}

void AttributedStringVisitor::appendSeparatorIfFollowed(
    MutableAttributedString& string, const Node& node)
{
    if (node.hasSuccessor())
        string.append(kParagraphSeparator);
}

QString AttributedStringVisitor::softBreakText() const
{
    return m_options.contains(MarkdownOptions::hardBreaks) ? kLineSeparator : QStringLiteral(" ");
}

MutableAttributedString AttributedStringVisitor::visit(Document& document)
{
    MutableAttributedString string = childrenText(document);
    m_styler.styleDocument(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(BlockQuote& blockQuote)
{
    MutableAttributedString string = childrenText(blockQuote);
    appendSeparatorIfFollowed(string, blockQuote);
    m_styler.styleBlockQuote(string, blockQuote.nestDepth());
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(List& list)
{
    m_listPrefixGenerators.push_back(m_listPrefixGeneratorBuilder(list));
    MutableAttributedString string = childrenText(list);
    appendSeparatorIfFollowed(string, list);
    m_styler.styleList(string, list.nestDepth());
    m_listPrefixGenerators.pop_back();
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Item& item)
{
    MutableAttributedString string = childrenText(item);
    std::optional<QString> prefix;
    if (!m_listPrefixGenerators.empty() && m_listPrefixGenerators.back())
        prefix = m_listPrefixGenerators.back()->next();
    const QString itemPrefix = prefix.value_or(kBullet);
    MutableAttributedString prefixString(itemPrefix + QLatin1Char('\t'));
    m_styler.styleListItemPrefix(prefixString);
    string.insert(prefixString, 0);
    appendSeparatorIfFollowed(string, item);
    m_styler.styleItem(string, itemPrefix.size());
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(CodeBlock& codeBlock)
{
    if (!codeBlock.literal())
        return {};
    MutableAttributedString string(blockLines(*codeBlock.literal()));
    appendSeparatorIfFollowed(string, codeBlock);
    m_styler.styleCodeBlock(string, codeBlock.fenceInfo());
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(HtmlBlock& htmlBlock)
{
    if (!htmlBlock.literal())
        return {};
    MutableAttributedString string(blockLines(*htmlBlock.literal()));
    appendSeparatorIfFollowed(string, htmlBlock);
    m_styler.styleHtmlBlock(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(CustomBlock& customBlock)
{
    if (!customBlock.literal())
        return {};
    MutableAttributedString string(*customBlock.literal());
    m_styler.styleCustomBlock(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Paragraph& paragraph)
{
    MutableAttributedString string = childrenText(paragraph);
    appendSeparatorIfFollowed(string, paragraph);
    m_styler.styleParagraph(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Heading& heading)
{
    MutableAttributedString string = childrenText(heading);
    appendSeparatorIfFollowed(string, heading);
    m_styler.styleHeading(string, heading.headingLevel());
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(ThematicBreak&)
{
    MutableAttributedString string(QStringLiteral("\u200B\n"));
    m_styler.styleThematicBreak(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Text& text)
{
    if (!text.literal())
        return {};
    MutableAttributedString string(*text.literal());
    m_styler.styleText(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(SoftBreak&)
{
    MutableAttributedString string(softBreakText());
    m_styler.styleSoftBreak(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(LineBreak&)
{
    MutableAttributedString string(kLineSeparator);
    m_styler.styleLineBreak(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Code& code)
{
    if (!code.literal())
        return {};
    MutableAttributedString string(*code.literal());
    m_styler.styleCode(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(HtmlInline& htmlInline)
{
    if (!htmlInline.literal())
        return {};
    MutableAttributedString string(*htmlInline.literal());
    m_styler.styleHtmlInline(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(CustomInline& customInline)
{
    if (!customInline.literal())
        return {};
    MutableAttributedString string(*customInline.literal());
    m_styler.styleCustomInline(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Emphasis& emphasis)
{
    MutableAttributedString string = childrenText(emphasis);
    m_styler.styleEmphasis(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Strong& strong)
{
    MutableAttributedString string = childrenText(strong);
    m_styler.styleStrong(string);
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Link& link)
{
    MutableAttributedString string = childrenText(link);
    m_styler.styleLink(string, link.title(), link.url());
    return string;
}

MutableAttributedString AttributedStringVisitor::visit(Image& image)
{
    MutableAttributedString string = childrenText(image);
    m_styler.styleImage(string, image.title(), image.url());
    return string;
}

} // namespace markdown
