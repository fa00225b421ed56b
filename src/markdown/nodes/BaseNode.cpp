#include "BaseNode.h"

#include "markdown/CmarkNode.h"

namespace markdown {

const std::vector<std::shared_ptr<Node>>& BaseNode::children() const
{
    return m_children.get([this] {
        std::vector<std::shared_ptr<Node>> children;
        for (cmark_node* child = cmark_node_first_child(m_cmarkNode); child;
             child = cmark_node_next(child)) {
            std::shared_ptr<Node> wrapped = CmarkNode::wrap(child);
            if (!wrapped)
                break;
            children.push_back(std::move(wrapped));
        }
        return children;
    });
}

void BaseNode::setChildren(std::vector<std::shared_ptr<Node>> children)
{
    m_children.set(std::move(children));
}

int BaseNode::nestDepth() const
{
    return m_nestDepth.get([this] {
        const int ownType = CmarkNode::type(m_cmarkNode);
        int depth = 0;
        for (cmark_node* parent = CmarkNode::parent(m_cmarkNode); parent;
             parent = CmarkNode::parent(parent)) {
            if (CmarkNode::type(parent) == ownType)
                ++depth;
        }
        return depth;
    });
}

void BaseNode::setNestDepth(int nestDepth)
{
    m_nestDepth.set(nestDepth);
}

QString BaseNode::describe(const std::optional<QString>& value)
{
    return value.value_or(QStringLiteral("nil"));
}

QString BaseNode::describeLines(const std::optional<QString>& value)
{
    if (!value)
        return QStringLiteral("nil");
    return QString(*value).replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

} // namespace markdown
