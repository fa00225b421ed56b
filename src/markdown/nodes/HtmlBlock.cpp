#include "HtmlBlock.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& HtmlBlock::literal() const
{
    return m_literal.get([this] { return CmarkNode::literal(cmarkNode()); });
}

void HtmlBlock::setLiteral(std::optional<QString> literal)
{
    m_literal.set(std::move(literal));
}

QString HtmlBlock::debugDescription() const
{
    return QStringLiteral("Html Block - content: ") + describeLines(literal());
}

} // namespace markdown
