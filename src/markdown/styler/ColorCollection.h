#pragma once

#include <QColor>

namespace markdown {

// The colours the styler applies: heading text per level, plain text, code, links, quoted text,
// quote stripes, rules, list prefixes and the code-block background.
// Implement it to supply values from elsewhere; StaticColorCollection stores them.
class ColorCollection {
public:
    virtual ~ColorCollection() = default;

    virtual QColor heading1() const = 0;
    virtual QColor heading2() const = 0;
    virtual QColor heading3() const = 0;
    virtual QColor heading4() const = 0;
    virtual QColor heading5() const = 0;
    virtual QColor heading6() const = 0;
    virtual QColor body() const = 0;
    virtual QColor code() const = 0;
    virtual QColor link() const = 0;
    virtual QColor quote() const = 0;
    virtual QColor quoteStripe() const = 0;
    virtual QColor thematicBreak() const = 0;
    virtual QColor listItemPrefix() const = 0;
    virtual QColor codeBlockBackground() const = 0;
};

} // namespace markdown
