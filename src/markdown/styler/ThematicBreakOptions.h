#pragma once

namespace markdown {

// Geometry of a horizontal rule, in points. Stored unchecked.
struct ThematicBreakOptions {
    // Line width of the rule.
    double thickness;
    // How far from the leading edge the rule starts (its paragraph's first-line head indent).
    double indentation;
};

} // namespace markdown
