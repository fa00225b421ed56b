#include "Code.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& Code::literal() const
{
    return m_literal.get([this] { return CmarkNode::literal(cmarkNode()); });
}

void Code::setLiteral(std::optional<QString> literal)
{
    m_literal.set(std::move(literal));
}

QString Code::debugDescription() const
{
    return QStringLiteral("Code - ") + describe(literal());
}

} // namespace markdown
