#pragma once

#include "BaseNode.h"

namespace markdown {

// A block quote; its children are the quoted blocks.
class BlockQuote final : public BaseNode {
public:
    using BaseNode::BaseNode;

    QString debugDescription() const override;
};

} // namespace markdown
