#include "CodeBlock.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& CodeBlock::literal() const
{
    return m_literal.get([this] { return CmarkNode::literal(cmarkNode()); });
}

void CodeBlock::setLiteral(std::optional<QString> literal)
{
    m_literal.set(std::move(literal));
}

const std::optional<QString>& CodeBlock::fenceInfo() const
{
    return m_fenceInfo.get([this] { return CmarkNode::fenceInfo(cmarkNode()); });
}

void CodeBlock::setFenceInfo(std::optional<QString> fenceInfo)
{
    m_fenceInfo.set(std::move(fenceInfo));
}

QString CodeBlock::debugDescription() const
{
    return QStringLiteral("Code Block - fenceInfo: ") + describe(fenceInfo())
        + QStringLiteral(", content: ") + describeLines(literal());
}

} // namespace markdown
