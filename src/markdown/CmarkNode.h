#pragma once

#include <QString>

#include <cmark.h>

#include <memory>
#include <optional>

namespace markdown {

class BaseNode;

// Read-only access to one cmark node, and the factory that gives it its node class.
// Never instantiated.
class CmarkNode final {
public:
    CmarkNode() = delete;

    static cmark_node* parent(cmark_node* node) { return cmark_node_parent(node); }
    static int type(cmark_node* node) { return cmark_node_get_type(node); }
    // Strings are absent when cmark has none or an empty one.
    static std::optional<QString> literal(cmark_node* node);
    static std::optional<QString> fenceInfo(cmark_node* node);
    static std::optional<QString> title(cmark_node* node);
    static std::optional<QString> url(cmark_node* node);
    static int headingLevel(cmark_node* node) { return cmark_node_get_heading_level(node); }
    static int listStart(cmark_node* node) { return cmark_node_get_list_start(node); }
    static int listType(cmark_node* node) { return cmark_node_get_list_type(node); }
    static int listDelimiter(cmark_node* node) { return cmark_node_get_list_delim(node); }

    // A new object of the node's class, or null for a type without one. Each call makes a
    // separate object; none of them owns the tree.
    static std::shared_ptr<BaseNode> wrap(cmark_node* node);
};

} // namespace markdown
