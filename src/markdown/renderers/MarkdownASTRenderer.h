#pragma once

#include "markdown/CmarkTree.h"
#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <QString>

#include <optional>

namespace markdown {

// Parsing Markdown text into a cmark tree, and the step every text renderer shares: taking over
// the buffer cmark returns. Never instantiated.
class MarkdownASTRenderer final {
public:
    MarkdownASTRenderer() = delete;

    // Parses the UTF-8 form of `string` up to its first NUL character. Fails with
    // markdownToASTError when cmark returns no tree.
    static CmarkTree stringToAST(
        const QString& string, MarkdownOptions options, platform::Error* error);

    // Decodes a buffer returned by a cmark renderer and frees it with `free`. Fails with
    // astRenderingError when there is no buffer or it is not valid UTF-8.
    static std::optional<QString> takeRenderedText(char* buffer, platform::Error* error);
};

} // namespace markdown
