#pragma once

#include <QColor>

namespace markdown {

// The horizontal rule of a thematic break, under CustomAttributes::thematicBreak.
struct ThematicBreakAttribute {
    double thickness = 0;
    QColor color;
};

} // namespace markdown
