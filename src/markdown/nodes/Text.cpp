#include "Text.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& Text::literal() const
{
    return m_literal.get([this] { return CmarkNode::literal(cmarkNode()); });
}

void Text::setLiteral(std::optional<QString> literal)
{
    m_literal.set(std::move(literal));
}

QString Text::debugDescription() const
{
    return QStringLiteral("Text - ") + describe(literal());
}

} // namespace markdown
