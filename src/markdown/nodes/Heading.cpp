#include "Heading.h"

#include "markdown/CmarkNode.h"

namespace markdown {

int Heading::headingLevel() const
{
    return m_headingLevel.get([this] { return CmarkNode::headingLevel(cmarkNode()); });
}

void Heading::setHeadingLevel(int headingLevel)
{
    m_headingLevel.set(headingLevel);
}

QString Heading::debugDescription() const
{
    return QStringLiteral("Heading - L") + QString::number(headingLevel());
}

} // namespace markdown
