#pragma once

#include "MarkdownASTRenderable.h"
#include "MarkdownHTMLRenderable.h"

#include <QTextDocument>

#include <memory>
#include <optional>

namespace markdown {

// Markdown text that becomes rich text (a QTextDocument) through its HTML rendering.
class MarkdownAttributedStringRenderable : public virtual MarkdownASTRenderable,
                                           public virtual MarkdownHTMLRenderable {
public:
    // The style sheet used when none is given.
    static const QString defaultStylesheet;

    // Renders toHTML(options), puts "<style>" + stylesheet + "</style>" in front and reads the
    // result as HTML. An absent stylesheet means defaultStylesheet; an empty one is used as is.
    // Fails with toHTML()'s error or htmlDataConversionError.
    virtual std::unique_ptr<QTextDocument> toAttributedString(MarkdownOptions options,
        const std::optional<QString>& stylesheet, platform::Error* error = nullptr) const;
};

} // namespace markdown
