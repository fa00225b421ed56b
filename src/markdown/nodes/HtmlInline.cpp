#include "HtmlInline.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& HtmlInline::literal() const
{
    return m_literal.get([this] { return CmarkNode::literal(cmarkNode()); });
}

void HtmlInline::setLiteral(std::optional<QString> literal)
{
    m_literal.set(std::move(literal));
}

QString HtmlInline::debugDescription() const
{
    return QStringLiteral("Html Inline - ") + describe(literal());
}

} // namespace markdown
