#pragma once

#include <QFont>

namespace markdown {

// The fonts the styler applies: heading text per level, plain text, code and list prefixes (whose
// digits also size the prefix column).
// Implement it to supply values from elsewhere; StaticFontCollection stores them.
class FontCollection {
public:
    virtual ~FontCollection() = default;

    virtual QFont heading1() const = 0;
    virtual QFont heading2() const = 0;
    virtual QFont heading3() const = 0;
    virtual QFont heading4() const = 0;
    virtual QFont heading5() const = 0;
    virtual QFont heading6() const = 0;
    virtual QFont body() const = 0;
    virtual QFont code() const = 0;
    virtual QFont listItemPrefix() const = 0;
};

} // namespace markdown
