#pragma once

namespace markdown {

// Geometry of code and HTML blocks. Stored unchecked: any value flows into the styler's
// arithmetic as it is.
struct CodeBlockOptions {
    // Points between the block's text and the edge of its painted background; also added to
    // the block's paragraph spacing and indents.
    double containerInset;
};

} // namespace markdown
