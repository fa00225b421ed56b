#pragma once

#include "document/model/BXNote.h"

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QUrl>

#include <functional>
#include <memory>

class BXCategoriesArrayController;
class BXDocument;
class BXMainWindowListsDelegate;
class BXNotesArrayController;
class BXNotesListModel;
class BXOutlineView;
class BXTableView;

namespace platform {
class ManagedObjectContext;
} // namespace platform

// The main window's two lists, the categories sidebar and the notes list: their controllers,
// the notes list's model and their delegate, set up on the document's context, and their
// selection as the document and the window's other parts ask for it. Owned by the window
// controller, which lets it go after the views; main thread only.
class BXMainWindowLists final {
public:
    using Notes = QList<platform::ManagedObjectPtr>;

    // `document` answers the window's document, null once it is gone.
    explicit BXMainWindowLists(std::function<BXDocument*()> document);
    // The notes list goes before the sidebar: the document and its context may be gone
    // already, and the sidebar letting go of a living list would list its notes anew.
    ~BXMainWindowLists();

    BXCategoriesArrayController* categories() const { return m_categories.get(); }
    BXNotesArrayController* notes() const { return m_notes.get(); }

    // Shows the lists in those views.
    void setViews(BXOutlineView* outlineView, BXTableView* tableView);
    // Points both lists at `context` and fills the sidebar; the notes are listed by
    // awakeNotes(), once their sort order is known.
    void setManagedObjectContext(platform::ManagedObjectContext* context);
    void awakeNotes();
    // Neither list follows the store any more: the document is closing.
    void ignoreObservation();
    // The sidebar marks the categories holding the selected notes, or none.
    void markCategoriesOfSelectedNotes(bool mark);
    // The note being typed into stays listed whatever the search says.
    void keepNoteListed(const BXNote::NotePtr& note);
    // Ends a name being typed in either list; false when one refuses.
    bool endEditing();

    Notes selectedNotes() const;
    QList<QUrl> selectedNoteIDs() const;
    // The note when exactly one is selected.
    BXNote::NotePtr selectedNote() const;
    // Null for an invalid index.
    BXNote::NotePtr noteAtIndex(qsizetype index) const;
    Notes selectedCategories() const;
    Notes selectedPlainCategories() const;
    QList<QUrl> selectedCategoryIDs() const;
    bool selectNotes(const Notes& notes, bool scrollingToSelection);
    bool selectCategories(const Notes& categories, bool scrollingToSelection);
    // Chooses All Notes, which lists every note, and selects `notes` there; false when All
    // Notes was chosen already or cannot be.
    bool selectNotesInAllNotes(const Notes& notes, bool scrollingToSelection);

private:
    std::unique_ptr<BXMainWindowListsDelegate> m_delegate;
    std::unique_ptr<BXCategoriesArrayController> m_categories;
    std::unique_ptr<BXNotesArrayController> m_notes;
    std::unique_ptr<BXNotesListModel> m_model;
};
