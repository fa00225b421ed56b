#pragma once

#include <QColor>

namespace markdown {

// The filled panel behind a code or HTML block, under CustomAttributes::blockBackgroundColor.
struct BlockBackgroundColorAttribute {
    QColor color;
    // How far the fill reaches beyond the text above the first line, below the last line and
    // to the leading side.
    double inset = 0;
};

} // namespace markdown
