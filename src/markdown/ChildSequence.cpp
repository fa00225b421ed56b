#include "ChildSequence.h"

#include "CmarkNode.h"
#include "markdown/nodes/BaseNode.h"

namespace markdown {

std::shared_ptr<Node> ChildSequence::Iterator::next()
{
    if (!m_next)
        return nullptr;
    cmark_node* current = m_next;
    m_next = cmark_node_next(current);
    return CmarkNode::wrap(current);
}

} // namespace markdown
