#pragma once

#include "lists/BXPasteboardNoteDelegate.h"
#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNoteDeletion.h"
#include "lists/noteslist/BXNotesDragAndDrop.h"
#include "lists/noteslist/BXNotesImportExport.h"
#include "lists/noteslist/BXNotesListColumns.h"
#include "lists/noteslist/BXNotesListMenus.h"
#include "lists/noteslist/BXNotesSearchFilter.h"
#include "lists/noteslist/BXSelectedCategories.h"
#include "lists/noteslist/BXSpareNote.h"

#include "platform/data/ManagedObject.h"
#include "platform/foundation/Error.h"
#include "platform/predicate/Expression.h"

#include <QList>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QString>

class BXNote;
class BXNotesDateFormatter;
class BXNotesListCategories;

namespace platform {
class DropInfo;
class ManagedObjectContext;
class ProgressPanel;
struct Notification;
} // namespace platform

// The notes list of a main window: the notes of the sidebar's selected categories, filtered by
// the search and sorted with trashed notes (the spare empty note among them) last, kept in step
// with the store's changes and with the notes' titles. Removing a note from the content takes it
// out of the selected plain categories. It owns one collaborator a job and forwards to them:
// the search filter, the spare note that serves as the new note, deletion and removal from
// categories, imports and exports, drags and drops, the columns and the menus. Main thread only.
class BXNotesArrayController : public BXTableManagedObjectsArrayController,
                               public BXPasteboardNoteDelegate {
    Q_OBJECT

public:
    static inline const QString& NoteTitleColumn = BXNotesListColumns::TitleColumn;
    static inline const QString& NoteCreatedColumn = BXNotesListColumns::CreatedColumn;
    static inline const QString& NoteModifiedColumn = BXNotesListColumns::ModifiedColumn;

    explicit BXNotesArrayController(QObject* parent = nullptr);
    ~BXNotesArrayController() override;

    platform::ManagedObjectContext* managedObjectContext() const override { return m_context; }
    // Observes the context's changes so the list follows inserts, deletions and merges.
    void setManagedObjectContext(platform::ManagedObjectContext* context);
    BXNotesListCategories* categories() const { return m_categories.source(); }
    // Not owned; cleared by its owner before it goes.
    void setCategories(BXNotesListCategories* categories);

    // The sidebar selection changed: a different set of categories lists their notes anew,
    // empties notesToIncludeInFilter() and drops this list's undo steps.
    void categorySelectionDidChange();
    // Lists the selected categories' notes again, now or after the current change. For the
    // same categories, a selection whose notes went passes to their neighbour.
    void refreshContent(bool sameCategories = true);
    void setNeedsRefresh();

    // Set while the window closes: title changes then change nothing here.
    bool ignoreObservation() const { return m_ignoreObservation; }
    void setIgnoreObservation(bool ignore) { m_ignoreObservation = ignore; }
    bool isFiltering() const { return m_search.isFiltering(); }

    // Shown whatever the filter says; shared with every filter predicate, so a note added here
    // passes at the next rearrangement.
    const platform::SharedVariantList& notesToIncludeInFilter() const
    {
        return m_search.included();
    }
    bool isIncludedInFilter(const platform::ManagedObjectPtr& note) const
    {
        return m_search.isIncluded(note);
    }
    void includeInFilter(const platform::ManagedObjectPtr& note) { m_search.include(note); }
    void excludeFromFilter(const platform::ManagedObjectPtr& note) { m_search.exclude(note); }

    // The spare empty note while it serves as the new note, else null.
    std::shared_ptr<BXNote> emptyNote() const { return m_spareNote.note(); }

    QList<platform::ManagedObjectPtr> selectedCategories() const { return m_categories.all(); }
    // The selected categories that are not smart ones.
    QList<platform::ManagedObjectPtr> selectedPlainCategories() const
    {
        return m_categories.plain();
    }
    // Something is selected in the sidebar and none of it is a smart category.
    bool plainCategorySelected() const { return m_categories.onlyPlain(); }
    QString selectedCategoryNames() const { return m_categories.names(); }

    bool canRemove() const { return m_deletion.canRemove(); }
    // Takes the selected notes out of the selected category as one named step.
    void remove() { m_deletion.removeSelection(); }

    // The spare note, blanked, in the selected categories and in notesToIncludeInFilter();
    // null when the document cannot give one.
    std::shared_ptr<BXNote> newNote() { return m_spareNote.newNote(); }
    // Adds a new note as one undoable step "Add Note".
    void newNoteEditingName() { m_spareNote.newNoteEditingName(); }
    // The inverse step: the new note leaves the list and stays the spare note.
    void removeNewNote() { m_spareNote.removeNewNote(); }
    platform::ManagedObjectPtr noteWithNote(const BXNote* note)
    {
        return m_transfer.copyNote(note);
    }

    // Reads the texts of the notes in the list's content that have none in memory yet, a batch
    // of notes a query: the list itself reads no text, Find Next through the notes reads them
    // all. The search's end lets them go again.
    void loadNoteTexts() { m_search.loadNoteTexts(); }

    // Search: mode 1 looks for the words, any other mode for a regular expression that may
    // match anywhere in the note's text or name. An invalid expression, or one that runs out of
    // time on a note, beeps, fills `error` (the text under "NSInvalidValue"), keeps the previous
    // filter and answers false. Every search empties notesToIncludeInFilter(): a blank new note
    // that thereby leaves the list takes this list's undo steps with it, as at a change of
    // category.
    bool filterNotes(
        const QString& text, int searchMode, bool keepSelection, platform::Error* error);
    // Back to the notes of the selected categories; the search ends.
    void resetFilter() { m_search.resetFilter(); }
    // The user is about to search in `searchMode`: the notes' texts are folded ahead, a slice
    // at each turn of the event loop, until a search is shown or searchAbandoned().
    void searchWillStart(int searchMode);
    // Stops the folding ahead and lets go of what it made, unless a search is shown.
    void searchAbandoned();

    // The toolbar's delete item: its label for the selection, and whether it is enabled.
    QString deleteToolLabel() const { return m_deletion.deleteToolLabel(); }
    QString titleForDeleteMenu() const { return m_deletion.titleForDeleteMenu(); }

    // Deletion and removal from categories.
    void attemptNotesDeletion(
        const QList<platform::ManagedObjectPtr>& notes, bool askForCategoryRemoval)
    {
        m_deletion.attemptNotesDeletion(notes, askForCategoryRemoval);
    }
    void deleteNotes(const QList<platform::ManagedObjectPtr>& notes)
    {
        m_deletion.deleteNotes(notes);
    }
    void removeNotes(const QList<platform::ManagedObjectPtr>& notes)
    {
        m_deletion.removeNotes(notes);
    }
    void removeNotesFromCategories(const QList<platform::ManagedObjectPtr>& notes,
        const QList<platform::ManagedObjectPtr>& categories)
    {
        m_deletion.removeNotesFromCategories(notes, categories);
    }
    void deleteSelection(QObject*) override { m_deletion.deleteSelection(); }
    void deleteRow(int row) override { m_deletion.deleteRow(row); }
    void deleteClicked(QObject*) override { m_deletion.deleteRow(clickedRow()); }
    void deleteArrangedObjects() override { m_deletion.deleteArrangedObjects(); }
    void unlinkSelectedNotes() { m_deletion.unlinkSelectedNotes(); }
    void unlinkClickedNote() { m_deletion.unlinkClickedNote(); }
    void unlinkAllNotes() { m_deletion.unlinkAllNotes(); }
    bool canEditTags() const { return m_deletion.canEditTags(); }

    // Columns. The title column takes the width the visible date columns leave, each of them
    // `dateColumnWidth` wide (100, unless the short dates need more), and never less than 100.
    static double titleColumnWidth(
        double contentWidth, int visibleDateColumns, double dateColumnWidth = 100.0)
    {
        return BXNotesListColumns::titleColumnWidth(
            contentWidth, visibleDateColumns, dateColumnWidth);
    }
    // The narrowest a date column may be: the short style's widest date and the cell margins.
    double dateColumnMinimumWidth() const { return m_columns.dateColumnMinimumWidth(); }
    void awakeFromNib() override;
    void updateListScroller() { m_columns.updateListScroller(); }
    double lastTitleColumnWidth() const { return m_columns.lastTitleColumnWidth(); }
    bool noteCreatedColumnVisible() const
    {
        return m_columns.isDateColumnVisible(NoteCreatedColumn);
    }
    void setNoteCreatedColumnVisible(bool visible)
    {
        m_columns.setDateColumnVisible(NoteCreatedColumn, visible);
    }
    void toggleNoteCreatedColumn() { m_columns.toggleDateColumn(NoteCreatedColumn); }
    bool noteModifiedColumnVisible() const
    {
        return m_columns.isDateColumnVisible(NoteModifiedColumn);
    }
    void setNoteModifiedColumnVisible(bool visible)
    {
        m_columns.setDateColumnVisible(NoteModifiedColumn, visible);
    }
    void toggleNoteModifiedColumn() { m_columns.toggleDateColumn(NoteModifiedColumn); }
    // Makes `key` the primary sort (a known criterion keeps its direction); nothing for a
    // column the table lacks.
    void setSortColumn(const QString& identifier, const QString& key)
    {
        m_columns.setSortColumn(identifier, key);
    }
    // A header click: the column becomes the primary sort, a click on the primary one
    // reverses it.
    void headerClicked(int column) { m_columns.headerClicked(column); }
    void updateSortIndicator() { m_columns.updateSortIndicator(); }
    // A column's width changed: a date column picks its style, and its visible rows repaint.
    void columnDidResize(int column, double oldWidth, double width)
    {
        m_columns.columnDidResize(column, oldWidth, width);
    }
    BXNotesDateFormatter& createdDateFormatter() const { return m_columns.createdDateFormatter(); }
    BXNotesDateFormatter& modifiedDateFormatter() const
    {
        return m_columns.modifiedDateFormatter();
    }
    // The list's context menu, retitled for the clicked row each time it opens.
    QMenu* contextMenu() { return m_menus.contextMenu(); }
    // The header's menu: the date columns, checked while shown; its items go to the window.
    QMenu* headerMenu() { return m_menus.headerMenu(); }
    void menuNeedsUpdate(QMenu* menu) { m_menus.menuNeedsUpdate(menu); }

    // Drops. Rows of this list are taken only while Alt is held, as duplicates; rows of another
    // document's notes list, its sidebar's categories (their notes) and files always as copies;
    // rows of another list of this document never. Every accepted drop lands on the whole list.
    Qt::DropAction validateDrop(const platform::DropInfo& info) const
    {
        return m_dragAndDrop.validateDrop(info);
    }
    bool acceptDrop(const platform::DropInfo& info) { return m_dragAndDrop.acceptDrop(info); }
    platform::DropValidation tableViewValidateDrop(
        BXTableView*, const platform::DropInfo& drop) override
    {
        return m_dragAndDrop.validation(drop);
    }
    bool tableViewAcceptDrop(
        BXTableView*, const platform::DropInfo& drop, const platform::DropValidation&) override
    {
        return acceptDrop(drop);
    }

    // Copies notes into the selected categories through the delegate, or when it takes no
    // copies, itself: under the progress panel from 16 notes on. `completion` runs on the main
    // thread in every case, also when nothing is copied.
    void importNotes(
        const QList<platform::ManagedObjectPtr>& notes, std::function<void()> completion)
    {
        m_transfer.importNotes(notes, std::move(completion));
    }
    // The panel's task: "notes", "progressPanel" and "completionHandler" of `dictionary`.
    void importNotesWithDictionary(const QVariantMap& dictionary)
    {
        m_transfer.importNotesWithDictionary(dictionary);
    }
    // The controller's own copier: batches of 15, each saved, "Importing note:" on the panel,
    // a stop between notes. Runs on the panel's worker with a panel, else on the main thread;
    // the copies and saves always happen on the main thread.
    void importNotes(const QList<platform::ManagedObjectPtr>& notes, platform::ProgressPanel* panel,
        std::function<void()> completion)
    {
        m_transfer.importNotes(notes, panel, std::move(completion));
    }
    // Hands the files to the delegate for the selected categories, without a completion.
    void importNotesAtURLs(const QList<QUrl>& urls) { m_transfer.importNotesAtURLs(urls); }
    // Asks whether to import the files, then hands them to the delegate; the notes it made are
    // selected kImportedNotesSelectionDelay seconds after it reports them.
    void askToImportFiles(const QList<QUrl>& urls) { m_transfer.askToImportFiles(urls); }
    static constexpr double kImportedNotesSelectionDelay
        = BXNotesImportExport::kImportedNotesSelectionDelay;

    // Dragging out: each dragged note is promised as one file in the export type of the user
    // defaults ("Auto" decided per note), named after its title.
    QString fileType() const override { return m_dragAndDrop.fileType(); }
    QList<platform::ManagedObjectID> objectIDsForRows(const platform::IndexSet& rows) const override
    {
        return arrangedObjectIDs(rows);
    }
    QString promisedFileName(
        const platform::ManagedObjectID& objectID, const QString& fileType) const override
    {
        return m_dragAndDrop.promisedFileName(objectID, fileType);
    }
    // Exports the note through the delegate and puts the file at `path`; fails for a note
    // deleted since the drag started and for an export that reports no file.
    bool writePromisedFile(const platform::ManagedObjectID& objectID, const QString&,
        const QString& path, platform::Error* error) const override
    {
        return m_dragAndDrop.writePromisedFile(objectID, path, error);
    }

protected:
    void didRemoveObjects(const QList<platform::ManagedObjectPtr>& objects) override;
    void contentObjectValueChanged(platform::ManagedObject* object, const QString& key) override;

private:
    void contextObjectsDidChange(const platform::Notification& notification);
    void noteValueChanged(platform::ManagedObject* note, const QString& key);
    // The spare note follows the note's emptiness, and its row shows the new title.
    void noteTitleChanged(BXNote* note);
    // Re-sorts once this event is done: the note's title or a date the list is sorted by
    // changed.
    void scheduleRearrangement(const platform::ManagedObject* note);
    // A move of one row for a single note.
    void rearrangeMovedNotes();
    // The notes whose value changes noteValueChanged() hears of: the listed notes, all of them
    // content, whose changes the controller hears of already.
    void watchNote(platform::ManagedObject* note);
    void watchNotes(const QList<platform::ManagedObjectPtr>& notes);
    // One slice of the folding ahead numbered `preparation`, then the next one scheduled.
    void prepareSearchFrom(quint64 preparation, int searchMode, qsizetype first);

    platform::ManagedObjectContext* m_context = nullptr;
    BXSelectedCategories m_categories;
    QSet<const platform::ManagedObject*> m_lastSelectedCategories;
    QList<platform::ManagedObjectPtr> m_observedCategories;
    QSet<const platform::ManagedObject*> m_watched;
    // Notes whose title or sort date changed since the last re-sort.
    QSet<const platform::ManagedObject*> m_moved;
    bool m_ignoreObservation = false;
    bool m_refreshing = false;
    bool m_refreshScheduled = false;
    // Numbers the foldings ahead: a slice of an earlier one does nothing.
    quint64 m_preparation = 0;

    // The collaborators, after what they are given.
    BXNotesSearchFilter m_search;
    BXSpareNote m_spareNote;
    BXNoteDeletion m_deletion;
    BXNotesImportExport m_transfer;
    BXNotesDragAndDrop m_dragAndDrop;
    BXNotesListColumns m_columns;
    BXNotesListMenus m_menus;
};
