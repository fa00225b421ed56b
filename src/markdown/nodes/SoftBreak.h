#pragma once

#include "BaseNode.h"

namespace markdown {

// A line break inside a paragraph that the source did not force; a leaf.
class SoftBreak final : public BaseNode {
public:
    using BaseNode::BaseNode;

    QString debugDescription() const override;
};

} // namespace markdown
