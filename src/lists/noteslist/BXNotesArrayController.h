#pragma once

#include "lists/noteslist/BXNotesSearchIndex.h"
#include "lists/noteslist/BXPasteboardNoteDelegate.h"
#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"

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
class QFont;

namespace platform {
class DropInfo;
class ManagedObjectContext;
class ProgressPanel;
struct Notification;
class UndoManager;
} // namespace platform

// The notes list of a main window: the notes of the sidebar's selected categories, filtered by
// the search and sorted with trashed notes (the spare empty note among them) last. New notes
// recycle the document's spare empty note, which every filter hides unless it is in
// notesToIncludeInFilter(); deletion asks through the presenter whether to delete the notes or
// take them out of the selected category. Removing a note from the content takes it out of the
// selected plain categories. Main thread only.
class BXNotesArrayController : public BXTableManagedObjectsArrayController,
                               public BXPasteboardNoteDelegate {
    Q_OBJECT

public:
    static inline const QString NoteTitleColumn = QStringLiteral("noteTitle");
    static inline const QString NoteCreatedColumn = QStringLiteral("noteCreated");
    static inline const QString NoteModifiedColumn = QStringLiteral("noteModified");

    explicit BXNotesArrayController(QObject* parent = nullptr);
    ~BXNotesArrayController() override;

    platform::ManagedObjectContext* managedObjectContext() const override { return m_context; }
    // Observes the context's changes so the list follows inserts, deletions and merges.
    void setManagedObjectContext(platform::ManagedObjectContext* context);
    BXNotesListCategories* categories() const { return m_categories; }
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
    bool isFiltering() const { return m_filtering; }

    // Shown whatever the filter says; shared with every filter predicate, so a note added here
    // passes at the next rearrangement.
    const platform::SharedVariantList& notesToIncludeInFilter() const { return m_included; }
    bool isIncludedInFilter(const platform::ManagedObjectPtr& note) const;
    void includeInFilter(const platform::ManagedObjectPtr& note);
    void excludeFromFilter(const platform::ManagedObjectPtr& note);

    // The spare empty note while it serves as the new note, else null.
    std::shared_ptr<BXNote> emptyNote() const { return m_emptyNote; }

    QList<platform::ManagedObjectPtr> selectedCategories() const;
    // The selected categories that are not smart ones.
    QList<platform::ManagedObjectPtr> selectedPlainCategories() const;
    // Something is selected in the sidebar and none of it is a smart category.
    bool plainCategorySelected() const;
    QString selectedCategoryNames() const;

    bool canRemove() const;
    // Takes the selected notes out of the selected category as one named step.
    void remove();

    // The spare note, blanked, in the selected categories and in notesToIncludeInFilter();
    // null when the document cannot give one.
    std::shared_ptr<BXNote> newNote();
    // Adds a new note as one undoable step "Add Note".
    void newNoteEditingName();
    // The inverse step: the new note leaves the list and stays the spare note.
    void removeNewNote();
    platform::ManagedObjectPtr noteWithNote(const BXNote* note);

    // Reads the texts of the notes in the list's content that have none in memory yet, a batch
    // of notes a query: the list itself reads no text, Find Next through the notes reads them
    // all. The search's end lets them go again.
    void loadNoteTexts();

    // Search: mode 1 looks for the words, any other mode for a regular expression that may
    // match anywhere in the note's text or name. An invalid expression, or one that runs out of
    // time on a note, beeps, fills `error` (the text under "NSInvalidValue"), keeps the previous
    // filter and answers false.
    bool filterNotes(
        const QString& text, int searchMode, bool keepSelection, platform::Error* error);
    // Back to the notes of the selected categories; the search ends.
    void resetFilter();

    // The toolbar's delete item: its label for the selection, and whether it is enabled.
    QString deleteToolLabel() const;
    QString titleForDeleteMenu() const;

    // Deletion and removal from categories.
    void attemptNotesDeletion(
        const QList<platform::ManagedObjectPtr>& notes, bool askForCategoryRemoval);
    void deleteNotes(const QList<platform::ManagedObjectPtr>& notes);
    void removeNotes(const QList<platform::ManagedObjectPtr>& notes);
    void removeNotesFromCategories(const QList<platform::ManagedObjectPtr>& notes,
        const QList<platform::ManagedObjectPtr>& categories);
    void deleteSelection(QObject* sender) override;
    void deleteRow(int row) override;
    void deleteClicked(QObject* sender) override;
    void deleteArrangedObjects() override;
    void unlinkSelectedNotes();
    void unlinkClickedNote();
    void unlinkAllNotes();
    bool canEditTags() const;

    // Columns. The title column takes the width the visible date columns leave, each of them
    // `dateColumnWidth` wide (100, unless the short dates need more), and never less than 100.
    static double titleColumnWidth(
        double contentWidth, int visibleDateColumns, double dateColumnWidth = 100.0);
    // The narrowest a date column may be: the short style's widest date and the cell margins.
    double dateColumnMinimumWidth() const;
    void awakeFromNib() override;
    void updateListScroller();
    bool eventFilter(QObject* watched, QEvent* event) override;
    double lastTitleColumnWidth() const { return m_lastTitleColumnWidth; }
    bool noteCreatedColumnVisible() const;
    void setNoteCreatedColumnVisible(bool visible);
    void toggleNoteCreatedColumn();
    bool noteModifiedColumnVisible() const;
    void setNoteModifiedColumnVisible(bool visible);
    void toggleNoteModifiedColumn();
    // Makes `key` the primary sort (a known criterion keeps its direction); nothing for a
    // column the table lacks.
    void setSortColumn(const QString& identifier, const QString& key);
    // A header click: the column becomes the primary sort, a click on the primary one
    // reverses it.
    void headerClicked(int column);
    void updateSortIndicator();
    // A column's width changed: a date column picks its style, and its visible rows repaint.
    void columnDidResize(int column, double oldWidth, double width);
    BXNotesDateFormatter& createdDateFormatter() const { return *m_createdFormatter; }
    BXNotesDateFormatter& modifiedDateFormatter() const { return *m_modifiedFormatter; }
    // The list's context menu, retitled for the clicked row each time it opens.
    QMenu* contextMenu();
    // The header's menu: the date columns, checked while shown; its items go to the window.
    QMenu* headerMenu();
    void menuNeedsUpdate(QMenu* menu);

    // Drops. Rows of this list are taken only while Alt is held, as duplicates (the drag
    // offers a copy whatever the keys, so the proposed action tells nothing); rows of another
    // document's notes list, its sidebar's categories (their notes) and files always as
    // copies; rows of another list of this document never. Every accepted drop lands on the
    // whole list.
    Qt::DropAction validateDrop(const platform::DropInfo& info) const;
    bool acceptDrop(const platform::DropInfo& info);
    platform::DropValidation tableViewValidateDrop(
        BXTableView* table, const platform::DropInfo& drop) override;
    bool tableViewAcceptDrop(BXTableView* table, const platform::DropInfo& drop,
        const platform::DropValidation& validation) override;
    // A completion as a task dictionary carries it (key "completionHandler").
    struct ImportCompletion {
        std::function<void()> handler;
    };

    // Copies notes into the selected categories through the delegate, or when it takes no
    // copies, itself: under the progress panel from 16 notes on. `completion` runs on the main
    // thread in every case, also when nothing is copied.
    void importNotes(
        const QList<platform::ManagedObjectPtr>& notes, std::function<void()> completion);
    // The panel's task: "notes", "progressPanel" and "completionHandler" of `dictionary`.
    void importNotesWithDictionary(const QVariantMap& dictionary);
    // The controller's own copier: batches of 15, each saved, "Importing note:" on the panel,
    // a stop between notes. Runs on the panel's worker with a panel, else on the main thread;
    // the copies and saves always happen on the main thread.
    void importNotes(const QList<platform::ManagedObjectPtr>& notes, platform::ProgressPanel* panel,
        std::function<void()> completion);
    // Hands the files to the delegate for the selected categories, without a completion.
    void importNotesAtURLs(const QList<QUrl>& urls);
    // Asks whether to import the files, then hands them to the delegate; the notes it made are
    // selected kImportedNotesSelectionDelay seconds after it reports them.
    void askToImportFiles(const QList<QUrl>& urls);
    static constexpr double kImportedNotesSelectionDelay = 0.3;

    // Dragging out: each dragged note is promised as one file in the export type of the user
    // defaults ("Auto" decided per note), named after its title.
    QString fileType() const override;
    QList<platform::ManagedObjectID> objectIDsForRows(
        const platform::IndexSet& rows) const override;
    QString promisedFileName(
        const platform::ManagedObjectID& objectID, const QString& fileType) const override;
    // Exports the note through the delegate and puts the file at `path`; fails for a note
    // deleted since the drag started and for an export that reports no file.
    bool writePromisedFile(const platform::ManagedObjectID& objectID, const QString& fileType,
        const QString& path, platform::Error* error) const override;

protected:
    void didRemoveObjects(const QList<platform::ManagedObjectPtr>& objects) override;

private:
    void contextObjectsDidChange(const platform::Notification& notification);
    void noteValueChanged(platform::ManagedObject* note, const QString& key);
    // Selects those of `notes` the list shows, scrolling to them.
    void selectImportedNotes(const QList<platform::ManagedObjectPtr>& notes);
    // Re-sorts after the title changes of this event: a move of one row for a single note.
    void rearrangeRetitledNotes();
    void watchNote(platform::ManagedObject* note);
    void watchNotes(const QList<platform::ManagedObjectPtr>& notes);
    platform::PredicateRef basePredicate() const;
    // What the search's predicate answers for each note of the content: by the words of `text`
    // in mode 1, else by the regular expression `pattern`; nullopt with `error` set when the
    // expression fails on a note.
    std::optional<std::vector<char>> searchVerdicts(
        const QString& text, int searchMode, const QString& pattern, platform::Error* error);
    // Lets go of what searching kept: folded texts, and the note texts it read unchanged.
    void endSearch();
    // A discardable step undone by `inverse`, whose `work` records nothing itself.
    void recordNewNoteStep(platform::UndoManager* undo, void (BXNotesArrayController::*inverse)(),
        const std::function<void()>& work);
    // Drops a spare note that was deleted or left its context since it was recorded.
    void forgetUnavailableEmptyNote();
    // The notes of `notes` still in a context and not deleted.
    static QList<platform::ManagedObjectPtr> availableNotes(
        const QList<platform::ManagedObjectPtr>& notes);
    void showDeletionSheet(
        const QList<platform::ManagedObjectPtr>& notes, bool offerRemoval, bool foundNotes);
    QWidget* sheetWindow() const;
    QFont dateColumnFont() const;
    // The dropped files that are not symbolic links (aliases) and still exist.
    static QList<QUrl> droppedFiles(const platform::DropInfo& info, bool skipAliases);
    void setDateColumnVisible(const QString& identifier, bool visible);
    // The note of `objectID` in this list's context, unless it was deleted.
    BXNote* availableNote(const platform::ManagedObjectID& objectID) const;

    platform::ManagedObjectContext* m_context = nullptr;
    BXNotesListCategories* m_categories = nullptr;
    platform::SharedVariantList m_included;
    BXNotesSearchIndex m_searchIndex;
    // The notes whose texts a search read.
    std::vector<std::weak_ptr<platform::ManagedObject>> m_textsRead;
    std::shared_ptr<BXNote> m_emptyNote;
    QSet<const platform::ManagedObject*> m_lastSelectedCategories;
    QSet<const platform::ManagedObject*> m_watched;
    // Notes whose title changed since the last re-sort.
    QSet<const platform::ManagedObject*> m_retitled;
    bool m_ignoreObservation = false;
    bool m_filtering = false;
    bool m_refreshing = false;
    bool m_refreshScheduled = false;
    QList<platform::ManagedObjectPtr> m_observedCategories;
    double m_lastTitleColumnWidth = 0;
    std::unique_ptr<BXNotesDateFormatter> m_createdFormatter;
    std::unique_ptr<BXNotesDateFormatter> m_modifiedFormatter;
    QPointer<QMenu> m_contextMenu;
    QPointer<QMenu> m_headerMenu;
};

Q_DECLARE_METATYPE(BXNotesArrayController::ImportCompletion)
