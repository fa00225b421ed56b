#pragma once

#include "document/BXNoteDataProvider.h"

#include "platform/controllers/Command.h"

#include <QUrl>

// What the document asks of its main window controller beyond the shown note: the selection
// of the lists, the window's part in closing the document, and the actions it forwards. Main
// thread only.
class BXMainWindowProvider : public BXNoteDataProvider {
public:
    // Called once by the document's close-time clean-up: stops observing, keeps the editor's
    // selection and writes the window's state into the document's preferences.
    virtual void documentWillClose() = 0;
    // Commits every pending edit of the window; false at the first refusal.
    virtual bool endEditing() = 0;
    // The same before a save: the note text keeps the keys and its typing stays undoable.
    virtual bool commitEditingForSave() = 0;

    virtual QList<platform::ManagedObjectPtr> selectedCategories() const = 0;
    // The selected categories that are plain ones (no smart categories).
    virtual QList<platform::ManagedObjectPtr> selectedPlainCategories() const = 0;
    // The object-ID URIs of the selected categories and notes.
    virtual QList<QUrl> selectedCategoryIDs() const = 0;
    virtual QList<QUrl> selectedNoteIDs() const = 0;
    // The only selected note; null when none or several are selected.
    virtual BXNote::NotePtr selectedNote() const = 0;

    // Selects `notes` in the list, clearing the search or choosing the first category when
    // they are not listed; whether they ended selected.
    virtual bool selectNotes(const QList<platform::ManagedObjectPtr>& notes, bool scroll) = 0;
    virtual bool selectCategories(const QList<platform::ManagedObjectPtr>& categories, bool scroll)
        = 0;
    // Starts renaming the category the sender represents.
    virtual void renameCategory(const platform::Command& sender) = 0;
    virtual bool isSearchScopeBarHidden() const = 0;
};
