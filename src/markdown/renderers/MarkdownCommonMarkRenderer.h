#pragma once

#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <QString>

#include <cmark.h>

#include <cstdint>
#include <optional>

namespace markdown {

// Renders a cmark tree as CommonMark, wrapping lines at `width` (0: no wrapping); the tree stays
// the caller's. Never instantiated.
class MarkdownCommonMarkRenderer final {
public:
    MarkdownCommonMarkRenderer() = delete;

    static std::optional<QString> astToCommonMark(
        cmark_node* root, MarkdownOptions options, std::int32_t width, platform::Error* error);
};

} // namespace markdown
