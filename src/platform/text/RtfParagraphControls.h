#pragma once

#include "RtfKeywords.h"
#include "platform/text/ParagraphStyle.h"

#include <QList>

namespace platform {

// The paragraph control words of RTF (\pard, alignment, indents, spacing, tabs, line
// heights): what each does to the paragraph state a group carries, and the paragraph style a
// state stands for. Lengths in the state are twips, as written. Stateless; any thread.
class RtfParagraphControls final {
public:
    struct State {
        bool set = false;
        TextAlignment alignment = TextAlignment::Natural;
        int leftIndent = 0;
        int firstIndent = 0;
        int rightIndent = 0;
        int spaceBefore = 0;
        int spaceAfter = 0;
        int lineSpacing = 0;
        bool lineMultiple = false;
        int leading = 0;
        int lineMaximum = 0;
        int lineMinimum = 0;
        int defaultTab = 0;
        WritingDirection direction = WritingDirection::Natural;
        TextTabType pendingTabType = TextTabType::Left;
        QList<TextTab> tabs;
        int list = 0; // \ls: the list override the paragraph belongs to; 0 = none
        int listLevel = 0; // \ilvl

        bool operator==(const State&) const = default;

        ParagraphStyle style() const;
    };

    // Applies a word of the Paragraph group to `state`.
    static void apply(RtfKeywords::Word word, int value, bool hasValue, State& state);
};

} // namespace platform
