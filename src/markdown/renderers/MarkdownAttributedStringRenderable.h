#pragma once

#include "MarkdownASTRenderable.h"
#include "MarkdownHTMLRenderable.h"

#include "platform/text/MutableAttributedString.h"

#include <QTextDocument>

#include <memory>
#include <optional>

namespace markdown {

class Styler;

// Markdown text that becomes rich text: a QTextDocument through its HTML rendering, or styled
// text through a Styler.
class MarkdownAttributedStringRenderable : public virtual MarkdownASTRenderable,
                                           public virtual MarkdownHTMLRenderable {
public:
    // The style sheet used when none is given, and the families it names for text and for
    // code.
    static const QString defaultStylesheet;
    static const QString defaultTextFamily;
    static const QString defaultCodeFamily;

    // Renders toAST(options) as HTML, puts "<style>" + stylesheet + "</style>" in front and
    // reads the result as HTML. An absent stylesheet means defaultStylesheet; an empty one is
    // used as is. With the default one, CmarkTextDocumentBuilder gives the same document
    // directly whenever it can. Fails with toAST()'s or the HTML renderer's error, or
    // htmlDataConversionError.
    virtual std::unique_ptr<QTextDocument> toAttributedString(MarkdownOptions options,
        const std::optional<QString>& stylesheet, platform::Error* error = nullptr) const;

    // Parses with toDocument(options) and walks the node tree with an AttributedStringVisitor
    // that hands every piece to `styler`, numbering list items with
    // StaticListItemPrefixGenerator. Fails with toDocument()'s error.
    virtual std::optional<platform::MutableAttributedString> toAttributedString(
        MarkdownOptions options, Styler& styler, platform::Error* error = nullptr) const;
};

} // namespace markdown
