#pragma once

class BXNote;
class QTextDocument;

namespace platform {
class Document;
}

// Writes the text a window shows back into its note: outside undo, so the note's own record
// is no undoable step, and with the document marked edited, so autosave keeps the typing. The
// main window and the note windows share it. Main thread only.
class BXNoteTextWriter final {
public:
    BXNoteTextWriter() = delete;

    // Stores `text` as `note`'s rich text and bumps `document`'s change count (null: none).
    // The same text again writes nothing and leaves the note's dates and the count alone;
    // answers whether the note changed.
    static bool writeBack(const QTextDocument& text, BXNote* note, platform::Document* document);
};
