#pragma once

#include "document/model/BXNote.h"

namespace platform {
class Document;
class UndoManager;
} // namespace platform

// What the main window's editing asks of its window controller: the selected note and its
// document, and the notes list's part in an edit. Main thread only.
class BXMainWindowEditingDelegate {
public:
    virtual ~BXMainWindowEditingDelegate() = default;

    // The note when exactly one is selected.
    virtual BXNote::NotePtr selectedNote() const = 0;
    // Null once the document has let go of the window.
    virtual platform::Document* noteDocument() const = 0;
    virtual platform::UndoManager* documentUndoManager() const = 0;
    // Until the window's state has loaded, losing the focus keeps nothing.
    virtual bool preferencesInited() const = 0;
    // The note being typed into stays listed whatever the search says.
    virtual void keepNoteListed(const BXNote::NotePtr& note) = 0;
    // Ends the lists' own edits (a name being typed); false when one refuses.
    virtual bool endListsEditing() = 0;
};
