#pragma once

#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <QString>

#include <cmark.h>

#include <cstdint>
#include <optional>

namespace markdown {

// Renders a cmark tree as LaTeX, wrapping lines at `width` (0: no wrapping); the tree stays the
// caller's. Never instantiated.
class MarkdownLaTeXRenderer final {
public:
    MarkdownLaTeXRenderer() = delete;

    static std::optional<QString> astToLaTeX(
        cmark_node* root, MarkdownOptions options, std::int32_t width, platform::Error* error);
};

} // namespace markdown
