#pragma once

#include "MarkdownRenderable.h"
#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <cstdint>
#include <optional>

namespace markdown {

// Markdown text that renders to groff (manual-page markup).
class MarkdownGroffRenderable : public virtual MarkdownRenderable {
public:
    // Parses and renders markdownString() with the same options, wrapping at `width`
    // (0: no wrapping).
    virtual std::optional<QString> toGroff(
        MarkdownOptions options, std::int32_t width, platform::Error* error = nullptr) const;
};

} // namespace markdown
