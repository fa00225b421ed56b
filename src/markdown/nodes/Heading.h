#pragma once

#include "BaseNode.h"

namespace markdown {

// An ATX or setext heading; its children are inline nodes.
class Heading final : public BaseNode {
public:
    using BaseNode::BaseNode;

    int headingLevel() const;
    void setHeadingLevel(int headingLevel);

    QString debugDescription() const override;

private:
    Lazy<int> m_headingLevel;
};

} // namespace markdown
