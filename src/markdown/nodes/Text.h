#pragma once

#include "BaseNode.h"

#include <optional>

namespace markdown {

// A run of plain text; a leaf.
class Text final : public BaseNode {
public:
    using BaseNode::BaseNode;

    const std::optional<QString>& literal() const;
    void setLiteral(std::optional<QString> literal);

    QString debugDescription() const override;

private:
    Lazy<std::optional<QString>> m_literal;
};

} // namespace markdown
