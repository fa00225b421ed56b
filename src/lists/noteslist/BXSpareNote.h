#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class BXNote;
class BXSelectedCategories;
class BXTableManagedObjectsArrayController;

namespace platform {
class UndoManager;
}

// The document's spare empty note as the notes list's new note: recycled, blanked, for "Add
// Note", taken out of the list again by "Remove New Note" or by deleting it, and followed as
// title changes empty notes or fill them. Undoing "Add Note" takes away the note it added, also
// once it has been typed into. Its undo steps have this object as their target, so that a
// change of category can drop them. Owned by the notes list's controller, whose content it
// changes; main thread only.
class BXSpareNote final : public QObject {
    Q_OBJECT

public:
    // What the list does with a note that comes or goes as the new note.
    struct ListHooks {
        // Shows the note whatever the filter says, or no longer.
        std::function<void(const platform::ManagedObjectPtr&)> include;
        std::function<void(const platform::ManagedObjectPtr&)> exclude;
        // Follows the note's title changes.
        std::function<void(const platform::ManagedObjectPtr&)> watch;
    };

    BXSpareNote(BXTableManagedObjectsArrayController& list, const BXSelectedCategories& categories,
        ListHooks hooks);

    // The spare note while it serves as the new note, else null.
    std::shared_ptr<BXNote> note() const { return m_note; }
    // The spare note, blanked, in the selected plain categories and included in the filter;
    // null when the document cannot give one.
    std::shared_ptr<BXNote> newNote();
    // Adds a new note as one undoable step "Add Note".
    void newNoteEditingName();
    // The inverse step: the new note leaves the list and stays the spare note.
    void removeNewNote();
    // The inverse of adding `added`: a note still empty leaves the list as above; one typed
    // into since is deleted, and the inverse step brings it back whole.
    void removeNewNote(const std::shared_ptr<BXNote>& added);
    // Drops the steps above from the undo manager.
    void forgetSteps();
    // A title change left `note` empty: it becomes the spare note when none is recorded; a
    // note no longer empty stops being it.
    void noteEmptinessChanged(BXNote* note, bool empty);
    // Forgets the spare note when it is among `deleted`, or was deleted or left its context.
    void forgetDeleted(const QList<platform::ManagedObjectPtr>& deleted);
    // When the spare note is among `notes`, takes it out of the list (a step undone by
    // newNoteEditingName()) and answers it; else null. It is not deleted.
    platform::ManagedObjectPtr takeOutOf(const QList<platform::ManagedObjectPtr>& notes);

private:
    // A step undone by `inverse`, whose `work` records nothing itself; discardable while it
    // only moves the spare note.
    void recordStep(platform::UndoManager* undo, std::function<void()> inverse,
        const std::function<void()>& work, bool discardable = true);
    // The inverse of a step that took the new note out again: it comes back.
    std::function<void()> addingAgain();
    // A note typed into since "Add Note" leaves the document, and comes back in `categories`.
    void deleteAddedNote(const std::shared_ptr<BXNote>& added);
    void restoreAddedNote(
        const std::shared_ptr<BXNote>& added, const QList<platform::ManagedObjectPtr>& categories);
    // Lists `note`, selected, as a note just added.
    void listAddedNote(const platform::ManagedObjectPtr& note);
    // Drops a spare note that was deleted or left its context since it was recorded.
    void forgetUnavailable();
    platform::UndoManager* undoManager() const;

    BXTableManagedObjectsArrayController& m_list;
    const BXSelectedCategories& m_categories;
    ListHooks m_hooks;
    std::shared_ptr<BXNote> m_note;
};
