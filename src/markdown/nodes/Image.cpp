#include "Image.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::optional<QString>& Image::title() const
{
    return m_title.get([this] { return CmarkNode::title(cmarkNode()); });
}

void Image::setTitle(std::optional<QString> title)
{
    m_title.set(std::move(title));
}

const std::optional<QString>& Image::url() const
{
    return m_url.get([this] { return CmarkNode::url(cmarkNode()); });
}

void Image::setUrl(std::optional<QString> url)
{
    m_url.set(std::move(url));
}

// Ends with a closing parenthesis that has no opening one; callers compare the exact text.
QString Image::debugDescription() const
{
    return QStringLiteral("Image - title: ") + describe(title()) + QStringLiteral(", url: ")
        + describe(url()) + QLatin1Char(')');
}

} // namespace markdown
