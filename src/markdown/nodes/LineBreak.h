#pragma once

#include "BaseNode.h"

namespace markdown {

// A hard line break; a leaf.
class LineBreak final : public BaseNode {
public:
    using BaseNode::BaseNode;

    QString debugDescription() const override;
};

} // namespace markdown
