#pragma once

#include "BaseNode.h"

#include <optional>

namespace markdown {

// An indented or fenced code block; a leaf whose literal is the code.
class CodeBlock final : public BaseNode {
public:
    using BaseNode::BaseNode;

    const std::optional<QString>& literal() const;
    void setLiteral(std::optional<QString> literal);
    // The info string after the opening fence, such as a language name.
    const std::optional<QString>& fenceInfo() const;
    void setFenceInfo(std::optional<QString> fenceInfo);

    QString debugDescription() const override;

private:
    Lazy<std::optional<QString>> m_literal;
    Lazy<std::optional<QString>> m_fenceInfo;
};

} // namespace markdown
