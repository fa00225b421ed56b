#pragma once

#include "BaseNode.h"

namespace markdown {

// One item of a list; its children are the item's blocks.
class Item final : public BaseNode {
public:
    using BaseNode::BaseNode;

    QString debugDescription() const override;
};

} // namespace markdown
