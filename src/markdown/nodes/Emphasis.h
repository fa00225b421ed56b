#pragma once

#include "BaseNode.h"

namespace markdown {

// Emphasised inline content.
class Emphasis final : public BaseNode {
public:
    using BaseNode::BaseNode;

    QString debugDescription() const override;
};

} // namespace markdown
