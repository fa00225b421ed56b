#pragma once

namespace markdown {

// Geometry of the stripes beside a block quote, in points; each quote level indents its text
// by thickness + spacingAfter. Stored unchecked.
struct QuoteStripeOptions {
    double thickness;
    // Gap between a stripe and whatever follows it (the next stripe or the text).
    double spacingAfter;
};

} // namespace markdown
