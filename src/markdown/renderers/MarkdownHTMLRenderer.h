#pragma once

#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <QString>

#include <cmark.h>

#include <optional>

namespace markdown {

// Renders a cmark tree as HTML; the tree stays the caller's. Never instantiated.
class MarkdownHTMLRenderer final {
public:
    MarkdownHTMLRenderer() = delete;

    static std::optional<QString> astToHTML(
        cmark_node* root, MarkdownOptions options, platform::Error* error);
};

} // namespace markdown
