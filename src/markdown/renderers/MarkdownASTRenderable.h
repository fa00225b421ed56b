#pragma once

#include "MarkdownRenderable.h"
#include "markdown/CmarkTree.h"
#include "markdown/MarkdownOptions.h"
#include "markdown/nodes/Document.h"
#include "platform/foundation/Error.h"

#include <memory>

namespace markdown {

// Markdown text that can be parsed into a cmark tree and into the node tree.
class MarkdownASTRenderable : public virtual MarkdownRenderable {
public:
    // Parses markdownString(); the caller owns the tree. Fails with markdownToASTError.
    virtual CmarkTree toAST(MarkdownOptions options, platform::Error* error = nullptr) const;

    // The node tree over toAST()'s tree, which the Document then owns. Fails with toAST()'s
    // error, or astRenderingError when the root is not a document node.
    std::shared_ptr<Document> toDocument(
        MarkdownOptions options, platform::Error* error = nullptr) const;
};

} // namespace markdown
