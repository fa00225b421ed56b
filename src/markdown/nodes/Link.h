#pragma once

#include "BaseNode.h"

#include <optional>

namespace markdown {

// A link; its children are the link text.
class Link final : public BaseNode {
public:
    using BaseNode::BaseNode;

    const std::optional<QString>& title() const;
    void setTitle(std::optional<QString> title);
    const std::optional<QString>& url() const;
    void setUrl(std::optional<QString> url);

    QString debugDescription() const override;

private:
    Lazy<std::optional<QString>> m_title;
    Lazy<std::optional<QString>> m_url;
};

} // namespace markdown
