#pragma once

class QTextCursor;

namespace platform {

// What the editing keys do in list items (see TextListMarkers): Return continues the list,
// or ends it on an empty item; Tab and Shift+Tab at an item's start change its level;
// Backspace at its start removes its marker; Delete at the end of the paragraph before an item
// joins the item's text, without its marker. Each returns false when the cursor is not where
// the key means a list edit, and the key then does what it does in any text. Changes the
// cursor's document through the cursor, so a view's user edit can record it; one thread.
// The caret never rests inside a marker: see placeCaret().
class TextListEditing final {
public:
    TextListEditing() = delete;

    static bool insertParagraph(QTextCursor& cursor);
    // `delta` +1 nests the item one level deeper, -1 one level shallower.
    static bool changeLevel(QTextCursor& cursor, int delta);
    static bool deleteBackward(QTextCursor& cursor);
    static bool deleteForward(QTextCursor& cursor);
    // A caret that a move (a key, a click) left inside an item's marker goes to the start of
    // the item's text, keeping the selection's anchor; when it went back from there (`backward`
    // from `from`, a Left key), on to the end of the paragraph before. False when it was not
    // inside a marker.
    static bool placeCaret(QTextCursor& cursor, int from, bool backward);
};

} // namespace platform
