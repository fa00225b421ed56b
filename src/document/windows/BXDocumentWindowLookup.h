#pragma once

#include "document/model/BXNote.h"

class BXNoteDataProvider;

namespace platform {
class WindowController;
}

// What the document's helpers may ask about its windows without holding the windows' registry:
// which of them is key, what a window shows and which window shows a note on its own.
// Implemented by the registry; main thread only.
class BXDocumentWindowLookup {
public:
    virtual ~BXDocumentWindowLookup() = default;

    // The document's controller whose window is the key window, else null.
    virtual platform::WindowController* keyWindowController() const = 0;
    // The controller as a note data provider when it is one of the document's, else null.
    virtual BXNoteDataProvider* providerOf(platform::WindowController* controller) const = 0;
    // Among the note windows (every window but the main one), the first showing `note`.
    virtual platform::WindowController* noteWindowControllerForNote(
        const BXNote::NotePtr& note) const = 0;
};
