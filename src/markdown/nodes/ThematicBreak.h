#pragma once

#include "BaseNode.h"

namespace markdown {

// A thematic break (horizontal rule); a leaf.
class ThematicBreak final : public BaseNode {
public:
    using BaseNode::BaseNode;

    QString debugDescription() const override;
};

} // namespace markdown
