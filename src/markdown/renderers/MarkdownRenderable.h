#pragma once

#include <QString>

namespace markdown {

// Anything that carries Markdown text; the renderable interfaces build on it.
class MarkdownRenderable {
public:
    virtual ~MarkdownRenderable() = default;

    virtual QString markdownString() const = 0;
    virtual void setMarkdownString(const QString& markdownString) = 0;
};

} // namespace markdown
