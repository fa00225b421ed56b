#include "Link.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& Link::title() const
{
    return m_title.get([this] { return CmarkNode::title(cmarkNode()); });
}

void Link::setTitle(std::optional<QString> title)
{
    m_title.set(std::move(title));
}

const std::optional<QString>& Link::url() const
{
    return m_url.get([this] { return CmarkNode::url(cmarkNode()); });
}

void Link::setUrl(std::optional<QString> url)
{
    m_url.set(std::move(url));
}

// Ends with a closing parenthesis that has no opening one; callers compare the exact text.
QString Link::debugDescription() const
{
    return QStringLiteral("Link - title: ") + describe(title()) + QStringLiteral(", url: ")
        + describe(url()) + QLatin1Char(')');
}

} // namespace markdown
