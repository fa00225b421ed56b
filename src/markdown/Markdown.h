#pragma once

#include "markdown/renderers/MarkdownAttributedStringRenderable.h"
#include "markdown/renderers/MarkdownCommonMarkRenderable.h"
#include "markdown/renderers/MarkdownGroffRenderable.h"
#include "markdown/renderers/MarkdownLaTeXRenderable.h"
#include "markdown/renderers/MarkdownXMLRenderable.h"

#include <QString>

namespace markdown {

// A Markdown text with every conversion of the library: cmark and node trees, HTML, XML,
// LaTeX, groff, CommonMark and rich text. A value: copies are independent. Keeps no state
// between calls; each conversion parses afresh on the caller's thread.
class Markdown final : public MarkdownAttributedStringRenderable,
                       public MarkdownXMLRenderable,
                       public MarkdownLaTeXRenderable,
                       public MarkdownGroffRenderable,
                       public MarkdownCommonMarkRenderable {
public:
    explicit Markdown(QString markdownString) : m_markdownString(std::move(markdownString)) { }

    QString markdownString() const override { return m_markdownString; }
    void setMarkdownString(const QString& markdownString) override
    {
        m_markdownString = markdownString;
    }

private:
    QString m_markdownString;
};

} // namespace markdown
