#pragma once

#include <QColor>
#include <QLineF>
#include <QRectF>

#include <vector>

namespace markdown {

// What a Markdown layout manager draws for one stretch of text, in drawing order: block
// backgrounds under the text, then rules and quote stripes over it.
struct MarkdownDecorations {
    struct Fill {
        QRectF rect;
        QColor color;
    };
    struct Rule {
        QLineF line;
        QColor color;
        // 0 draws the thinnest line the device can show.
        double thickness = 0;
    };

    std::vector<Fill> backgrounds;
    std::vector<Rule> rules;
    std::vector<Fill> stripes;
};

} // namespace markdown
