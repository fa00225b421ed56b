#pragma once

#include "document/model/BXNote.h"

#include <QString>

class BXDocument;
class BXTextView;
class QMainWindow;

namespace platform {
class UndoManager;
} // namespace platform

// What the commands of a note window ask of the window they serve: its note, text view, window
// and document, its zoom, and closing it. Implemented by the note window controller, which owns
// the commands; main thread only.
class BXNoteWindowCommandsDelegate {
public:
    virtual ~BXNoteWindowCommandsDelegate() = default;

    virtual BXNote::NotePtr noteItem() const = 0;
    virtual BXTextView* noteTextView() const = 0;
    virtual QMainWindow* noteWindow() const = 0;
    // Null once the document has let go of the window.
    virtual BXDocument* bxDocument() const = 0;
    virtual platform::UndoManager* documentUndoManager() const = 0;
    virtual QString currentNoteName() = 0;
    virtual double noteTextZoomFactor() const = 0;
    virtual void zoomToFactor(double factor) = 0;
    // Closes the window as its close button does: the document decides first.
    virtual void closeWindow() = 0;
};
