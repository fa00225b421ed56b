#include "CustomBlock.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& CustomBlock::literal() const
{
    return m_literal.get([this] { return CmarkNode::literal(cmarkNode()); });
}

void CustomBlock::setLiteral(std::optional<QString> literal)
{
    m_literal.set(std::move(literal));
}

QString CustomBlock::debugDescription() const
{
    return QStringLiteral("Custom Block - ") + describe(literal());
}

} // namespace markdown
