#pragma once

#include "MarkdownRenderable.h"
#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <optional>

namespace markdown {

// Markdown text that renders to HTML.
class MarkdownHTMLRenderable : public virtual MarkdownRenderable {
public:
    // Parses and renders markdownString() with the same options.
    virtual std::optional<QString> toHTML(
        MarkdownOptions options, platform::Error* error = nullptr) const;
};

// Parses `markdownString` and renders it as HTML with the same options, freeing the tree.
// Fails with markdownToASTError or astRenderingError.
std::optional<QString> toHTML(
    const QString& markdownString, MarkdownOptions options, platform::Error* error = nullptr);

} // namespace markdown
