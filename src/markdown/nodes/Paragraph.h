#pragma once

#include "BaseNode.h"

namespace markdown {

// A paragraph; its children are inline nodes.
class Paragraph final : public BaseNode {
public:
    using BaseNode::BaseNode;

    QString debugDescription() const override;
};

} // namespace markdown
