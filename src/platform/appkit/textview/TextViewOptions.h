#pragma once

namespace platform {

// The text options of a text view, each on by default: smart copy and paste (spaces kept
// around pasted and deleted words), smart quotes and dashes, typed addresses made links, and
// spelling marked as one types.
struct TextViewOptions {
    bool smartCopyPaste = true;
    bool smartQuotes = true;
    bool smartDashes = true;
    bool smartLinks = true;
    bool checkSpelling = true;
};

} // namespace platform
