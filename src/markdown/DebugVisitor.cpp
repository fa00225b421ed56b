#include "DebugVisitor.h"

namespace markdown {

QString DebugVisitor::line(const BaseNode& node, bool arrow) const
{
    QString text(m_depth * 4, QLatin1Char(' '));
    if (arrow)
        text += QStringLiteral("\u21B3 ");
    return text + node.debugDescription() + QLatin1Char('\n');
}

QString DebugVisitor::withChildren(const BaseNode& node, bool arrow)
{
    QString text = line(node, arrow);
    ++m_depth;
    for (const QString& child : visitChildren(node))
        text += child;
    --m_depth;
    return text;
}

QString DebugVisitor::visit(Document& document)
{
    return withChildren(document, false);
}

QString DebugVisitor::visit(BlockQuote& blockQuote)
{
    return withChildren(blockQuote);
}

QString DebugVisitor::visit(List& list)
{
    return withChildren(list);
}

QString DebugVisitor::visit(Item& item)
{
    return withChildren(item);
}

QString DebugVisitor::visit(CodeBlock& codeBlock)
{
    return withChildren(codeBlock);
}

QString DebugVisitor::visit(HtmlBlock& htmlBlock)
{
    return withChildren(htmlBlock);
}

QString DebugVisitor::visit(CustomBlock& customBlock)
{
    return withChildren(customBlock);
}

QString DebugVisitor::visit(Paragraph& paragraph)
{
    return withChildren(paragraph);
}

QString DebugVisitor::visit(Heading& heading)
{
    return withChildren(heading);
}

QString DebugVisitor::visit(ThematicBreak& thematicBreak)
{
    return line(thematicBreak);
}

QString DebugVisitor::visit(Text& text)
{
    return line(text);
}

QString DebugVisitor::visit(SoftBreak& softBreak)
{
    return line(softBreak);
}

QString DebugVisitor::visit(LineBreak& lineBreak)
{
    return line(lineBreak);
}

QString DebugVisitor::visit(Code& code)
{
    return line(code);
}

QString DebugVisitor::visit(HtmlInline& htmlInline)
{
    return line(htmlInline);
}

QString DebugVisitor::visit(CustomInline& customInline)
{
    return line(customInline);
}

QString DebugVisitor::visit(Emphasis& emphasis)
{
    return withChildren(emphasis);
}

QString DebugVisitor::visit(Strong& strong)
{
    return withChildren(strong);
}

QString DebugVisitor::visit(Link& link)
{
    return withChildren(link);
}

QString DebugVisitor::visit(Image& image)
{
    return withChildren(image);
}

} // namespace markdown
