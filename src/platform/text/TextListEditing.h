#pragma once

class QTextCursor;

namespace platform {

// What the editing keys do in list items (see TextListMarkers): Return continues the list,
// or ends it on an empty item; Tab and Shift+Tab at an item's start change its level;
// Backspace at its start removes its marker. Each returns false when the cursor is not where
// the key means a list edit, and the key then does what it does in any text. Changes the
// cursor's document through the cursor, so a view's user edit can record it; one thread.
class TextListEditing final {
public:
    TextListEditing() = delete;

    static bool insertParagraph(QTextCursor& cursor);
    // `delta` +1 nests the item one level deeper, -1 one level shallower.
    static bool changeLevel(QTextCursor& cursor, int delta);
    static bool deleteBackward(QTextCursor& cursor);
};

} // namespace platform
