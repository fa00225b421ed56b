#include "RtfParagraphControls.h"

namespace platform {

ParagraphStyle RtfParagraphControls::State::style() const
{
    ParagraphStyle style;
    style.alignment = alignment;
    style.headIndent = leftIndent / 20.0;
    style.firstLineHeadIndent = (double(leftIndent) + firstIndent) / 20.0;
    style.tailIndent = -double(rightIndent) / 20.0;
    style.paragraphSpacingBefore = spaceBefore / 20.0;
    style.paragraphSpacing = spaceAfter / 20.0;
    if (lineMultiple && lineSpacing > 0) {
        style.lineHeightMultiple = lineSpacing / 240.0;
    } else if (lineSpacing > 0) {
        style.minimumLineHeight = lineSpacing / 20.0;
    } else if (lineSpacing < 0) {
        style.minimumLineHeight = style.maximumLineHeight = -double(lineSpacing) / 20.0;
    }
    if (lineMinimum > 0)
        style.minimumLineHeight = lineMinimum / 20.0;
    if (lineMaximum > 0)
        style.maximumLineHeight = lineMaximum / 20.0;
    style.lineSpacing = leading / 20.0;
    style.defaultTabInterval = defaultTab / 20.0;
    style.tabStops = tabs;
    style.baseWritingDirection = direction;
    return style;
}

void RtfParagraphControls::apply(RtfKeywords::Word word, int value, bool hasValue, State& state)
{
    using Word = RtfKeywords::Word;
    switch (word) {
    case Word::ParagraphDefault:
        state = State {};
        state.set = true;
        return;
    case Word::AlignLeft:
        state.set = true;
        state.alignment = TextAlignment::Left;
        return;
    case Word::AlignCenter:
        state.set = true;
        state.alignment = TextAlignment::Center;
        return;
    case Word::AlignRight:
        state.set = true;
        state.alignment = TextAlignment::Right;
        return;
    case Word::AlignJustified:
        state.set = true;
        state.alignment = TextAlignment::Justified;
        return;
    case Word::AlignNatural:
        state.set = true;
        state.alignment = TextAlignment::Natural;
        return;
    case Word::LeftIndent:
        state.set = true;
        state.leftIndent = value;
        return;
    case Word::FirstIndent:
        state.set = true;
        state.firstIndent = value;
        return;
    case Word::RightIndent:
        state.set = true;
        state.rightIndent = value;
        return;
    case Word::SpaceBefore:
        state.set = true;
        state.spaceBefore = value;
        return;
    case Word::SpaceAfter:
        state.set = true;
        state.spaceAfter = value;
        return;
    case Word::TabStop:
    case Word::BarTab:
        state.set = true;
        if (state.tabs.size() < 256)
            state.tabs.append({ state.pendingTabType, value / 20.0 });
        state.pendingTabType = TextTabType::Left;
        return;
    case Word::TabRight:
        state.pendingTabType = TextTabType::Right;
        return;
    case Word::TabCenter:
        state.pendingTabType = TextTabType::Center;
        return;
    case Word::TabDecimal:
        state.pendingTabType = TextTabType::Decimal;
        return;
    case Word::ParagraphDefaultTab:
        state.set = true;
        state.defaultTab = value;
        return;
    case Word::LineSpacing:
        state.set = true;
        state.lineSpacing = value;
        return;
    case Word::LineSpacingMultiple:
        state.set = true;
        state.lineMultiple = !hasValue || value != 0;
        return;
    case Word::LineLeading:
        state.set = true;
        state.leading = value;
        return;
    case Word::LineMaximum:
        state.set = true;
        state.lineMaximum = value;
        return;
    case Word::LineMinimum:
        state.set = true;
        state.lineMinimum = value;
        return;
    case Word::DirectionNatural:
        state.set = true;
        state.direction = WritingDirection::Natural;
        return;
    case Word::DirectionLeftToRight:
        state.set = true;
        state.direction = WritingDirection::LeftToRight;
        return;
    case Word::DirectionRightToLeft:
        state.set = true;
        state.direction = WritingDirection::RightToLeft;
        return;
    default:
        return;
    }
}

} // namespace platform
