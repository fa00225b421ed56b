#pragma once

#include "RtfCharacterControls.h"
#include "RtfParagraphControls.h"

namespace platform {

// What one RTF group ({...}) carries while it is read: the character and paragraph state it
// inherits and changes, where its text goes, and its \uc skip count. The reader keeps a stack
// of them; a closing brace restores the enclosing one.
struct RtfGroupState {
    enum class Destination {
        Text,
        ListText, // text, but only a marker for readers without lists
        FontTable,
        ColorTable,
        ExpandedColorTable,
        FieldInstruction,
        Graphic,
        Picture,
        Placeholder, // what follows a \NeXTGraphic group inside its outer group
        ListTable,
        List,
        ListLevel,
        ListLevelText,
        ListMarker,
        ListOverrideTable,
        ListOverride,
        Note, // a footnote's or comment's text, kept after the body
        ShapeInstance, // a shape's settings, around the text box it may hold
        Skip,
    };

    RtfCharacterControls::State chars;
    RtfParagraphControls::State para;
    Destination destination = Destination::Text;
    int unicodeSkip = 1;
    bool opensField = false;
    bool opensAttachment = false;
    bool opensShapeText = false;
};

} // namespace platform
