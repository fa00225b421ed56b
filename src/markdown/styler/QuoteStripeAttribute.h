#pragma once

#include <QColor>

#include <vector>

namespace markdown {

// The vertical stripes beside quoted text, under CustomAttributes::quoteStripe.
struct QuoteStripeAttribute {
    QColor color;
    double thickness = 0;
    // Gap after each stripe; carried for consumers, not used in drawing.
    double spacingAfter = 0;
    // x of each stripe from the leading edge of the line's text area, one per quote level.
    std::vector<double> locations;
};

} // namespace markdown
