#pragma once

#include "BaseNode.h"

namespace markdown {

// Strongly emphasised inline content.
class Strong final : public BaseNode {
public:
    using BaseNode::BaseNode;

    QString debugDescription() const override;
};

} // namespace markdown
