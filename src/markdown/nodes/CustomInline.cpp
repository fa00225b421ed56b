#include "CustomInline.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& CustomInline::literal() const
{
    return m_literal.get([this] { return CmarkNode::literal(cmarkNode()); });
}

void CustomInline::setLiteral(std::optional<QString> literal)
{
    m_literal.set(std::move(literal));
}

QString CustomInline::debugDescription() const
{
    return QStringLiteral("Custom Inline - ") + describe(literal());
}

} // namespace markdown
