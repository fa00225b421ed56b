#pragma once

#include "MarkdownRenderable.h"
#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <optional>

namespace markdown {

// Markdown text that renders to cmark's XML form of the tree.
class MarkdownXMLRenderable : public virtual MarkdownRenderable {
public:
    // Parses and renders markdownString() with the same options.
    virtual std::optional<QString> toXML(
        MarkdownOptions options, platform::Error* error = nullptr) const;
};

} // namespace markdown
