#pragma once

#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <QString>

#include <cmark.h>

#include <optional>

namespace markdown {

// Renders a cmark tree as XML; the tree stays the caller's. Never instantiated.
class MarkdownXMLRenderer final {
public:
    MarkdownXMLRenderer() = delete;

    static std::optional<QString> astToXML(
        cmark_node* root, MarkdownOptions options, platform::Error* error);
};

} // namespace markdown
