#pragma once

#include "document/model/BXNote.h"

#include "platform/data/ManagedObject.h"

#include <QList>

// What the document asks of a window that shows notes: the main window and each note window.
// Implemented by their window controllers, which are platform::WindowController objects as
// well. Main thread only.
class BXNoteDataProvider {
public:
    virtual ~BXNoteDataProvider() = default;

    // The note shown, or null.
    virtual BXNote::NotePtr noteItem() const = 0;
    // The note at a list index; null for an invalid index.
    virtual BXNote::NotePtr noteAtIndex(qsizetype index) const = 0;
    virtual QList<platform::ManagedObjectPtr> selectedNotes() const = 0;
    // The zoom of the window's text view, 1.0 being 100 %.
    virtual double noteTextZoomFactor() const = 0;
    virtual void zoomToFactor(double factor) = 0;
    // Whether the shown note has edits not saved yet.
    virtual bool noteDirty() const = 0;
};
