#pragma once

#include "AnyCollection.h"
#include "CodeBlockOptions.h"
#include "ColorCollection.h"
#include "FontCollection.h"
#include "ListItemOptions.h"
#include "ParagraphStyleCollection.h"
#include "QuoteStripeOptions.h"
#include "ThematicBreakOptions.h"

namespace markdown {

// Everything a MarkdownStyler is built from. A value: copying it copies each collection by its
// holder's rule; a styler copies the whole configuration when it is built.
struct MarkdownStylerConfiguration {
    AnyCollection<FontCollection> fonts;
    AnyCollection<ColorCollection> colors;
    AnyCollection<ParagraphStyleCollection> paragraphStyles;
    ListItemOptions listItemOptions;
    QuoteStripeOptions quoteStripeOptions;
    ThematicBreakOptions thematicBreakOptions;
    CodeBlockOptions codeBlockOptions;

    // A configuration of our own choosing for callers that want no say: the system's general
    // and fixed fonts, headings from 2x down to 1x the body size in bold, dark text with a
    // blue link colour on light grey code panels, the library's default paragraph styles.
    static MarkdownStylerConfiguration defaultConfiguration();
};

} // namespace markdown
