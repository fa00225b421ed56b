#include "Node.h"

#include "markdown/ChildSequence.h"

namespace markdown {

ChildSequence Node::childSequence() const
{
    return ChildSequence(cmarkNode());
}

bool Node::hasSuccessor() const
{
    return cmark_node_next(cmarkNode()) != nullptr;
}

} // namespace markdown
